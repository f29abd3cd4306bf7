#pragma once

// The full integrity check of an SQLite archive and what mends it. The check reads every page and index, too long
// for the start of the window: the window runs it in a thread of its own after its first frame, leeb-archive on
// request, and opening an archive runs it when the file's quick check fails.

#include <QMetaType>
#include <QObject>
#include <QStringList>

#include <atomic>

class QThread;

struct ArchiveCheckResult
{
    enum Outcome {
        Sound,     // nothing found
        Reindexed, // only indexes were damaged: rebuilt in place, and sound now
        Recovered, // the file was damaged: kept aside unchanged at movedAsidePath, a new archive built at its path
        Failed,    // not checked or not mended: reason says why
    };
    Outcome outcome = Failed;
    QStringList problems; // what the check found, its first lines
    QString movedAsidePath;
    int recovered = 0;  // downloads read from the damaged file into the new archive
    int unreadable = 0; // downloads the damaged file names but whose rows could not be read
    QString reason;
};

Q_DECLARE_METATYPE(ArchiveCheckResult)

// Checks the SQLite archive at path and mends what it finds. Damage is acted on only under PATH.lock, after
// checking the file at the path again: of several programs finding the same damage, one mends it and the others
// find a sound file. A file of another program is refused untouched. cancel, when set from another thread, ends the
// check as long as nothing has been mended yet (Failed).
ArchiveCheckResult checkArchive(const QString &path, const std::atomic_bool *cancel = nullptr);

// Runs checkArchive() in a thread of its own; finished() comes in the thread of this object. Destroying it cancels a
// check that has not begun mending, and waits for the thread.
class ArchiveChecker : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveChecker(QObject *parent = nullptr);
    ~ArchiveChecker() override;

    // Ignored while a check runs.
    void start(const QString &path);
    bool isRunning() const;

signals:
    void finished(const ArchiveCheckResult &result);

private:
    QThread *m_thread = nullptr;
    std::atomic_bool m_cancel{false};
};
