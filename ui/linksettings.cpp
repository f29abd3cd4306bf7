#include "linksettings.h"

#include "reportsettings.h"

#include <QSettings>

namespace {
const char *const LastPortKey = "Link/lastPort";
} // namespace

QString LinkSettings::lastPort()
{
    QSettings settings(QString::fromLatin1(ReportSettings::fileName), QSettings::IniFormat);
    return settings.value(QLatin1String(LastPortKey)).toString();
}

bool LinkSettings::saveLastPort(const QString &name)
{
    QSettings settings(QString::fromLatin1(ReportSettings::fileName), QSettings::IniFormat);
    if (settings.value(QLatin1String(LastPortKey)).toString() == name)
        return true;
    settings.setValue(QLatin1String(LastPortKey), name);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
