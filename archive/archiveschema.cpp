// Opening an archive: the connection, refusing another program's SQLite file, the quick check of an archive file
// (recovering a damaged one), and creating or bringing up to date its tables.

#include "archive.h"
#include "archivecheck.h"
#include "archiveconnection.h"
#include "archivesql.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>

#include <optional>
#include <sqlite3.h>

using archivesql::fail;

namespace {

QAtomicInt connectionCounter;

constexpr int BusyTimeoutMs = 10000;
// SQLite's primary result codes for a file that is no (intact) database.
const QString SqliteCorrupt = QStringLiteral("11");
const QString SqliteNotADatabase = QStringLiteral("26");

// Schema steps, applied in order to bring an archive from the version it has to the last one, each in the same
// transaction as the version it leaves behind. Placeholders stand for the column types that differ between SQLite
// and PostgreSQL. Times are UTC except measured_at, which is the instrument's clock.
struct SchemaStep
{
    int version;
    QStringList statements;
};

const QList<SchemaStep> &schemaSteps()
{
    static const QList<SchemaStep> steps = {
        {1,
         {
             QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
             QStringLiteral("CREATE TABLE download ("
                            " id %ID,"
                            " downloaded_at %UTC NOT NULL,"
                            " confirmed_at %UTC NOT NULL,"
                            " station TEXT NOT NULL,"
                            " port TEXT NOT NULL,"
                            " program_version TEXT NOT NULL,"
                            " group_count INTEGER NOT NULL,"
                            " payload %BLOB NOT NULL)"),
             QStringLiteral("CREATE INDEX download_by_time ON download (downloaded_at, id)"),
             QStringLiteral("CREATE INDEX download_by_origin ON download (station, port, id)"),
             QStringLiteral("CREATE INDEX download_by_confirmation ON download (confirmed_at, id)"),
             QStringLiteral("CREATE TABLE measurement_group ("
                            " download_id BIGINT NOT NULL REFERENCES download (id) ON DELETE CASCADE,"
                            " slot SMALLINT NOT NULL,"
                            " measured_at %LOCAL,"
                            " month SMALLINT NOT NULL, day SMALLINT NOT NULL,"
                            " hour SMALLINT NOT NULL, minute SMALLINT NOT NULL,"
                            " table_set SMALLINT NOT NULL, group_value INTEGER NOT NULL,"
                            " device SMALLINT NOT NULL, scale SMALLINT NOT NULL, direction SMALLINT NOT NULL,"
                            " material SMALLINT NOT NULL, impact_count SMALLINT NOT NULL,"
                            " impacts TEXT NOT NULL,"
                            " PRIMARY KEY (download_id, slot))"),
             QStringLiteral(
                 "CREATE INDEX measurement_group_by_date ON measurement_group (measured_at, download_id, slot)"),
         }},
        // What a lab writes on its groups: tags kept by the measurement (the text of archivesql::measurementKey(),
        // which the UPDATE computes alike for the groups already kept), limits by part, a download's report header.
        {2,
         {
             QStringLiteral("ALTER TABLE measurement_group ADD COLUMN measurement_key TEXT"),
             QStringLiteral("UPDATE measurement_group SET measurement_key ="
                            " (SELECT station FROM download WHERE download.id = measurement_group.download_id)"
                            " || '/' || COALESCE(CAST(%YEAR AS TEXT), '0')"
                            " || '/' || CAST(month AS TEXT) || '/' || CAST(day AS TEXT)"
                            " || '/' || CAST(hour AS TEXT) || '/' || CAST(minute AS TEXT)"
                            " || '/' || CAST(table_set AS TEXT) || '/' || CAST(group_value AS TEXT)"
                            " || '/' || CAST(device AS TEXT) || '/' || CAST(scale AS TEXT)"
                            " || '/' || CAST(direction AS TEXT) || '/' || CAST(material AS TEXT)"
                            " || '/' || CAST(impact_count AS TEXT) || '/' || impacts"),
             QStringLiteral("CREATE INDEX measurement_group_by_key ON measurement_group (measurement_key)"),
             QStringLiteral("CREATE TABLE group_tag ("
                            " measurement_key TEXT PRIMARY KEY,"
                            " part TEXT, heat TEXT, location TEXT, operator_name TEXT, remark TEXT)"),
             QStringLiteral("CREATE INDEX group_tag_by_part ON group_tag (part)"),
             QStringLiteral("CREATE INDEX group_tag_by_heat ON group_tag (heat)"),
             QStringLiteral("CREATE TABLE part_limit ("
                            " part TEXT PRIMARY KEY, scale SMALLINT NOT NULL, low INTEGER, high INTEGER)"),
             QStringLiteral("CREATE TABLE download_report ("
                            " download_id BIGINT PRIMARY KEY REFERENCES download (id) ON DELETE CASCADE,"
                            " company TEXT, batch TEXT, inspector TEXT, remark TEXT, logo_path TEXT)"),
         }},
        // The verification log: reference blocks, the checks made on them (instrument clock) and every reading of a
        // check in the order taken.
        {3,
         {
             QStringLiteral("CREATE TABLE reference_block ("
                            " id %ID,"
                            " serial TEXT NOT NULL UNIQUE,"
                            " device SMALLINT NOT NULL,"
                            " nominal DOUBLE PRECISION NOT NULL,"
                            " uncertainty DOUBLE PRECISION,"
                            " certificate TEXT NOT NULL,"
                            " valid_until %DATE,"
                            " max_error DOUBLE PRECISION,"
                            " max_repeatability DOUBLE PRECISION)"),
             QStringLiteral("CREATE TABLE verification_check ("
                            " id %ID,"
                            " block_id BIGINT NOT NULL REFERENCES reference_block (id),"
                            " checked_at %LOCAL NOT NULL,"
                            " operator_name TEXT NOT NULL)"),
             QStringLiteral(
                 "CREATE INDEX verification_check_by_block ON verification_check (block_id, checked_at, id)"),
             QStringLiteral("CREATE INDEX verification_check_by_time ON verification_check (checked_at, id)"),
             QStringLiteral("CREATE TABLE check_reading ("
                            " check_id BIGINT NOT NULL REFERENCES verification_check (id) ON DELETE CASCADE,"
                            " reading_no SMALLINT NOT NULL,"
                            " hl INTEGER NOT NULL,"
                            " PRIMARY KEY (check_id, reading_no))"),
         }},
    };
    return steps;
}

QString dialect(QString statement, bool postgres)
{
    statement.replace(QLatin1String("%ID"),
                      postgres ? QLatin1String("BIGSERIAL PRIMARY KEY") : QLatin1String("INTEGER PRIMARY KEY"));
    statement.replace(QLatin1String("%UTC"),
                      postgres ? QLatin1String("TIMESTAMP WITH TIME ZONE") : QLatin1String("TEXT"));
    statement.replace(QLatin1String("%LOCAL"),
                      postgres ? QLatin1String("TIMESTAMP WITHOUT TIME ZONE") : QLatin1String("TEXT"));
    statement.replace(QLatin1String("%DATE"), postgres ? QLatin1String("DATE") : QLatin1String("TEXT"));
    statement.replace(QLatin1String("%BLOB"), postgres ? QLatin1String("BYTEA") : QLatin1String("BLOB"));
    // The year of a group's measured_at, as a number; NULL without a date.
    statement.replace(QLatin1String("%YEAR"), postgres
                                                  ? QLatin1String("CAST(EXTRACT(YEAR FROM measured_at) AS INTEGER)")
                                                  : QLatin1String("CAST(substr(measured_at, 1, 4) AS INTEGER)"));
    return statement;
}

} // namespace

