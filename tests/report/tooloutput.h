#pragma once

#include <QProcess>

// A tool's standard output; empty unless it exited with 0 (a crash's exit code is its signal).
inline QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}
