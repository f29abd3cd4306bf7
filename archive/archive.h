#pragma once

#include "archivefile.h"
#include "archivelocation.h"
#include "download.h"
#include "judgement.h"
#include "reportheader.h"
#include "verification.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

// The program version kept with every download.
QString archiveProgramVersion();

// One stored download, without its groups.
struct DownloadInfo
{
    qint64 id = 0;          // 0: none
    QDateTime downloadedAt; // UTC
    QDateTime confirmedAt;  // UTC: the last time the same payload came in again from the same station and port
    QString station;
    QString port;
    QString programVersion;
    int groupCount = 0;
    int matchingGroups = -1; // listed with a text filter: how many of its groups match it; -1 without one

    bool isNull() const { return id == 0; }
};

// One stored group with what the archive knows beyond its record.
struct ArchivedGroup
{
    qint64 downloadId = 0;
    QDateTime downloadedAt; // UTC, of that download
    QString station;
    QString port;
    int slot = 0;         // 0 to 99, the position in the instrument's memory
    QDateTime measuredAt; // instrument clock (local time); null when the record's date does not exist
    GroupRecord record;
    GroupTags tags; // those of the measurement, whichever download they were set on

    // The group as the window, the workbook and the report see it, dated by the download that brought it.
    MeasurementGroup group() const
    {
        MeasurementGroup g = buildGroup(record, QDate());
        g.measured = measuredAt;
        return g;
    }
};

// Which downloads a listing shows. A null date leaves that side open; both are included, as days of timeSpec (UTC
// for the tool, local time for a window). text matches any group's material, measurement type or impact device text
// as shown in the language of the moment, ignoring case; each download listed then says how many of its groups match.
struct DownloadFilter
{
    QDate from;
    QDate to;
    QString text;
    Qt::TimeSpec timeSpec = Qt::UTC;
    // Exactly these tags (case counts); empty: any. A download matches when one of its groups carries them.
    QString part{};
    QString heat{};
};

// Which groups a span export reads: measured on the days from..to (instrument clock, inclusive; null: open), carrying
// exactly the part and heat given (empty: any).
struct GroupFilter
{
    QDate from;
    QDate to;
    QString part;
    QString heat;
    QString text; // as DownloadFilter's: a material, measurement type or impact device holding it
};

// The tags of the later dialog's suggestions.
enum class TagField { Part, Heat, Location, Operator, Remark };

// How setGroupTags() treats an empty field: GivenOnly leaves that tag as it was (the batch export adds what its
// command line names), All clears it (an editor that shows every field).
enum class TagWrite { GivenOnly, All };

struct ArchiveOpenResult
{
    enum Outcome {
        Opened,   // an existing archive
        Created,  // a new, empty one
        Replaced, // the file was damaged: moved aside to movedAsidePath, a new one built with what it held
        Failed,   // no archive: reason says why
    };
    Outcome outcome = Failed;
    QString reason;
    QString movedAsidePath;
    int recovered = 0;  // Replaced: downloads read from the damaged file into the new one
    int unreadable = 0; // Replaced: downloads of the damaged file that could not be read

    bool ok() const { return outcome != Failed; }
};

struct StoreResult
{
    enum Outcome {
        Stored,    // a new download
        Confirmed, // the same payload as the latest download of this station and port: its time was updated
        Failed,    // nothing written: reason says why
    };
    Outcome outcome = Failed;
    qint64 downloadId = 0;
    int groupCount = 0;
    QString reason;

    bool ok() const { return outcome != Failed; }
};

// A download read back from a damaged archive, with what it was stored with.
struct RecoveredDownload
{
    Download download; // rebuilt from its payload, its time the original download time
    QDateTime confirmedAt;
    QString station;
    QString programVersion;
    std::optional<ReportHeader> header; // the report it was made with, if any
};

class QSqlQuery;