Archive::Archive() = default;

Archive::~Archive()
{
    close();
}

int Archive::schemaVersion()
{
    return schemaSteps().last().version;
}

bool Archive::isOpen() const
{
    return m_db.isOpen();
}

void Archive::close()
{
    if (m_connectionName.isEmpty())
        return;
    if (!m_postgres && archivefile::fileId(m_location.path) != m_file)
        keepFileOnClose(); // set aside by another program: its log stays with it
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
}

ArchiveOpenResult Archive::open(const QString &location, OpenMode mode)
{
    ArchiveLocation parsed;
    ArchiveOpenResult result;
    if (!parseArchiveLocation(location, &parsed, &result.reason)) {
        close();
        m_openAsked = false; // not the archive opened before
        m_badLocation = result.reason;
        return result;
    }
    return open(parsed, mode);
}

ArchiveOpenResult Archive::open(const ArchiveLocation &location, OpenMode mode)
{
    // Another program may set a damaged file aside while this one opens it: the connection then holds the renamed
    // file, or fails on its renamed journal files (a disk I/O error); the file now at the path is opened instead.
    for (int attempt = 1;; ++attempt) {
        const archivefile::FileId before = archivefile::fileId(location.path);
        const ArchiveOpenResult result = openOnce(location, mode);
        if (result.ok() || location.kind != ArchiveLocation::SQLite || attempt == 3 ||
            archivefile::fileId(location.path) == before)
            return result;
        qCInfo(lcArchive).noquote() << "the archive" << location.path << "was replaced while opening it; again";
    }
}

