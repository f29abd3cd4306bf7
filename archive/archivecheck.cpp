// The full integrity check, rebuilding damaged indexes, and recovering the readable downloads of a damaged file into
// a new archive. The damaged file is read through SQLite's own interface: Qt's driver would fold the last connection's
// checkpoint into it on closing, and a file kept aside is never written.

#include "archivecheck.h"
#include "archive.h"
#include "archivefile.h"
#include "archivesql.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <sqlite3.h>

namespace {

constexpr int BusyTimeoutMs = 10000;
constexpr int RestoreBatch = 200;
// Ids are probed one by one up to the largest one seen, unless a damaged page makes that absurd.
constexpr qint64 ProbeLimit = 10000000;

int progress(void *cancel)
{
    return cancel && static_cast<const std::atomic_bool *>(cancel)->load() ? 1 : 0;
}

// A connection of SQLite's own interface that never checkpoints into the file when it closes.
class Connection
{
public:
    Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection() { sqlite3_close_v2(m_db); }

    bool open(const QString &path, bool writable, QString *error)
    {
        const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr) != SQLITE_OK) {
            *error = QStringLiteral("cannot open the archive %1: %2").arg(path, message());
            return false;
        }
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);
        return true;
    }

    void setCancel(const std::atomic_bool *cancel)
    {
        sqlite3_progress_handler(m_db, cancel ? 1000 : 0, cancel ? progress : nullptr,
                                 const_cast<std::atomic_bool *>(cancel));
    }

    // The first column of every row, as text; on failure the rows read until then, SQLite's words and its code.
    bool rows(const char *sql, QStringList *out, QString *error = nullptr, int *code = nullptr)
    {
        sqlite3_stmt *statement = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
        if (rc == SQLITE_OK) {
            while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
                if (out)
                    out->append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
            }
        }
        sqlite3_finalize(statement);
        if (code)
            *code = rc & 0xff;
        if (rc == SQLITE_DONE)
            return true;
        if (error)
            *error = message();
        return false;
    }

    bool exec(const char *sql, QString *error = nullptr, int *code = nullptr)
    {
        return rows(sql, nullptr, error, code);
    }

    QString message() const { return QString::fromUtf8(sqlite3_errmsg(m_db)).simplified(); }
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

bool isDamage(int code)
{
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

// A failure that says nothing about what the file holds: a recovery meeting one stops and says so, rather than count
// the downloads it could not read as lost.
bool isOutage(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_IOERR:
    case SQLITE_INTERRUPT:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

struct Inspection
{
    enum State { Sound, IndexOnly, Damaged, Refused };
    State state = Refused;
    QStringList problems;
    QString reason; // Refused: why
};

// Problems that a rebuilt index mends: the table rows are intact, an index does not match them.
bool indexOnly(const QStringList &problems)
{
    static const QRegularExpression indexProblem(
        QStringLiteral("^(row \\d+ missing from index \\S+|wrong # of entries in index \\S+)$"));
    return std::all_of(problems.begin(), problems.end(),
                       [](const QString &line) { return indexProblem.match(line).hasMatch(); });
}

Inspection inspect(Connection &c, const QString &path)
{
    Inspection result;
    QStringList tables;
    QString error;
    int code = 0;
    if (!c.rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                &tables, &error, &code)) {
        result.state = isDamage(code) ? Inspection::Damaged : Inspection::Refused;
        result.problems = QStringList{error};
        result.reason = QStringLiteral("cannot check the archive %1: %2").arg(path, error);
        return result;
    }
    if (!tables.isEmpty() && !tables.contains(QStringLiteral("schema_version"))) {
        result.reason = QStringLiteral("%1 is not a measurement archive: it holds tables of another program (%2)")
                            .arg(path, tables.join(QStringLiteral(", ")));
        return result;
    }
    QStringList lines;
    if (!c.rows("PRAGMA integrity_check(100)", &lines, &error, &code)) {
        result.state = isDamage(code) ? Inspection::Damaged : Inspection::Refused;
        result.problems = QStringList{error};
        result.reason = code == SQLITE_INTERRUPT ? QStringLiteral("the check of %1 was cancelled").arg(path)
                                                 : QStringLiteral("cannot check the archive %1: %2").arg(path, error);
        return result;
    }
    if (lines == QStringList{QStringLiteral("ok")}) {
        result.state = Inspection::Sound;
        return result;
    }
    result.problems = lines;
    result.state = indexOnly(lines) ? Inspection::IndexOnly : Inspection::Damaged;
    return result;
}

QDateTime utcTime(sqlite3_stmt *statement, int column)
{
    return QDateTime::fromString(
               QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column))),
               Qt::ISODateWithMs)
        .toUTC();
}

