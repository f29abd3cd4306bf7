#pragma once

// The translation catalogue for the language flag of the settings file (Settings::language).
namespace LanguageSettings {
// The embedded catalogue for a flag: 0 Chinese, anything else English.
const char *catalogue(int language);
} // namespace LanguageSettings