ArchiveOpenResult Archive::openOnce(const ArchiveLocation &location, OpenMode mode)
{
    close();
    m_location = location;
    m_mode = mode;
    m_openAsked = true;
    m_badLocation.clear();
    m_postgres = location.kind == ArchiveLocation::PostgreSQL;
    ArchiveOpenResult result;
    const QString driver = m_postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        result.reason = QStringLiteral("Qt's %1 driver is missing (Debian package %2)")
                            .arg(driver, m_postgres ? "libqt5sql5-psql" : "libqt5sql5-sqlite");
        return result;
    }

    bool existed = true;
    // A writer binds to the file at the path only while no other program sets a damaged one aside there.
    std::optional<archivefile::PathLock> lock;
    if (!m_postgres) {
        const QFileInfo file(location.path);
        if (mode == ReadWrite) {
            // The measurements are the lab's records: a folder made for them is this user's alone.
            if (!archivefile::makePrivateFolder(file.absolutePath(), &result.reason))
                return result;
            lock.emplace(location.path);
            if (!lock->lock(m_lockWaitMs, &m_interrupted)) {
                result.reason = QStringLiteral("cannot open the archive %1: %2").arg(location.path, lock->reason());
                return result;
            }
        }
        existed = QFileInfo::exists(location.path); // under the lock, not as it was before
        if (!existed && mode == ReadOnly) {
            result.reason = QStringLiteral("there is no archive at %1").arg(location.path);
            return result;
        }
        // A new archive is this user's alone too.
        if (!existed && !archivefile::createPrivateFile(location.path, &result.reason))
            return result;
        if (existed && mode == ReadWrite && !archivefile::mendJournalModes(location.path, &result.reason))
            return result;
    }

    const auto connect = [&]() {
        m_connectionName = QStringLiteral("leeb-archive-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
        m_db = QSqlDatabase::addDatabase(driver, m_connectionName);
        if (m_postgres) {
            m_db.setHostName(location.host);
            m_db.setPort(location.port);
            m_db.setUserName(location.user);
            m_db.setDatabaseName(location.databaseName);
            m_db.setConnectOptions(archiveconnection::postgresConnectOptions());
        } else {
            m_db.setDatabaseName(location.path);
            m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        }
        // The same file before and after: the connection holds the file at the path, not one just moved aside
        // (open() then tries again).
        m_file = archivefile::fileId(location.path);
        const bool opened = m_db.open();
        if (opened && (m_postgres || archivefile::fileId(location.path) == m_file))
            return true;
        result.reason =
            opened ? QStringLiteral("cannot open the archive %1: the file keeps being replaced").arg(location.text())
                   : QStringLiteral("cannot open the archive %1: %2")
                         .arg(location.text(), m_db.lastError().text().simplified());
        close();
        return false;
    };
    if (!connect())
        return result;
    // The check and the schema steps within a bound too; the watchdog logs why the connection was cut.
    const archiveconnection::CallGuard call(this, archiveconnection::socketOf(m_db), nullptr, location.text());

    if (!m_postgres && existed) {
        // Another program's file stays as it is: this comes before any pragma that writes.
        QStringList foreign;
        bool corrupt = false;
        if (!foreignTables(&foreign, &corrupt, &result.reason)) {
            close();
            return result;
        }
        if (!foreign.isEmpty()) {
            result.reason = QStringLiteral("%1 is not a measurement archive: it holds tables of another program (%2)")
                                .arg(location.path, foreign.join(QStringLiteral(", ")));
            close();
            return result;
        }
        // Bound by its first read to the file and the journal files at the path: the lock is not held through the
        // check, which takes seconds on a large archive.
        lock.reset();
        // The quick check reads every page but no index: cheap enough for every start, and it finds a file that is
        // no database at all. The full check follows in the background (checkArchive()). Readers skip it: a
        // damaged page shows as a failed query all the same.
        QString detail;
        if (!corrupt && mode == ReadWrite && !integrityCheck(&corrupt, &detail)) {
            result.reason = detail;
            close();
            return result;
        }
        if (corrupt && mode == ReadWrite) {
            keepFileOnClose();
            close();
            const ArchiveCheckResult checked = checkArchive(location.path);
            if (checked.outcome == ArchiveCheckResult::Failed) {
                result.reason = checked.reason;
                return result;
            }
            result.movedAsidePath = checked.movedAsidePath;
            result.recovered = checked.recovered;
            result.unreadable = checked.unreadable;
            result.reason = checked.problems.mid(0, 3).join(QStringLiteral("; "));
            if (!connect())
                return result;
        }
    }

    if (!m_postgres && mode == ReadWrite) {
        // WAL lets a reader and a writer, or the window and a batch export, work at the same time; the busy
        // timeout makes a second writer wait for the first instead of failing.
        bool set;
        {
            QSqlQuery pragma(m_db);
            set = (pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
                   pragma.exec(QStringLiteral("PRAGMA foreign_keys=ON"))) ||
                  fail(&result.reason, QStringLiteral("cannot open the archive %1").arg(location.path),
                       pragma.lastError());
        }
        if (!set) {
            close();
            return result;
        }
    }

    const bool hadSchema = m_db.tables().contains(QStringLiteral("schema_version"));
    if (mode == ReadOnly && !hadSchema) {
        result.reason = QStringLiteral("%1 holds no archive").arg(location.text());
        close();
        return result;
    }
    if (!prepareSchema(mode, &result.reason)) {
        result.reason = QStringLiteral("cannot use the archive %1: %2").arg(location.text(), result.reason);
        close();
        return result;
    }
    if (!result.movedAsidePath.isEmpty())
        result.outcome = ArchiveOpenResult::Replaced;
    else
        result.outcome = hadSchema ? ArchiveOpenResult::Opened : ArchiveOpenResult::Created;
    if (result.outcome != ArchiveOpenResult::Replaced)
        result.reason.clear();
    return result;
}