QString text(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)));
}

// Every id the damaged file names somewhere: its table, each index of it, the groups' references. False, with why,
// when a scan fails for another reason than a damaged page.
bool knownIds(Connection &c, QSet<qint64> *known, QList<qint64> *ids, QString *error)
{
    const char *queries[] = {
        "SELECT id FROM download",
        "SELECT id FROM download INDEXED BY download_by_time ORDER BY downloaded_at, id",
        "SELECT id FROM download INDEXED BY download_by_origin ORDER BY station, port, id",
        "SELECT id FROM download INDEXED BY download_by_confirmation ORDER BY confirmed_at, id",
        "SELECT DISTINCT download_id FROM measurement_group",
    };
    qint64 largest = 0;
    for (const char *query : queries) {
        QStringList found;
        QString why;
        int code = 0;
        // A damaged page ends a scan, and what it read counts.
        if (!c.rows(query, &found, &why, &code) && isOutage(code)) {
            *error = QStringLiteral("cannot read the damaged archive: %1").arg(why);
            return false;
        }
        for (const QString &id : found) {
            const qint64 value = id.toLongLong();
            if (value > 0) {
                known->insert(value);
                largest = qMax(largest, value);
            }
        }
    }
    QSet<qint64> all = *known;
    for (qint64 id = 1; largest < ProbeLimit && id <= largest; ++id)
        all.insert(id);
    *ids = QList<qint64>(all.begin(), all.end());
    std::sort(ids->begin(), ids->end());
    return true;
}

// The groups' tags and the parts' limits, as far as their pages can be read: they are keyed by the measurement and
// the part, not by a download, so they apply to the recovered downloads as they stand.
bool recoverTrace(Connection &c, Archive &target, QString *error)
{
    QList<QPair<QString, GroupTags>> tags;
    QHash<QString, PartLimit> limits;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(c.handle(),
                           "SELECT measurement_key, part, heat, location, operator_name, remark FROM group_tag", -1,
                           &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) // a damaged page ends the scan; what it read counts
            tags.append({text(statement, 0), GroupTags{text(statement, 1), text(statement, 2), text(statement, 3),
                                                       text(statement, 4), text(statement, 5)}});
    }
    sqlite3_finalize(statement);
    statement = nullptr;
    if (sqlite3_prepare_v2(c.handle(), "SELECT part, scale, low, high FROM part_limit", -1, &statement, nullptr) ==
        SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            PartLimit limit;
            limit.scale = HardnessScale(sqlite3_column_int(statement, 1));
            if (sqlite3_column_type(statement, 2) != SQLITE_NULL)
                limit.low = sqlite3_column_int(statement, 2);
            if (sqlite3_column_type(statement, 3) != SQLITE_NULL)
                limit.high = sqlite3_column_int(statement, 3);
            limits.insert(text(statement, 0), limit);
        }
    }
    sqlite3_finalize(statement);
    return (tags.isEmpty() && limits.isEmpty()) || target.restoreTrace(tags, limits, error);
}

