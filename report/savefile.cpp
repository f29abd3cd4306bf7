#include "savefile.h"

#include <QFile>
#include <QFileDialog>
#include <QLoggingCategory>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

// 0, or the error of the first write that failed.
int writeAll(int fd, const QByteArray &content)
{
    const char *data = content.constData();
    qint64 left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        data += written;
        left -= written;
    }
    return 0;
}

bool writeInPlace(const QByteArray &path, bool regular, const QByteArray &content, QString *error)
{
    // A pipe without a reader must not hang the window.
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | (regular ? 0 : O_NONBLOCK));
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
            return writeInPlace(path, false, content, error);
    }

    // Hidden and in the same folder, so that the rename stays on one file system and is atomic; shortened where the
    // target's name leaves no room for the dot and the suffix within the longest name a folder takes.
    const int slash = path.lastIndexOf('/');
    QByteArray temp = path.left(slash + 1) + '.' + path.mid(slash + 1).left(NAME_MAX - 8) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int code = errno;
        return exists ? writeInPlace(path, true, content, error) : fail(code, error);
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
