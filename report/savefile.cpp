#include "savefile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLoggingCategory>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSave, "leeb.report.save")

namespace {

bool fail(int code, QString *error)
{
    *error = QString::fromLocal8Bit(std::strerror(code));
    return false;
}

// Follows symbolic links to the file that is to receive the content; a dangling link leads to the file it names.
bool resolveLinks(QByteArray *path, QString *error)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path->constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        QByteArray link(4096, '\0');
        const ssize_t length = ::readlink(path->constData(), link.data(), size_t(link.size()));
        if (length < 0)
            return fail(errno, error);
        link.truncate(int(length));
        if (!link.startsWith('/'))
            link.prepend(path->left(path->lastIndexOf('/') + 1));
        *path = link;
    }
    return fail(ELOOP, error);
}

// A pipe's reader (a script that reads the export through a named pipe) gets this long to come, and to take more of
// the content each time the pipe is full: a reader that never comes or stops reading fails the save rather than hang
// the window.
constexpr int ReaderWaitMs = 3000;
constexpr int StallMs = 5000;

// 0, or the error of the first write that failed; ETIMEDOUT when a pipe or device took nothing for StallMs.
int writeAll(int fd, const QByteArray &content)
{
    // A reader that went away raises SIGPIPE, which would end the program: held back here and taken as EPIPE.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const char *data = content.constData();
    qint64 left = content.size();
    int code = 0;
    while (left > 0 && code == 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written > 0) {
            data += written;
            left -= written;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd ready = {fd, POLLOUT, 0};
            const int polled = ::poll(&ready, 1, StallMs);
            code = polled > 0 ? 0 : polled == 0 ? ETIMEDOUT : errno == EINTR ? 0 : errno;
        } else if (!(written < 0 && errno == EINTR)) {
            code = written < 0 ? errno : ENOSPC;
        }
    }
    if (code == EPIPE) {
        const timespec now = {0, 0};
        ::sigtimedwait(&pipeSignal, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return code;
}

// A named pipe opens for writing only once a reader has it open; waits a bounded time for one.
int openPipe(const QByteArray &path)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0 || errno != ENXIO || waited.elapsed() >= ReaderWaitMs)
            return fd;
        ::usleep(20000);
    }
}

bool writeInPlace(const QByteArray &path, const struct stat &existing, const QByteArray &content, QString *error)
{
    const bool regular = S_ISREG(existing.st_mode);
    // Devices and pipes without blocking: a terminal or pipe that takes nothing must not hang the window.
    const int fd = S_ISFIFO(existing.st_mode)
                       ? openPipe(path)
                       : ::open(path.constData(), O_WRONLY | O_CLOEXEC | (regular ? 0 : O_NONBLOCK));
    if (fd < 0 && errno == ENXIO && S_ISFIFO(existing.st_mode)) {
        *error = QStringLiteral("no program reads the named pipe");
        return false;
    }
    if (fd < 0)
        return fail(errno, error);
    int code = 0;
    if (regular) {
        // Reserving the space keeps the old content whole when the disk is full; file systems without the call
        // just go on.
        const int reserved = content.isEmpty() ? 0 : ::posix_fallocate(fd, 0, content.size());
        if (reserved != 0 && reserved != EINVAL && reserved != EOPNOTSUPP)
            code = reserved;
    }
    if (code == 0)
        code = writeAll(fd, content);
    if (code == 0 && regular && (::ftruncate(fd, content.size()) != 0 || ::fsync(fd) != 0))
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == ETIMEDOUT) {
        *error = QStringLiteral("the reader took nothing for %1 s").arg(StallMs / 1000);
        return false;
    }
    return code == 0 || fail(code, error);
}

bool save(const QString &target, const QByteArray &content, QString *error)
{
    if (target.isEmpty()) {
        *error = QStringLiteral("no file name");
        return false;
    }
    QByteArray path = QFile::encodeName(target);
    if (!resolveLinks(&path, error))
        return false;

    struct stat existing;
    const bool exists = ::stat(path.constData(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            return fail(EISDIR, error);
        // The system's own test knows what the mode bits do not: root, access lists, read-only mounts.
        if (::access(path.constData(), W_OK) != 0)
            return fail(errno, error);
        if (!S_ISREG(existing.st_mode))
            return writeInPlace(path, existing, content, error);
    }

    // Hidden and in the same folder, so that the rename stays on one file system and is atomic; shortened where the
    // target's name leaves no room for the dot and the suffix within the longest name a folder takes.
    const int slash = path.lastIndexOf('/');
    QByteArray temp = path.left(slash + 1) + '.' + path.mid(slash + 1).left(NAME_MAX - 8) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int code = errno;
        return exists ? writeInPlace(path, existing, content, error) : fail(code, error);
    }
    // The temporary file is private to its owner; the result gets what the replaced file had, or what a new file
    // would get.
    mode_t mode = 0666;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    int code = writeAll(fd, content);
    if (code == 0 && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0))
        code = errno;
    // Keeping the owner is only possible for root (or within one's own groups); the content matters more.
    if (code == 0 && exists && ::fchown(fd, existing.st_uid, existing.st_gid) != 0)
        qCDebug(lcSave) << "owner of" << target << "not kept:" << std::strerror(errno);
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && std::rename(temp.constData(), path.constData()) != 0)
        code = errno;
    if (code != 0) {
        ::unlink(temp.constData());
        return fail(code, error);
    }
    return true;
}

} // namespace

bool saveFile(const QString &target, const QByteArray &content, QString *error)
{
    QString reason;
    const bool saved = save(target, content, &reason);
    if (!saved && error)
        *error = reason;
    return saved;
}

QString withExtension(const QString &fileName, const QString &extension)
{
    const QString ending = QLatin1Char('.') + extension;
    return fileName.endsWith(ending, Qt::CaseInsensitive) ? fileName : fileName + ending;
}

QString askSaveFileName(QWidget *parent, const QString &caption, const QString &proposed, const QString &filter,
                        const QString &extension)
{
    QFileDialog dialog(parent, caption, proposed, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(extension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    // A name with another ending ("report.v2") gets this one too.
    return withExtension(dialog.selectedFiles().first(), extension);
}