// The reference blocks and the checks made on them, each check with the readings that can be read: they name no
// download, so they come through whole or not at all.
bool recoverVerification(Connection &c, Archive &target, QString *error)
{
    const auto number = [](sqlite3_stmt *statement, int column) {
        return sqlite3_column_type(statement, column) == SQLITE_NULL
                   ? std::nullopt
                   : std::optional<double>(sqlite3_column_double(statement, column));
    };
    QList<ReferenceBlock> blocks;
    QList<VerificationCheck> checks;
    sqlite3_stmt *statement = nullptr;
    // An archive older than the verification log has none of these tables: nothing to read then.
    if (sqlite3_prepare_v2(c.handle(),
                           "SELECT id, serial, device, nominal, uncertainty, certificate, valid_until, max_error, "
                           "max_repeatability FROM reference_block",
                           -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            blocks.append({sqlite3_column_int64(statement, 0), text(statement, 1),
                           quint8(sqlite3_column_int(statement, 2)), sqlite3_column_double(statement, 3),
                           number(statement, 4), text(statement, 5), QDate::fromString(text(statement, 6), Qt::ISODate),
                           number(statement, 7), number(statement, 8)});
    }
    sqlite3_finalize(statement);
    statement = nullptr;
    if (sqlite3_prepare_v2(c.handle(),
                           "SELECT c.id, c.block_id, c.checked_at, c.operator_name, r.hl FROM verification_check c "
                           "LEFT JOIN check_reading r ON r.check_id = c.id ORDER BY c.id, r.reading_no",
                           -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const qint64 id = sqlite3_column_int64(statement, 0);
            if (checks.isEmpty() || checks.last().id != id)
                checks.append({id,
                               sqlite3_column_int64(statement, 1),
                               QDateTime::fromString(text(statement, 2), QStringLiteral("yyyy-MM-ddTHH:mm:ss")),
                               text(statement, 3),
                               {}});
            if (sqlite3_column_type(statement, 4) != SQLITE_NULL)
                checks.last().readings.append(sqlite3_column_int(statement, 4));
        }
    }
    sqlite3_finalize(statement);
    return blocks.isEmpty() || target.restoreVerification(blocks, checks, error);
}

// Reads each download of the damaged file on its own into the new archive, in the order they were stored.
bool recoverDownloads(Connection &c, Archive &target, ArchiveCheckResult *result)
{
    QSet<qint64> known;
    QList<qint64> ids;
    if (!knownIds(c, &known, &ids, &result->reason))
        return false;
    sqlite3_stmt *statement = nullptr;
    const int prepared = sqlite3_prepare_v2(c.handle(),
                                            "SELECT downloaded_at, confirmed_at, station, port, program_version, "
                                            "payload FROM download WHERE id = ?",
                                            -1, &statement, nullptr);
    if (prepared != SQLITE_OK) {
        sqlite3_finalize(statement);
        if (isOutage(prepared)) {
            result->reason = QStringLiteral("cannot read the damaged archive: %1").arg(c.message());
            return false;
        }
        // Not even the table can be found: nothing is readable.
        result->unreadable = known.size();
        return true;
    }
    // An archive older than the tags has no reports table: nothing to read then.
    sqlite3_stmt *report = nullptr;
    if (sqlite3_prepare_v2(c.handle(),
                           "SELECT company, batch, inspector, remark, logo_path FROM download_report "
                           "WHERE download_id = ?",
                           -1, &report, nullptr) != SQLITE_OK)
        report = nullptr;
    QList<RecoveredDownload> batch;
    QString error;
    bool ok = true;
    for (qint64 id : ids) {
        sqlite3_bind_int64(statement, 1, id);
        bool read = false;
        const int stepped = sqlite3_step(statement);
        if (isOutage(stepped)) {
            // Not a damaged page: a reading that fails so cannot tell what the file holds.
            error = QStringLiteral("cannot read the damaged archive: %1").arg(c.message());
            ok = false;
            break;
        }
        if (stepped == SQLITE_ROW) {
            const QByteArray payload(static_cast<const char *>(sqlite3_column_blob(statement, 5)),
                                     sqlite3_column_bytes(statement, 5));
            RecoveredDownload d;
            d.download = makeDownload(payload, text(statement, 3), utcTime(statement, 0));
            d.confirmedAt = utcTime(statement, 1);
            d.station = text(statement, 2);
            d.programVersion = text(statement, 4);
            read = payload.size() >= groups::PayloadSize && d.download.receivedUtc.isValid();
            if (report && sqlite3_bind_int64(report, 1, id) == SQLITE_OK && sqlite3_step(report) == SQLITE_ROW)
                d.header =
                    ReportHeader{text(report, 1), text(report, 2), text(report, 4), text(report, 3), text(report, 0)};
            if (report)
                sqlite3_reset(report);
            if (read)
                batch.append(d);
        }
        sqlite3_reset(statement);
        if (!read && known.contains(id))
            ++result->unreadable;
        if (batch.size() >= RestoreBatch || (id == ids.last() && !batch.isEmpty())) {
            if (!(ok = target.restoreDownloads(batch, &error)))
                break;
            result->recovered += batch.size();
            batch.clear();
        }
    }
    sqlite3_finalize(statement);
    sqlite3_finalize(report);
    if (!ok)
        result->reason = error;
    return ok && recoverTrace(c, target, &result->reason) && recoverVerification(c, target, &result->reason);
}

// Sets the damaged file aside and builds a new archive at its path; the caller holds the lock.
void recover(Connection &c, const QString &path, ArchiveCheckResult *result)
{
    QString error;
    int code = 0;
    // Held while the file is renamed: a program storing into it waits, and then finds its file gone from the path.
    // A file too damaged for this cannot be written by anyone.
    const bool locked = c.exec("BEGIN IMMEDIATE", &error, &code);
    if (!locked && !isDamage(code)) {
        result->reason = QStringLiteral("cannot lock the damaged archive %1: %2").arg(path, error);
        return;
    }
    if (!archivefile::moveAside(path, &result->movedAsidePath, &result->reason)) {
        c.exec("ROLLBACK");
        return;
    }
    qCWarning(lcArchive).noquote() << QStringLiteral("archive %1 is damaged (%2), moved to %3")
                                          .arg(path, result->problems.mid(0, 3).join(QStringLiteral("; ")),
                                               result->movedAsidePath);
    Archive target;
    const ArchiveOpenResult opened = target.open(path);
    if (!opened.ok()) {
        result->reason = QStringLiteral("the damaged archive was moved to %1, and no new one can be made: %2")
                             .arg(result->movedAsidePath, opened.reason);
    } else if (recoverDownloads(c, target, result)) {
        result->outcome = ArchiveCheckResult::Recovered;
    } else {
        result->reason = QStringLiteral("the damaged archive was moved to %1; recovering what it held failed after %2 "
                                        "downloads: %3")
                             .arg(result->movedAsidePath)
                             .arg(result->recovered)
                             .arg(result->reason);
    }
    if (locked)
        c.exec("ROLLBACK");
}

} // namespace