// The measurement archive: every group download kept, with when, where and from which port it came, in an SQLite
// file or a PostgreSQL database. One object is one connection, used from the thread that opened it. Nothing throws;
// every failure comes back with a reason in English, and the caller can go on without the archive.
//
// A PostgreSQL archive stays within bounds whatever its server does: connecting gives up after a few seconds, and a
// call that outlasts its deadline (a server that stopped answering) fails, its connection cut. A connection the
// server ended (a restart) is opened again before the next call; a store that fails on it is tried once more.
class Archive
{
public:
    enum OpenMode {
        ReadWrite, // creates the archive (and its folder) when missing, sets aside a corrupt SQLite file
        ReadOnly,  // for readers: neither creates nor changes anything
    };

    Archive();
    ~Archive();
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    ArchiveOpenResult open(const QString &location, OpenMode mode = ReadWrite);
    ArchiveOpenResult open(const ArchiveLocation &location, OpenMode mode = ReadWrite);
    void close();
    bool isOpen() const;
    QString locationText() const { return m_location.text(); }
    // How long opening an SQLite archive for writing waits while another program sets a damaged file aside there
    // and rebuilds it (30 s); a window's own connection waits less, and tries again at its next use.
    void setLockWait(int ms) { m_lockWaitMs = ms; }

    // Keeps a download (a payload of 5200 bytes or more) in one transaction, with its groups; station defaults to
    // this machine's host name. An SQLite file another program has moved aside since it was opened is never written:
    // the archive at the path is opened again and takes the download.
    StoreResult storeDownload(const Download &download, const QString &station = QString());
    // Adds downloads recovered from a damaged archive, each with its original times, station and program version,
    // in one transaction.
    bool restoreDownloads(const QList<RecoveredDownload> &downloads, QString *error);
    // Adds the groups' tags (by measurement key) and the parts' limits read back from a damaged archive; what is
    // there already stays.
    bool restoreTrace(const QList<QPair<QString, GroupTags>> &tags, const QHash<QString, PartLimit> &limits,
                      QString *error);
    // Adds the blocks and checks read back from a damaged archive, under new ids (checks name their block by the
    // old one), with every reading; a check whose block did not come through is left out. In one transaction.
    bool restoreVerification(const QList<ReferenceBlock> &blocks, const QList<VerificationCheck> &checks,
                             QString *error);
    // From any thread: fails the call running now at once and every call after it; for a program that must end.
    void interrupt();

    // Newest first (by download time); at most limit downloads after skipping offset of them.
    bool downloads(const DownloadFilter &filter, int offset, int limit, QList<DownloadInfo> *out, QString *error);
    // The download seen last (stored or confirmed), of one station or of all when station is empty; a null info when
    // the archive holds none.
    bool latestDownload(DownloadInfo *out, QString *error, const QString &station = QString());
    bool download(qint64 id, DownloadInfo *out, QString *error);
    // The groups of one download in slot order, rebuilt with the program's tables, with what the archive knows of them.
    bool loadArchivedGroups(qint64 id, QList<ArchivedGroup> *groups, QString *error);
    bool payload(qint64 id, QByteArray *out, QString *error);
    // Every group measured on the days from..to (instrument clock, inclusive; null: open), each measurement once
    // although a group stays on the instrument over several downloads; in measuring order. Without dates also the
    // groups whose date does not exist.
    bool groupsMeasuredBetween(const QDate &from, const QDate &to, QList<ArchivedGroup> *out, QString *error);
    bool groups(const GroupFilter &filter, QList<ArchivedGroup> *out, QString *error);

