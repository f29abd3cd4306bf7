#pragma once

#include "archive.h"

#include <QObject>

class QThread;
class ArchiveWriterWorker;

Q_DECLARE_METATYPE(StoreResult)

// Keeps downloads in an archive on a thread of its own, over a connection of its own, so that storing never holds up
// the caller's event loop, not even for the seconds a server that stopped answering is given. The archive opens on
// that thread at once; a location that cannot be opened is tried again at every store.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveWriter(const QString &location, QObject *parent = nullptr);
    // The stores asked for may finish within QuitWaitMs; then the calls still running are cut off, and the thread
    // is given InterruptWaitMs more (a connect under way ends within its timeout).
    ~ArchiveWriter() override;

    // Asks for a download to be kept; stored() answers with the number returned, in the order asked.
    qint64 store(const Download &download);

    static constexpr int QuitWaitMs = 2000;
    static constexpr int InterruptWaitMs = 5000;

signals:
    void stored(qint64 request, const StoreResult &result);

private:
    QThread *m_thread = nullptr;
    ArchiveWriterWorker *m_worker = nullptr;
    qint64 m_lastRequest = 0;
};
