#include "archivefile.h"
#include "archivesql.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using archivesql::fail;

namespace archivefile {

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

FileId fileId(const QString &path)
{
    FileId id;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        id.device = quint64(st.st_dev);
        id.inode = quint64(st.st_ino);
        id.exists = true;
    }
    return id;
}

bool makePrivateFolder(const QString &folder, QString *error)
{
    // The missing levels, outermost first.
    QStringList missing;
    for (QString level = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); !QFileInfo::exists(level);) {
        missing.prepend(level);
        const QString parent = QFileInfo(level).path();
        if (parent == level)
            break;
        level = parent;
    }
    for (const QString &level : missing) {
        if (::mkdir(QFile::encodeName(level).constData(), 0700) != 0 && errno != EEXIST)
            return fail(error, QStringLiteral("cannot create the archive folder %1: %2").arg(level, systemError()));
    }
    return true;
}

bool createPrivateFile(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return true;
        return fail(error, QStringLiteral("cannot create the archive %1: %2").arg(path, systemError()));
    }
    ::close(fd);
    return true;
}

bool mendJournalModes(const QString &path, QString *error)
{
    const QByteArray file = QFile::encodeName(path);
    struct stat db;
    if (::stat(file.constData(), &db) != 0 || ::access(file.constData(), W_OK) != 0)
        return true; // a read-only archive fails on its own, with SQLite's words
    for (const char *suffix : {"-shm", "-wal"}) {
        const QByteArray companion = file + suffix;
        struct stat st;
        if (::stat(companion.constData(), &st) != 0 || ::access(companion.constData(), W_OK) == 0)
            continue;
        const mode_t mode = (st.st_mode & 07777) | (db.st_mode & 0666);
        if (st.st_uid != ::geteuid() || ::chmod(companion.constData(), mode) != 0)
            return fail(error, QStringLiteral("%1 is read-only (left by a read-only use of the archive); its owner "
                                              "must make it writable again")
                                   .arg(QFile::decodeName(companion)));
        qCWarning(lcArchive).noquote()
            << QStringLiteral("%1 was read-only; made writable again").arg(QFile::decodeName(companion));
    }
    return true;
}

bool moveAside(const QString &path, QString *movedTo, QString *error)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QStringLiteral("%1.corrupt-%2").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QStringLiteral("%1.corrupt-%2-%3").arg(path, stamp).arg(n);
    if (!QFile::rename(path, target))
        return fail(error, QStringLiteral("the archive %1 is damaged and cannot be moved aside").arg(path));
    for (const char *suffix : {"-wal", "-shm"}) {
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), target + QLatin1String(suffix));
    }
    *movedTo = target;
    return true;
}

namespace {

// The archives whose lock this thread holds.
thread_local QSet<QString> heldLocks;

} // namespace

PathLock::PathLock(const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath()), m_file(m_path + QStringLiteral(".lock"))
{
    m_file.setStaleLockTime(0); // a recovery may hold it for long; only a lock whose program is gone is stale
}

PathLock::~PathLock()
{
    if (m_held) {
        heldLocks.remove(m_path);
        m_file.unlock();
    }
}

bool PathLock::lock(int waitMs, const std::atomic<bool> *cancel)
{
    if (m_held || m_nested)
        return true;
    if (heldLocks.contains(m_path)) {
        m_nested = true;
        return true;
    }
    if (!m_file.tryLock(0)) {
        if (m_file.error() != QLockFile::LockFailedError)
            return false;
        qCInfo(lcArchive).noquote() << QStringLiteral("%1.lock is held by another program; waiting for it").arg(m_path);
        QElapsedTimer waited;
        waited.start();
        // In steps, so that a program ending need not wait for the whole bound.
        while (!m_file.tryLock(int(qBound(qint64(0), waitMs - waited.elapsed(), qint64(100))))) {
            if (m_file.error() != QLockFile::LockFailedError || waited.elapsed() >= waitMs || (cancel && *cancel))
                return false;
        }
    }
    m_held = true;
    heldLocks.insert(m_path);
    return true;
}

QString PathLock::reason() const
{
    switch (m_file.error()) {
    case QLockFile::LockFailedError:
        return QStringLiteral("%1.lock is held by another program, which may be recovering a damaged archive")
            .arg(m_path);
    case QLockFile::PermissionError:
        return QStringLiteral("cannot create the lock %1.lock: %2")
            .arg(m_path, QString::fromLocal8Bit(std::strerror(EACCES)));
    default:
        return QStringLiteral("cannot create the lock %1.lock").arg(m_path);
    }
}

} // namespace archivefile
