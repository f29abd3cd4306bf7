#include "reportsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

// A hand-edited value with an unquoted comma reads back as a list; it is still the operator's one text.
QString text(const QSettings &settings, const char *key)
{
    const QVariant value = settings.value(QLatin1String(key));
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

} // namespace

namespace ReportSettings {

ReportHeader load()
{
    QSettings settings(QString::fromLatin1(fileName), QSettings::IniFormat);
    settings.beginGroup(QLatin1String(group));
    ReportHeader header;
    header.batch = text(settings, keyBatch);
    header.inspector = text(settings, keyInspector);
    header.remark = text(settings, keyRemark);
    header.companyName = text(settings, keyCompanyName);
    const QString logoPath = text(settings, keyLogoPath);
    if (!logoPath.isEmpty() && QFile::exists(logoPath))
        header.logoPath = logoPath;
    settings.endGroup();
    return header;
}

bool save(const ReportHeader &header)
{
    QSettings settings(QString::fromLatin1(fileName), QSettings::IniFormat);
    settings.beginGroup(QLatin1String(group));
    settings.setValue(QLatin1String(keyBatch), header.batch);
    settings.setValue(QLatin1String(keyInspector), header.inspector);
    settings.setValue(QLatin1String(keyLogoPath), header.logoPath);
    settings.setValue(QLatin1String(keyRemark), header.remark);
    settings.setValue(QLatin1String(keyCompanyName), header.companyName);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString writeFailureText()
{
    return QCoreApplication::translate("QObject", "无法写入设置文件") + QStringLiteral(": ") +
           QDir::toNativeSeparators(QFileInfo(QString::fromLatin1(fileName)).absoluteFilePath());
}

} // namespace ReportSettings
