#pragma once

#include <QDateTime>
#include <QMargins>
#include <QSize>
#include <QString>

// What the table shows, where it came from and whether it is kept: the status bar's field and the rule that lets the
// instrument's data be deleted read it.
struct ShownData
{
    enum Origin { Nothing, Live, Archived };
    Origin origin = Nothing;
    QString port;
    QDateTime receivedUtc; // when the download arrived, live or archived
    int groupCount = 0;
    int connection = 0;    // live: the connection it came over
    bool archived = false; // stored in the archive, or confirmed there as already kept
    QString notArchivedReason;
    QString station;        // archived: the computer that downloaded it
    bool archiving = false; // live: handed to the archive, which has not answered yet
    qint64 downloadId = 0;  // its id in the archive; 0 while it is not there
};

// The link and its latest download attempt, as far as deleting the instrument's data depends on them.
struct AttemptState
{
    bool linkUp = false;
    int connection = 0;   // counts the connections made; 0 before the first
    bool pending = false; // a download was asked for and has neither come nor failed
    bool failed = false;  // the latest attempt of this connection failed
    bool deleted = false; // the instrument's data were deleted since the latest download
};

// The status bar's field: which download the table shows and, after a failed attempt, that it is older data.
QString shownDataText(const ShownData &shown, const AttemptState &attempt);
// Why "删除所有" may not run now, for its tip; empty when it may: only once the latest attempt of this connection
// brought the data shown and they are archived, so that nothing is deleted that no one has seen or kept.
QString deleteAllRefusal(const ShownData &shown, const AttemptState &attempt);
// The tip of an enabled "删除所有", and its question: the count and the time of the download at stake.
QString deleteAllTip(const ShownData &shown);
QString deleteAllQuestion(const ShownData &shown);

// The window's size and minimum size within a screen's available area, its frame (the title bar) included.
struct FittedSize
{
    QSize size;
    QSize minimum;
};
FittedSize fitToScreen(const QSize &wanted, const QSize &minimum, const QSize &available, const QMargins &frame);
