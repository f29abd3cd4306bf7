#pragma once

#include <QString>

// The port that answered last, kept in the settings file (ReportSettings::fileName, ./PrintConfig.ini) so that the
// next start probes it first after the ports named on the command line.
namespace LinkSettings {
// Empty when the file or the key is missing.
QString lastPort();
// False when the file could not be written.
bool saveLastPort(const QString &name);
} // namespace LinkSettings
