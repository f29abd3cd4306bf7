// Opening an archive: the connection, the integrity check of an SQLite file (moving a damaged one aside), and
// creating or bringing up to date its tables.

#include "archive.h"
#include "archiveconnection.h"
#include "archivesql.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

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
    statement.replace(QLatin1String("%BLOB"), postgres ? QLatin1String("BYTEA") : QLatin1String("BLOB"));
    return statement;
}

// Renames a corrupt SQLite file and its journal files aside; never removes anything.
bool moveAside(const QString &path, QString *movedTo, QString *error)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QStringLiteral("%1.corrupt-%2").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QStringLiteral("%1.corrupt-%2-%3").arg(path, stamp).arg(n);
    if (!QFile::rename(path, target))
        return fail(error,
                    QStringLiteral("the archive %1 failed its integrity check and cannot be moved aside").arg(path));
    for (const char *suffix : {"-wal", "-shm"}) {
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), target + QLatin1String(suffix));
    }
    *movedTo = target;
    return true;
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
    if (!m_postgres) {
        const QFileInfo file(location.path);
        existed = file.exists();
        if (!existed && mode == ReadOnly) {
            result.reason = QStringLiteral("there is no archive at %1").arg(location.path);
            return result;
        }
        if (!existed && !QDir().mkpath(file.absolutePath())) {
            result.reason = QStringLiteral("cannot create the archive folder %1").arg(file.absolutePath());
            return result;
        }
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
        if (m_db.open())
            return true;
        result.reason =
            QStringLiteral("cannot open the archive %1: %2").arg(location.text(), m_db.lastError().text().simplified());
        close();
        return false;
    };
    if (!connect())
        return result;
    // The check and the schema steps within a bound too; the watchdog logs why the connection was cut.
    const archiveconnection::CallGuard call(this, archiveconnection::socketOf(m_db), nullptr, location.text());

    // Readers skip the check: it reads the whole file, and a damaged page shows as a failed query all the same.
    if (!m_postgres && existed && mode == ReadWrite) {
        bool corrupt = false;
        QString detail;
        if (!integrityCheck(&corrupt, &detail)) {
            result.reason = detail;
            close();
            return result;
        }
        if (corrupt) {
            close();
            if (!moveAside(location.path, &result.movedAsidePath, &result.reason))
                return result;
            qCWarning(lcArchive).noquote() << QStringLiteral("archive %1 failed its integrity check (%2), moved to %3")
                                                  .arg(location.path, detail, result.movedAsidePath);
            result.reason = detail;
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
