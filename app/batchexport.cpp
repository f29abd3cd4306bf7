#include "batchexport.h"

#include "csvfile.h"
#include "instrumentlink.h"
#include "reportfile.h"
#include "settings.h"

#include <QDateTime>
#include <QSysInfo>

#include <cstdio>

QString exportEndingError(const QString &fileName)
{
    return QStringLiteral("cannot export to %1: the file name must end in .xlsx (workbook), .pdf (report) or .csv")
        .arg(fileName);
}

BatchExport::BatchExport(const QStringList &ports, const QString &fileName, int timeoutSeconds, QObject *parent)
    : QObject(parent), m_fileName(fileName), m_timeoutSeconds(timeoutSeconds), m_link(new InstrumentLink(this))
{
    m_link->setNamedPorts(ports);
    // The port that answered last is probed early: the archive's latest download names it (openArchive()), an older
    // settings file may.
    m_link->setLastPort(Settings::lastPort());
    connect(m_link, &InstrumentLink::stateChanged, this, &BatchExport::on_link_stateChanged);
    connect(m_link, &InstrumentLink::downloadReceived, this, &BatchExport::on_link_downloadReceived);
    connect(m_link, &InstrumentLink::downloadFailed, this, &BatchExport::on_link_downloadFailed);
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &BatchExport::on_timeout);
}

bool BatchExport::start()
{
    // The command line refuses other endings; a caller that did not ask it is refused here.
    if (reportFileKind(m_fileName) == ReportFileKind::Unknown) {
        finish(2, exportEndingError(m_fileName));
        return false;
    }
    // The bound counts from here: opening the archive takes its share of it.
    m_timeout.start(m_timeoutSeconds * 1000);
    openArchive();
    m_link->start();
    return true;
}

void BatchExport::setArchive(const QString &location)
{
    m_archiveWanted = true;
    m_archiveLocation = location;
}

void BatchExport::setTags(const GroupTags &tags, const PartLimit &limit)
{
    m_tags = tags;
    m_limit = limit;
}

QString BatchExport::tagDownload(qint64 downloadId, int groupCount, QList<CsvGroup> *rows,
                                 std::optional<VerificationLog> *log)
{
    QString error;
    QList<int> groupSlots;
    for (int slot = 0; slot < groupCount; ++slot)
        groupSlots << slot;
    QList<ArchivedGroup> archived;
    QHash<QString, PartLimit> limits;
    VerificationLog read;
    if ((!m_tags.isEmpty() && !m_archive.setGroupTags(downloadId, groupSlots, m_tags, TagWrite::GivenOnly, &error)) ||
        (m_limit.isSet() && !m_archive.setPartLimit(m_tags.part, m_limit, &error)) ||
        !m_archive.loadArchivedGroups(downloadId, &archived, &error) || !m_archive.partLimits(&limits, &error) ||
        !m_archive.verificationLog(&read.checks, &read.blocks, &error))
        return error;
    *log = read;
    // What the archive holds now, with the tags set on these groups before.
    for (CsvGroup &row : *rows) {
        if (row.slot < archived.size())
            row.tags = archived.at(row.slot).tags;
        row.limit = limits.value(row.tags.part);
    }
    markVerified(rows, read.checks, read.blocks);
    return QString();
}

// The file is what a batch run is asked for: it is written even when the archive cannot be used, and exit code 3
// says that the download was not kept. An archive that fails to open now is tried again when the download comes.
void BatchExport::openArchive()
{
    if (!m_archiveWanted)
        return;
    const ArchiveOpenResult opened = m_archive.open(m_archiveLocation);
    if (opened.outcome == ArchiveOpenResult::Replaced)
        std::fprintf(stderr,
                     "warning: the archive was damaged; kept aside unchanged as %s, the new archive holds %d "
                     "download(s) recovered from it (%d could not be read)\n",
                     qPrintable(opened.movedAsidePath), opened.recovered, opened.unreadable);
    if (!opened.ok())
        return;
    DownloadInfo latest;
    if (m_archive.latestDownload(&latest, nullptr, QSysInfo::machineHostName()) && !latest.isNull())
        m_link->setLastPort(latest.port);
}

void BatchExport::on_link_stateChanged(const LinkState &state)
{
    if (!state.isConnected())
        return;
    m_linked = true;
    m_link->requestGroups();
}

