#include "languagesettings.h"

#include <QSettings>

namespace {
const char *const LanguageKey = "MainWindow/language";
} // namespace

const char *settingsFilePath()
{
    return "./PrintConfig.ini";
}

int LanguageSettings::load()
{
    QSettings settings(QString::fromLatin1(settingsFilePath()), QSettings::IniFormat);
    return settings.value(QLatin1String(LanguageKey), QString()).toInt();
}

bool LanguageSettings::save(int language)
{
    QSettings settings(QString::fromLatin1(settingsFilePath()), QSettings::IniFormat);
    settings.setValue(QLatin1String(LanguageKey), language);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

const char *LanguageSettings::catalogue(int language)
{
    return language != 0 ? ":/english.qm" : ":/chinese.qm";
}
