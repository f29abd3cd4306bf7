#include "savefile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

PendingFile::PendingFile(const QString &target) : m_target(target)
{
    const QFileInfo info(target);
    // Hidden and in the same folder, so that the final rename stays on one file system and is atomic.
    m_temp.setFileTemplate(info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1String(".XXXXXX"));
}

bool PendingFile::create(QString *error)
{
    if (!m_temp.open()) {
        if (error)
            *error = QStringLiteral("cannot create a file in %1: %2")
                         .arg(QFileInfo(m_target).absolutePath(), m_temp.errorString());
        return false;
    }
    m_temp.close();
    return true;
}

bool PendingFile::commit(QString *error)
{
    const QByteArray temp = QFile::encodeName(m_temp.fileName());
    const QByteArray target = QFile::encodeName(m_target);
    // The temporary file is private to its owner; the result gets what a replaced file had, or what a new file
    // would get.
    struct stat existing;
    mode_t mode;
    if (::stat(target.constData(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(temp.constData(), mode);
    if (std::rename(temp.constData(), target.constData()) != 0) {
        if (error)
            *error =
                QStringLiteral("cannot replace %1: %2").arg(m_target, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_temp.setAutoRemove(false);
    return true;
}
