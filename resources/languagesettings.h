#pragma once

#include <QString>

class QTranslator;

// The translation catalogue for the language flag of the settings file (Settings::language).
namespace LanguageSettings {
// The embedded catalogue for a flag: 0 Chinese, anything else English.
const char *catalogue(int language);
// Puts the catalogues of a language, the program's and Qt's own, in place of those installed before, for the whole
// application; every widget then receives a language change event. False, with a warning in the log, when the
// program's catalogue could not be loaded.
bool install(int language);

// Where Qt keeps its own catalogues on this system (QLibraryInfo's translations path).
QString qtCatalogueFolder();

// Qt's own texts (dialog buttons, file and print dialogs, the overwrite question, calendar names) in the language of
// the flag: loads Qt's catalogue from `folder` into `translator` and installs it for Chinese, takes it out for
// English, whose texts Qt has built in, and makes that language the default locale. A missing catalogue is only
// warned about: false, and Qt's texts stay English.
bool installQtTexts(int language, QTranslator *translator, const QString &folder = qtCatalogueFolder());
} // namespace LanguageSettings
