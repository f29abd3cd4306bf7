#pragma once

#include <QProcess>
#include <QTest>

// A program's exit code (-2: it did not start, crashed or outran the wait) and what it wrote.
struct ProgramRun
{
    int exitCode = -2;
    QByteArray out;
    QByteArray err;
};

// Waits with the event loop turning, so that a simulator in this process keeps answering the program.
inline ProgramRun runProgram(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                             const QString &folder = QString())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.start(program, arguments);
    ProgramRun run;
    if (p.waitForStarted() && QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 60000) &&
        p.exitStatus() == QProcess::NormalExit)
        run.exitCode = p.exitCode();
    p.kill();
    p.waitForFinished();
    run.out = p.readAllStandardOutput(), run.err = p.readAllStandardError();
    return run;
}

// A tool's standard output; empty unless it exited with 0.
inline QByteArray run(const QString &program, const QStringList &arguments)
{
    const ProgramRun r = runProgram(program, arguments);
    return r.exitCode == 0 ? r.out : QByteArray();
}
