#pragma once

#include <QProcess>
#include <QTest>

// A program's exit code (-2: it did not start, crashed or outran the wait) and what it wrote.
struct ProgramRun
{
    int exitCode = -2;
    QByteArray out, err;
};

// Waits with the event loop turning, so that a simulator in this process keeps answering the program.
inline ProgramRun runProgram(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                             const QString &folder = QString())
{
    QProcess p;
    p.setProcessEnvironment(env), p.setWorkingDirectory(folder), p.start(program, arguments);
    const bool ended = p.waitForStarted() && QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 60000);
    p.kill(), p.waitForFinished(); // one that outran the wait ends as a crash
    return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// A tool's standard output; empty unless it exited with 0.
inline QByteArray run(const QString &program, const QStringList &arguments)
{
    const ProgramRun r = runProgram(program, arguments);
    return r.exitCode == 0 ? r.out : QByteArray();
}