void BatchExport::on_link_downloadReceived(const Download &download)
{
    if (m_done)
        return;
    // Kept first: the download outlives a failed export.
    qint64 downloadId = 0; // the CSV names the archived download
    QString notArchived;   // why it was not kept
    QList<CsvGroup> rows = csvGroups(download, 0, QSysInfo::machineHostName());
    for (CsvGroup &row : rows) { // as asked, for when the archive cannot say
        row.tags = m_tags;
        if (m_limit.isSet())
            row.limit = m_limit;
    }
    std::optional<VerificationLog> log; // as read while tagging
    if (m_archiveWanted) {
        const StoreResult stored = m_archive.storeDownload(download);
        notArchived = stored.reason;
        downloadId = stored.downloadId;
        if (stored.ok())
            notArchived = tagDownload(downloadId, download.records.size(), &rows, &log);
        for (CsvGroup &row : rows)
            row.downloadId = downloadId;
    }
    const QList<MeasurementGroup> &groups = download.groups;
    // Only the groups before the first unused slot are read; say so when others lie behind it.
    if (download.unreadGroups > 0)
        std::fprintf(stderr, "%d group(s) after the first empty slot were not read\n", download.unreadGroups);
    // Written all the same, marked: the instrument's clock or memory went wrong, asking again would not help.
    const QList<int> undated = download.invalidDateGroups();
    if (!undated.isEmpty()) {
        QStringList numbers;
        for (int number : undated)
            numbers << QString::number(number);
        std::fprintf(stderr, "%s %s: the instrument holds an impossible date\n",
                     undated.size() == 1 ? "group" : "groups", qPrintable(numbers.join(QStringLiteral(", "))));
    }
    if (groups.isEmpty()) { // as the window's "no data": an empty workbook or report would pass for a result
        finish(1, QStringLiteral("the instrument holds no measurement groups"));
        return;
    }
    QString error;
    QList<GroupTrace> traces; // the workbook's Data sheet traces its groups as the CSV does
    for (const CsvGroup &row : rows)
        traces.append({row.tags, row.limit});
    // The report names the checks that cover its groups when the archive can say; without one it says nothing.
    const bool csv = reportFileKind(m_fileName) == ReportFileKind::Csv;
    VerificationLog read;
    if (!log && !csv && m_archiveWanted && m_archive.isOpen() &&
        m_archive.verificationLog(&read.checks, &read.blocks, nullptr))
        log = read;
    const bool written =
        csv ? writeCsvFile(m_fileName, rows, &error)
            : writeReportFile(m_fileName, Settings::reportHeader(), groups, &error, traces, log ? &*log : nullptr);
    if (!written) {
        finish(1, QStringLiteral("export to %1 failed: %2").arg(m_fileName, error));
        return;
    }
    const QString done = QStringLiteral("%1 group(s) written to %2").arg(groups.size()).arg(m_fileName);
    if (!notArchived.isEmpty()) {
        finish(3, QStringLiteral("%1, but the download was not archived: %2").arg(done, notArchived));
        return;
    }
    finish(0, done);
}

void BatchExport::on_link_downloadFailed(const QString &reason)
{
    finish(1, QStringLiteral("data check failed: the instrument's group data came damaged or not at all %1 times "
                             "(last: %2)")
                  .arg(1 + InstrumentLink::MaxGroupRetries)
                  .arg(reason));
}

void BatchExport::on_timeout()
{
    if (m_linked) {
        finish(1, QStringLiteral("the instrument did not send its groups within %1 s").arg(m_timeoutSeconds));
        return;
    }
    // Each port tried, and what kept it from being the instrument's.
    QString message = QStringLiteral("no instrument answered within %1 s").arg(m_timeoutSeconds);
    const auto outcomes = m_link->portOutcomes();
    if (outcomes.isEmpty())
        message += QStringLiteral("\n  no serial port to try");
    for (const auto &[port, status] : outcomes) {
        message += QStringLiteral("\n  %1: %2").arg(port, portStatusText(status));
        const PortHint hint = portHint(port, status);
        if (hint.kind == PortHint::JoinGroup)
            message += QStringLiteral(" (the user must be in the group owning the device, %1)").arg(hint.detail);
        else if (hint.kind == PortHint::OwnerOnly)
            message += QStringLiteral(" (the device allows no group; only %1 may use it)").arg(hint.detail);
        else if (hint.kind == PortHint::StaleLock)
            message += QStringLiteral(" (by the stale lock file %1: its process is gone)").arg(hint.detail);
    }
    finish(1, message);
}

void BatchExport::finish(int exitCode, const QString &message)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    m_link->stop();
    std::fprintf(exitCode == 0 ? stdout : stderr, "%s\n", qPrintable(message));
    std::fflush(exitCode == 0 ? stdout : stderr);
    emit finished(exitCode);
}
