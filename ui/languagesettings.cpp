#include "languagesettings.h"

#include "reportsettings.h"

#include <QSettings>

namespace {
const char *const LanguageKey = "MainWindow/language";
} // namespace

int LanguageSettings::load()
{
    QSettings settings(QString::fromLatin1(ReportSettings::fileName), QSettings::IniFormat);
    return settings.value(QLatin1String(LanguageKey), QString()).toInt();
}

bool LanguageSettings::save(int language)
{
    QSettings settings(QString::fromLatin1(ReportSettings::fileName), QSettings::IniFormat);
    settings.setValue(QLatin1String(LanguageKey), language);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

const char *LanguageSettings::catalogue(int language)
{
    return language != 0 ? ":/english.qm" : ":/chinese.qm";
}