ArchiveCheckResult checkArchive(const QString &path, const std::atomic_bool *cancel)
{
    ArchiveCheckResult result;
    {
        // Most checks find nothing: a first look that takes no lock and writes nothing. A file missing or not
        // opened may be one another program is replacing just now: the look under the lock settles it.
        Connection c;
        QString error;
        if (c.open(path, false, &error)) {
            c.setCancel(cancel);
            const Inspection first = inspect(c, path);
            if (first.state == Inspection::Sound)
                result.outcome = ArchiveCheckResult::Sound;
            if (first.state == Inspection::Sound || first.state == Inspection::Refused) {
                result.reason = first.reason;
                return result;
            }
        }
    }

    // Damage is decided again under the lock, on the file at the path now: another program may have mended it.
    archivefile::PathLock lock(path);
    if (!lock.lock(archivefile::LockWaitMs, cancel)) {
        result.reason =
            !QFileInfo::exists(path) ? QStringLiteral("there is no archive at %1").arg(path)
            : lock.error() == QLockFile::LockFailedError
                ? QStringLiteral("the archive %1 is damaged, and %1.lock is held by another program").arg(path)
                : QStringLiteral("cannot create the lock %1.lock").arg(path);
        return result;
    }
    if (!QFileInfo::exists(path)) {
        result.reason = QStringLiteral("there is no archive at %1").arg(path);
        return result;
    }
    Connection c;
    if (!c.open(path, true, &result.reason))
        return result;
    c.setCancel(cancel);
    Inspection found = inspect(c, path);
    c.setCancel(nullptr); // from here on a mend is begun and finished
    result.problems = found.problems;
    if (found.state == Inspection::Sound)
        result.outcome = ArchiveCheckResult::Sound;
    if (found.state == Inspection::Sound || found.state == Inspection::Refused) {
        result.reason = found.reason;
        return result;
    }
    if (found.state == Inspection::IndexOnly && c.exec("REINDEX")) {
        found = inspect(c, path);
        if (found.state == Inspection::Sound) {
            qCWarning(lcArchive).noquote() << QStringLiteral("archive %1: indexes rebuilt (%2)")
                                                  .arg(path, result.problems.mid(0, 3).join(QStringLiteral("; ")));
            result.outcome = ArchiveCheckResult::Reindexed;
            return result;
        }
        result.problems += found.problems;
    }
    recover(c, path, &result);
    return result;
}

ArchiveChecker::ArchiveChecker(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<ArchiveCheckResult>();
}

ArchiveChecker::~ArchiveChecker()
{
    m_cancel = true;
    if (m_thread)
        m_thread->wait();
    delete m_thread;
}

bool ArchiveChecker::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

void ArchiveChecker::start(const QString &path)
{
    if (isRunning())
        return;
    if (m_thread)
        m_thread->wait();
    delete m_thread;
    m_cancel = false;
    m_thread = QThread::create([this, path] {
        const ArchiveCheckResult result = checkArchive(path, &m_cancel);
        QMetaObject::invokeMethod(
            this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
    });
    m_thread->start();
}
