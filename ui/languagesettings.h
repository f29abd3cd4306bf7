#pragma once

// The language flag in the settings file (ReportSettings::fileName, ./PrintConfig.ini), relative to the working
// directory: 0 Chinese, anything else English. The file is opened for each operation and closed again.
namespace LanguageSettings {
// 0 when the file, the key or a number in it is missing.
int load();
// False when the file could not be written.
bool save(int language);
// The embedded catalogue for a flag.
const char *catalogue(int language);
} // namespace LanguageSettings
