#include "archivewriter.h"
#include "archivesql.h"

#include <QThread>

// Lives on the writer's thread; the archive object is made here and used there only, but interrupt() may come from
// any thread.
class ArchiveWriterWorker : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveWriterWorker(const QString &location) : m_location(location) {}

    void open()
    {
        const ArchiveOpenResult opened = m_archive.open(m_location);
        if (!opened.ok())
            qCWarning(lcArchive).noquote() << "the archive writer could not open" << m_location << opened.reason;
    }
    void store(qint64 request, const Download &download) { emit stored(request, m_archive.storeDownload(download)); }
    void close() { m_archive.close(); }
    void interrupt() { m_archive.interrupt(); }

signals:
    void stored(qint64 request, const StoreResult &result);

private:
    QString m_location;
    Archive m_archive;
};

ArchiveWriter::ArchiveWriter(const QString &location, QObject *parent)
    : QObject(parent), m_thread(new QThread), m_worker(new ArchiveWriterWorker(location))
{
    qRegisterMetaType<StoreResult>();
    m_thread->setObjectName(QStringLiteral("archive writer"));
    m_worker->moveToThread(m_thread);
    connect(m_worker, &ArchiveWriterWorker::stored, this, &ArchiveWriter::stored, Qt::QueuedConnection);
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, &ArchiveWriterWorker::open, Qt::QueuedConnection);
}

ArchiveWriter::~ArchiveWriter()
{
    // Queued behind the stores asked for: they run first, within the bound.
    ArchiveWriterWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            worker->close();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (!m_thread->wait(QuitWaitMs)) {
        qCWarning(lcArchive) << "the archive is still being written; cutting it off";
        worker->interrupt();
        if (!m_thread->wait(InterruptWaitMs)) {
            // Destroying a running thread would abort the program: it is left to end with the process.
            qCWarning(lcArchive) << "the archive writer did not end; left behind";
            disconnect(worker, nullptr, this, nullptr);
            return;
        }
    }
    delete m_worker;
    delete m_thread;
}

qint64 ArchiveWriter::store(const Download &download)
{
    const qint64 request = ++m_lastRequest;
    ArchiveWriterWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, request, download] { worker->store(request, download); }, Qt::QueuedConnection);
    return request;
}

#include "archivewriter.moc"
