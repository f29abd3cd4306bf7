#pragma once

// A PostgreSQL server in a folder, over its Unix socket, to stop, start and freeze (SIGSTOP); stopped when destroyed.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

// Runs a program as nobody when the test runs as root: the server refuses root, and permissions mean nothing to it.
inline int runAsNobody(const QString &program, const QStringList &args, const QString &dir, QByteArray *err = nullptr)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    const QStringList nobody = {"--reuid=nobody", "--regid=nogroup", "--clear-groups", program};
    p.start(::geteuid() == 0 ? "setpriv" : program, ::geteuid() == 0 ? nobody + args : args);
    p.waitForFinished(120000);
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

inline bool giveToNobody(const QString &path)
{
    return ::geteuid() != 0 || ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
}

class PgServer
{
public:
    // folder must exist, be empty, and be short enough for a socket path.
    explicit PgServer(const QString &folder) : m_folder(folder) {}
    ~PgServer()
    {
        if (m_initialized) {
            setFrozen(false);
            stop();
        }
    }
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // Makes the cluster (user leeb, no password) and starts it; the reason on failure.
    bool init(QString *error)
    {
        for (const QString &version : QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (QFileInfo::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(version)))
                m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(version);
        }
        if (m_bin.isEmpty()) {
            *error = "no PostgreSQL server binaries under /usr/lib/postgresql (package postgresql)";
            return false;
        }
        QByteArray err;
        if (!giveToNobody(m_folder) ||
            runAsNobody(m_bin + "initdb", {"-D", data(), "-U", "leeb", "--auth=trust", "--no-locale", "--no-sync"},
                        m_folder, &err) != 0) {
            *error = "initdb failed: " + QString::fromLocal8Bit(err);
            return false;
        }
        m_initialized = true;
        if (!start(&err)) {
            *error = "the server did not start: " + QString::fromLocal8Bit(err);
            return false;
        }
        return true;
    }
    bool start(QByteArray *err = nullptr)
    {
        return runAsNobody(m_bin + "pg_ctl",
                           {"-D", data(), "-l", m_folder + "/pg.log", "-w", "-o",
                            "-k " + m_folder + " -c listen_addresses='' -F", "start"},
                           m_folder, err) == 0;
    }
    bool stop() { return runAsNobody(m_bin + "pg_ctl", {"-D", data(), "-m", "fast", "-w", "stop"}, m_folder) == 0; }
    // A new database; its location.
    QString createDatabase(const QString &name)
    {
        if (runAsNobody(m_bin + "createdb", {"-h", m_folder, "-U", "leeb", name}, m_folder) != 0)
            return QString();
        return QStringLiteral("postgresql://leeb@/%1?host=%2").arg(name, m_folder);
    }
    QString binaries() const { return m_bin; }

    // The postmaster and its children.
    QList<pid_t> processes() const
    {
        QFile pidFile(data() + "/postmaster.pid");
        if (!pidFile.open(QIODevice::ReadOnly))
            return {};
        const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toInt());
        QList<pid_t> found = {postmaster};
        for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + entry + "/stat");
            if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
                continue;
            // pid (name) state ppid ...: the name may hold spaces and parentheses.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && fields.at(1).toInt() == postmaster)
                found << pid_t(entry.toInt());
        }
        return found;
    }
    bool setFrozen(bool frozen) const
    {
        const QList<pid_t> all = processes();
        for (pid_t pid : all) {
            if (pid <= 0 || ::kill(pid, frozen ? SIGSTOP : SIGCONT) != 0)
                return false;
        }
        return !all.isEmpty();
    }
    // Blocks (no event loop) until count clients of database sit idle outside a transaction; false after ms.
    bool waitForIdleClients(const QString &database, int count, int ms) const
    {
        const QByteArray title = "postgres: leeb " + database.toUtf8() + " [local] idle";
        QDeadlineTimer deadline(ms);
        do {
            int idle = 0;
            for (pid_t pid : processes()) {
                QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
                const QByteArray shown = cmdline.open(QIODevice::ReadOnly) ? cmdline.readAll() : QByteArray();
                if (shown.startsWith(title) && !shown.contains("in transaction"))
                    ++idle;
            }
            if (idle >= count)
                return true;
            QThread::msleep(20);
        } while (!deadline.hasExpired());
        return false;
    }

private:
    QString data() const { return m_folder + "/pg"; }

    QString m_folder;
    QString m_bin;
    bool m_initialized = false;
};
