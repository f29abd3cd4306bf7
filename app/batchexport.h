#pragma once

#include "archive.h"
#include "csvfile.h"
#include "linkstate.h"
#include "measurementgroup.h"
#include "reportcontent.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <optional>

class InstrumentLink;

// Why the batch export refuses a file name: its ending is none of .xlsx, .pdf and .csv.
QString exportEndingError(const QString &fileName);

// Without a window: connects as the window does, downloads the groups once, writes them to a workbook, PDF report or
// CSV file (the columns of `leeb-archive show --csv`) and ends the event loop with 0, or with 1 and a message on
// standard error when that cannot be done in time, or with 3 when the file was written but the download could not be
// kept in the archive.
class BatchExport : public QObject
{
    Q_OBJECT

public:
    BatchExport(const QStringList &ports, const QString &fileName, int timeoutSeconds, QObject *parent = nullptr);

    // Starts the search; false (with the message already written) when the target can be refused at once. Until then
    // no port is opened.
    bool start();
    // Keeps the download in this archive (empty: the default file) before writing the file; a failure is exit code 3.
    void setArchive(const QString &location);
    // Tags every group of the download (an empty field leaves an archived tag as it is) and sets the limit of
    // tags.part when limit is set; both in the archive and in the CSV.
    void setTags(const GroupTags &tags, const PartLimit &limit);
    InstrumentLink *link() const { return m_link; }

signals:
    void finished(int exitCode);

private:
    void on_link_stateChanged(const LinkState &state);
    void on_link_downloadReceived(const Download &download);
    void on_link_downloadFailed(const QString &reason);
    void on_timeout();
    void finish(int exitCode, const QString &message);
    void openArchive();
    // Writes the tags and limit on the stored download and reads back those of its groups, and whether each is
    // verified (*log: the verification log read for it); the reason on failure.
    QString tagDownload(qint64 downloadId, int groupCount, QList<CsvGroup> *rows, std::optional<VerificationLog> *log);

    QString m_fileName;
    int m_timeoutSeconds;
    InstrumentLink *m_link = nullptr;
    QTimer m_timeout;
    bool m_linked = false; // the link came up at least once
    bool m_done = false;
    bool m_archiveWanted = false;
    QString m_archiveLocation;
    Archive m_archive;
    GroupTags m_tags;
    PartLimit m_limit;
};