    // Tags belong to the measurement (station, date, table set, values), not to the row: the same group in a later
    // download carries them, another group in the same slot does not. slots are those of download downloadId; a slot
    // it does not hold fails the whole call. loadArchivedGroups() and groups() read them back.
    bool setGroupTags(qint64 downloadId, const QList<int> &groupSlots, const GroupTags &tags, TagWrite write,
                      QString *error);
    // Each slot its own tags and, when limitPart is named, that part's limit (an unset one removes it): all of it
    // in one transaction, or nothing.
    bool setGroupTags(qint64 downloadId, const QList<QPair<int, GroupTags>> &slotTags, TagWrite write, QString *error,
                      const QString &limitPart = QString(), const PartLimit &limit = PartLimit());
    // The values a tag has had, each once, sorted.
    bool tagValues(TagField field, QStringList *out, QString *error);
    // A limit that is not set (no bound) removes the part's limit.
    bool setPartLimit(const QString &part, const PartLimit &limit, QString *error);
    // Every part's limit, or the one of part; a part without a limit is not in *out.
    bool partLimits(QHash<QString, PartLimit> *out, QString *error, const QString &part = QString());
    // The header a download was reported with; empty fields when none was kept.
    bool setReportHeader(qint64 downloadId, const ReportHeader &header, QString *error);
    bool reportHeader(qint64 downloadId, ReportHeader *out, QString *error);

    // The verification log: reference blocks and the checks made on them, each with every reading.
    // A block's serial is unique; adding one that exists fails with a reason.
    bool addBlock(ReferenceBlock *block, QString *error);                   // sets block->id
    bool blocks(QList<ReferenceBlock> *out, QString *error);                // by serial
    bool block(const QString &serial, ReferenceBlock *out, QString *error); // fails with a reason when none
    // Records a check (refused with a reason as checkRefusal() says); sets check->id.
    bool addCheck(VerificationCheck *check, QString *error);
    // A block's checks in time order (then by id); of every block when blockId is 0.
    bool checks(qint64 blockId, QList<VerificationCheck> *out, QString *error);
    // Every check and every block by id: what isVerified() reads.
    bool verificationLog(QList<VerificationCheck> *checks, QHash<qint64, ReferenceBlock> *blocks, QString *error);

    static int schemaVersion();

private:
    StoreResult storeOnce(const Download &download, const QString &station);
    // Opens the archive again when its connection was lost, or when opening it failed before.
    bool ensureConnected(QString *error);
    ArchiveOpenResult openOnce(const ArchiveLocation &location, OpenMode mode);
    bool prepareSchema(OpenMode mode, QString *error);
    bool integrityCheck(bool *corrupt, QString *detail);
    // The tables of an SQLite file that is no archive; empty for an archive or an empty file.
    bool foreignTables(QStringList *tables, bool *corrupt, QString *error);
    // One attempt; *moved when the file open is no longer the one at the path (nothing written then).
    StoreResult storeInto(const Download &download, const QString &station, bool *moved);
    bool insertDownload(QSqlQuery &query, const RecoveredDownload &download, qint64 *id, QString *error);
    // An SQLite connection that must not fold its log into the file when it closes: the file is damaged or gone.
    void keepFileOnClose();
    // Runs a query for one download by id and moves to its row; false with a reason when it has none.
    bool selectDownload(QSqlQuery *query, const QString &sql, qint64 id, QString *error);
    // Runs work in one writing transaction within the call's bound; what: the reason when the commit fails.
    bool inTransaction(const QString &what, QString *error, const std::function<bool(QSqlQuery &)> &work);
    bool insertReportHeader(qint64 downloadId, const ReportHeader &header, QString *error);
    // Within a transaction: a block (its id set by the archive) and a check with its readings.
    bool insertBlock(QSqlQuery &query, const ReferenceBlock &block, qint64 *id, QString *error);
    bool insertCheck(QSqlQuery &query, VerificationCheck *check, QString *error);

    QSqlDatabase m_db;
    QString m_connectionName;
    ArchiveLocation m_location;
    bool m_postgres = false;
    archivefile::FileId m_file; // SQLite: the file this connection holds
    OpenMode m_mode = ReadWrite;
    int m_lockWaitMs = archivefile::LockWaitMs;
    bool m_openAsked = false; // open() was called: ensureConnected() may call it again
    QString m_badLocation;    // why the text given to open() names no archive
    std::atomic<bool> m_interrupted{false};
};
