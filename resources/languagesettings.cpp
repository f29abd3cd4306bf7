#include "languagesettings.h"

const char *LanguageSettings::catalogue(int language)
{
    return language != 0 ? ":/english.qm" : ":/chinese.qm";
}
