#include "settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString path()
{
    return QString::fromLatin1(Settings::fileName);
}

// Texts are UTF-8, as Qt 6 always reads and writes them, so that both builds read one file alike; characters escaped
// by an older writer still read as they were meant. Before the first access.
void useUtf8(QSettings &settings)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    settings.setIniCodec("UTF-8");
#else
    Q_UNUSED(settings)
#endif
}

QString key(const char *section, const char *name)
{
    return QLatin1String(section) + QLatin1Char('/') + QLatin1String(name);
}

// A hand-edited value with an unquoted comma reads back as a list (the reader drops the blanks around the commas);
// it is still one text, put back together with the separator that suits it.
QString text(const QSettings &settings, const QString &key, QLatin1String separator)
{
    const QVariant value = settings.value(key);
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(separator);
    return value.toString();
}

bool written(QSettings &settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

namespace Settings {

int language()
{
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    return settings.value(key(languageSection, languageKey)).toInt();
}

bool setLanguage(int language)
{
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    settings.setValue(key(languageSection, languageKey), language);
    return written(settings);
}

QString lastPort()
{
    if (!fileTrusted())
        return QString();
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    return text(settings, key(linkSection, lastPortKey), QLatin1String(","));
}

QString archiveLocation(bool *ignored)
{
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    const QString location = text(settings, key(archiveSection, archiveLocationKey), QLatin1String(",")).trimmed();
    const bool trusted = location.isEmpty() || fileTrusted();
    if (ignored)
        *ignored = !trusted;
    return trusted ? location : QString();
}

bool fileTrusted()
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(fileName, &info) != 0)
        return true;
    const uid_t user = ::geteuid();
    if (info.st_uid != user && info.st_uid != 0)
        return false;
    if (info.st_mode & S_IWOTH)
        return false;
    if (!(info.st_mode & S_IWGRP))
        return true;
    // A group of its own, as many systems give every user, with no other member.
    const passwd *account = ::getpwuid(info.st_uid);
    const group *own = ::getgrgid(info.st_gid);
    return account && own && account->pw_gid == info.st_gid && qstrcmp(own->gr_name, account->pw_name) == 0 &&
           (!own->gr_mem || !own->gr_mem[0]);
#else
    return true;
#endif
}

ReportHeader reportHeader()
{
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    const auto field = [&settings](const char *name) {
        return text(settings, key(reportSection, name), QLatin1String(", "));
    };
    ReportHeader header;
    header.batch = field(batchKey);
    header.inspector = field(inspectorKey);
    header.remark = field(remarkKey);
    header.companyName = field(companyNameKey);
    const QString logoPath = field(logoPathKey);
    if (!logoPath.isEmpty() && QFile::exists(logoPath))
        header.logoPath = logoPath;
    return header;
}

bool setReportHeader(const ReportHeader &header)
{
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    settings.beginGroup(QLatin1String(reportSection));
    settings.setValue(QLatin1String(batchKey), header.batch);
    settings.setValue(QLatin1String(inspectorKey), header.inspector);
    settings.setValue(QLatin1String(logoPathKey), header.logoPath);
    settings.setValue(QLatin1String(remarkKey), header.remark);
    settings.setValue(QLatin1String(companyNameKey), header.companyName);
    settings.endGroup();
    return written(settings);
}

QString writeFailureText()
{
    return QCoreApplication::translate("QObject", "无法写入设置文件") + QStringLiteral(": ") +
           QDir::toNativeSeparators(QFileInfo(path()).absoluteFilePath());
}

QByteArray windowGeometry()
{
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    return settings.value(key(languageSection, geometryKey)).toByteArray();
}

bool setWindowGeometry(const QByteArray &geometry)
{
    QSettings settings(path(), QSettings::IniFormat);
    useUtf8(settings);
    settings.setValue(key(languageSection, geometryKey), geometry);
    return written(settings);
}

} // namespace Settings
