#include "reportsettings.h"

#include <QFile>
#include <QSettings>

namespace ReportSettings {

ReportHeader load()
{
    QSettings settings(QString::fromLatin1(fileName), QSettings::IniFormat);
    settings.beginGroup(QLatin1String(group));
    ReportHeader header;
    header.batch = settings.value(QLatin1String(keyBatch)).toString();
    header.inspector = settings.value(QLatin1String(keyInspector)).toString();
    header.remark = settings.value(QLatin1String(keyRemark)).toString();
    header.companyName = settings.value(QLatin1String(keyCompanyName)).toString();
    const QString logoPath = settings.value(QLatin1String(keyLogoPath)).toString();
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

} // namespace ReportSettings
