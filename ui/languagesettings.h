#pragma once

// The translation catalogue for the language flag of the settings file (Settings::language).
namespace LanguageSettings {
// The embedded catalogue for a flag: 0 Chinese, anything else English.
const char *catalogue(int language);
// Puts the catalogues of a language in place of those installed before, for the whole application; every widget then
// receives a language change event. False, with a warning in the log, when a catalogue could not be loaded.
bool install(int language);
} // namespace LanguageSettings
