#pragma once

// What the parts of leeb-archive share: its translation context, exit codes and how it reports.

#include <QCoreApplication>
#include <QString>

// The tool's texts, translated in this context.
class LeebArchive
{
    Q_DECLARE_TR_FUNCTIONS(LeebArchive)
};

namespace leebarchive {

constexpr int ExitFailed = 1;  // the archive or a file failed
constexpr int ExitRefused = 2; // the command line or its input was refused

// Writes text to standard output in UTF-8.
void out(const QString &text);
// The reason on standard error with the pointer to --help; ExitRefused.
int refuse(const QString &message);
// The reason on standard error; ExitFailed.
int failed(const QString &message);

} // namespace leebarchive