bool Archive::integrityCheck(bool *corrupt, QString *detail)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
        const QSqlError error = query.lastError();
        *corrupt = error.nativeErrorCode() == SqliteCorrupt || error.nativeErrorCode() == SqliteNotADatabase;
        *detail = error.text().simplified();
        if (!*corrupt)
            return fail(detail, QStringLiteral("cannot open the archive %1").arg(m_location.path), error);
        return true;
    }
    QStringList problems;
    while (query.next())
        problems << query.value(0).toString();
    *corrupt = problems != QStringList{QStringLiteral("ok")};
    *detail = problems.mid(0, 3).join(QStringLiteral("; "));
    return true;
}

bool Archive::foreignTables(QStringList *tables, bool *corrupt, QString *error)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                                   "ESCAPE '\\'"))) {
        const QSqlError sqlError = query.lastError();
        *corrupt = sqlError.nativeErrorCode() == SqliteCorrupt || sqlError.nativeErrorCode() == SqliteNotADatabase;
        return *corrupt || fail(error, QStringLiteral("cannot open the archive %1").arg(m_location.path), sqlError);
    }
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    if (!names.contains(QStringLiteral("schema_version")))
        *tables = names;
    return true;
}

void Archive::keepFileOnClose()
{
    const QVariant handle = m_db.driver() ? m_db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        if (sqlite3 *db = *static_cast<sqlite3 *const *>(handle.constData()))
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    }
}

bool Archive::prepareSchema(OpenMode mode, QString *error)
{
    QSqlQuery query(m_db);
    if (mode == ReadOnly) {
        if (!query.exec(QStringLiteral("SELECT version FROM schema_version")))
            return fail(error, QStringLiteral("cannot read the schema version"), query.lastError());
        const int version = query.next() ? query.value(0).toInt() : 0;
        if (version != schemaVersion())
            return fail(error, QStringLiteral("the archive has schema version %1, this program reads %2%3")
                                   .arg(version)
                                   .arg(schemaVersion())
                                   .arg(version < schemaVersion()
                                            ? QStringLiteral(": open it once with the program to bring it up to date")
                                            : QString()));
        return true;
    }
    // The whole check runs in one writing transaction: two programs starting on a new archive at once must not both
    // create it, and an archive the program may not write to shows here and not at the first download.
    const QString begin = m_postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
    if (!query.exec(begin))
        return fail(error, QStringLiteral("cannot start a transaction"), query.lastError());
    const auto rollback = [&](const QString &what, const QSqlError &sqlError) {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return fail(error, what, sqlError);
    };
    if (m_postgres && !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7710301)")))
        return rollback(QStringLiteral("cannot lock the schema"), query.lastError());

    int version = 0;
    if (m_db.tables().contains(QStringLiteral("schema_version"))) {
        if (!query.exec(QStringLiteral("SELECT version FROM schema_version")))
            return rollback(QStringLiteral("cannot read the schema version"), query.lastError());
        if (query.next())
            version = query.value(0).toInt();
    }
    if (version > schemaVersion()) {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return fail(error, QStringLiteral("the archive has schema version %1, newer than this program's %2")
                               .arg(version)
                               .arg(schemaVersion()));
    }
    for (const SchemaStep &step : schemaSteps()) {
        if (step.version <= version)
            continue;
        for (const QString &statement : step.statements) {
            if (!query.exec(dialect(statement, m_postgres)))
                return rollback(QStringLiteral("cannot update the schema to version %1").arg(step.version),
                                query.lastError());
        }
    }
    QString write = QStringLiteral("UPDATE schema_version SET version = %1").arg(schemaVersion());
    if (version == 0)
        write = QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(schemaVersion());
    if (!query.exec(write))
        return rollback(QStringLiteral("cannot write to the archive"), query.lastError());
    if (!query.exec(QStringLiteral("COMMIT")))
        return rollback(QStringLiteral("cannot write to the archive"), query.lastError());
    return true;
}
