// --list-ports, the second start, the single-instance socket's folder and foreign listeners, the link state text.
#include "../program.h"
#include "instrument.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtTest>

#include <csignal>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A listener of nobody's on path (bound first as root if asked) answering "raised" or silent; its pid, or -1.
pid_t plantListener(const QString &path, bool answers, bool bindAsRoot)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    int ready[2];
    const pid_t child = ::pipe(ready) == 0 ? ::fork() : -1;
    if (child == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const auto bound = [&] { return ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0; };
        if (fd < 0 || (bindAsRoot && !bound()) || ::setgroups(0, nullptr) != 0 ||
            ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0 ||
            (!bindAsRoot && !bound()) || ::listen(fd, 8) != 0 || ::write(ready[1], "+", 1) != 1)
            ::_exit(1);
        for (;;) {
            const int peer = ::accept(fd, nullptr, nullptr);
            char c = 0;
            while (answers && ::read(peer, &c, 1) == 1 && c != '\n') {
            }
            if (answers && ::write(peer, "raised\n", 7) != 7)
                ::_exit(1);
        }
    }
    char c = 0;
    const bool planted = child > 0 && ::close(ready[1]) == 0 && ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    return planted ? child : -1;
}

} // namespace

class TestInstance : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();

private slots:
    // Rows move the temporary and runtime folders; each test starts with the user's own.
    void cleanup()
    {
        for (const char *name : {"TMPDIR", "XDG_RUNTIME_DIR"})
            QVERIFY(m_environment.contains(name) ? qputenv(name, m_environment.value(name).toLocal8Bit())
                                                 : qunsetenv(name));
    }

    void listPorts_data()
    {
        QTest::addColumn<bool>("denied"); // the pseudo-terminal's mode keeps the listing user out
        QTest::addColumn<QString>("access");
        QTest::newRow("free") << false << "ok";
        QTest::newRow("no permission to open it") << true << "permission denied";
    }

    void listPorts()
    {
        QFETCH(bool, denied);
        QFETCH(QString, access);
        Instrument terminal;
        QVERIFY(terminal.open());
        const QString port = terminal.slavePath();
        // Root opens any mode: nobody lists root's 0600 terminal; an ordinary user its own of mode 0.
        const bool root = ::geteuid() == 0;
        QVERIFY(!denied ||
                QFile::setPermissions(port, root ? QFile::ReadOwner | QFile::WriteOwner : QFile::Permissions()));
        QStringList command{LEEB_PROGRAM_PATH, "--list-ports", "--port", port};
        if (denied && root)
            command = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"} + command;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM"); // no display needed
        env.remove("DISPLAY");
        const ProgramRun p = runProgram(command.takeFirst(), command, env, QDir::rootPath());
        QCOMPARE(p.exitCode, 0);
        const QString out = QString::fromLocal8Bit(p.out);
        QVERIFY2(out.split('\n').contains(port + "\t-\t-\t-\t-\t" + access), qPrintable(out));
    }

    // Where the socket lives: in a folder of this user's alone, or nowhere.
    void socketFolder_data()
    {
        QTest::addColumn<QString>("runtime");  // XDG_RUNTIME_DIR: none, private (0700) or open (0755)
        QTest::addColumn<QString>("own");      // <temp>/leeb-companion-UID beforehand: none, open (0777), this
                                               // user's socket (as older versions made), nobody's (root only)
        QTest::addColumn<QString>("expected"); // runtime, own (then made 0700), or none: no guard
        const auto row = [](const char *name, const char *runtime, const char *own, const char *expected) {
            QTest::newRow(name) << runtime << own << expected;
        };
        row("private runtime folder", "private", "none", "runtime");
        row("no runtime folder: made, mode 0700", "none", "none", "own");
        row("runtime folder open to others: not used", "open", "none", "own");
        row("own folder open to others: no guard", "none", "open", "none");
        row("an older version's socket at the folder's name: replaced", "none", "socket", "own");
        row("the folder another user's: no guard", "none", "nobody's", "none");
    }

    void socketFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, own);
        QFETCH(QString, expected);
        if (own == "nobody's" && ::geteuid() != 0)
            QSKIP("only root can make a folder another user's");
        QTemporaryDir tmp;
        const QString runtimeDir = tmp.filePath("runtime");
        const QString ownDir = tmp.filePath(QString("leeb-companion-%1").arg(::geteuid()));
        QVERIFY(QDir().mkdir(runtimeDir) &&
                ::chmod(QFile::encodeName(runtimeDir), runtime == "open" ? 0755 : 0700) == 0);
        QVERIFY(own != "open" || (QDir().mkdir(ownDir) && ::chmod(QFile::encodeName(ownDir), 0777) == 0));
        QVERIFY(own != "nobody's" || (QDir().mkdir(ownDir) && ::chown(QFile::encodeName(ownDir), 65534, 65534) == 0 &&
                                      ::chmod(QFile::encodeName(ownDir), 0700) == 0));
        QLocalServer planted;
        QVERIFY(own != "socket" || planted.listen(ownDir));
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        if (runtime == "none")
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir));
        const QString folder = expected == "runtime" ? runtimeDir : ownDir;
        QCOMPARE(SingleInstance::serverName(), expected == "none" ? QString() : folder + "/leeb-companion.socket");
        struct stat info;
        QVERIFY(expected == "none" ||
                (::lstat(QFile::encodeName(folder), &info) == 0 && (info.st_mode & 07777) == 0700));
        SingleInstance instance;
        QCOMPARE(instance.claim(), SingleInstance::First);
    }

    // Another user's listener at the old name or in the private folder: neither believed nor waited for.
    void foreignPeer_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("inPrivateFolder");
        QTest::newRow("at the old name, answering raised") << true << false;
        QTest::newRow("at the old name, never answering") << false << false;
        QTest::newRow("in the private folder, answering raised") << true << true;
    }

    void foreignPeer()
    {
        QFETCH(bool, answers);
        QFETCH(bool, inPrivateFolder);
        if (::geteuid() != 0)
            QSKIP("only root can run a listener as another user");
        QTemporaryDir tmp; // shared like /tmp: anyone may create, no one may remove another's file
        const QString runtime = tmp.filePath("runtime");
        QVERIFY(QDir().mkdir(runtime) && ::chmod(QFile::encodeName(runtime), 0700) == 0);
        QVERIFY(::chmod(QFile::encodeName(tmp.path()), 01777) == 0);
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        const QString path = inPrivateFolder ? runtime + "/leeb-companion.socket" : tmp.filePath("leeb-companion-0");
        const pid_t listener = plantListener(path, answers, inPrivateFolder);
        QVERIFY(listener > 0);
        const auto stop = qScopeGuard([listener] {
            ::kill(listener, SIGKILL);
            ::waitpid(listener, nullptr, 0);
        });
        QElapsedTimer started;
        started.start();
        SingleInstance instance;
        QCOMPARE(instance.claim(), SingleInstance::First);
        QVERIFY2(started.elapsed() < 1500, qPrintable(QString::number(started.elapsed())));
        // The name is this start's now: a later start of this user's finds it.
        QLocalSocket later;
        later.connectToServer(SingleInstance::serverName());
        QVERIFY(later.waitForConnected(1000) && later.write("raise\n") == 6);
        QTRY_VERIFY_WITH_TIMEOUT(later.bytesAvailable() >= 8, 5000);
        QCOMPARE(later.readAll(), QByteArray("running\n")); // no window to raise
    }

    void secondStart()
    {
        // Temporary directories of its own keep the socket apart from any window of the user's.
        QTemporaryDir tmp;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp.path());
        env.insert("XDG_RUNTIME_DIR", tmp.path());
        env.insert("XDG_DATA_HOME", tmp.path()); // the archive, away from the user's
        env.insert("QT_LOGGING_RULES", "leeb.*.debug=false;leeb.app.instance.debug=true");
        env.insert("LEEB_NAMED_PORTS_ONLY", "1"); // the window probes the named port alone, none of the host's
        QString log;
        const QStringList arguments{"--port", "/dev/pts/nonexistent"};
        QProcess first;
        first.setProcessEnvironment(env), first.setWorkingDirectory(tmp.path());
        first.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&first, &QProcess::readyRead, [&] { log += QString::fromLocal8Bit(first.readAll()); });
        for (const char *round : {"first start", "after a crash that left the socket behind"}) {
            first.start(LEEB_PROGRAM_PATH, arguments);
            QTRY_VERIFY2_WITH_TIMEOUT(log.contains("listening"), round, 10000);
            QCOMPARE(runProgram(LEEB_PROGRAM_PATH, arguments, env, tmp.path()).exitCode, 0);
            QTRY_VERIFY2_WITH_TIMEOUT(log.contains("asks for the window"), round, 5000);
            QCOMPARE(first.state(), QProcess::Running);
            first.kill();
            QVERIFY(first.waitForFinished(5000));
            log.clear();
        }
    }

    void stateField_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<LinkState>("state");
        QTest::addColumn<QString>("text");
        const QString tty = "/dev/ttyQ7"; // no such device: its group is unknown
        const auto row = [&](const char *name, bool english, LinkState::Phase phase, PortStatus status,
                             const QString &port = "/dev/ttyQ7") -> QTestData & {
            return QTest::newRow(name) << english
                                       << LinkState{phase, status == PortStatus::NoPort ? QString() : port, status};
        };
        row("searching", false, LinkState::Searching, PortStatus::Ok) << "正在查找仪器… /dev/ttyQ7";
        row("connected", true, LinkState::Connected, PortStatus::Ok) << "Connected to /dev/ttyQ7";
        row("permission denied, device unknown", true, LinkState::NotFound, PortStatus::PermissionDenied)
            << "No permission to open /dev/ttyQ7";
        row("in use", true, LinkState::NotFound, PortStatus::InUse) << "/dev/ttyQ7 is in use by another program";
        // Device files of this user: one its group may use, one its group may only write (a terminal's crw--w----).
        const auto device = [&](const char *name, int mode) {
            QFile file(m_dir.filePath(name));
            if (!file.open(QIODevice::WriteOnly) || ::chmod(QFile::encodeName(file.fileName()), mode) != 0)
                qFatal("cannot make %s", name);
            return file.fileName();
        };
        const QString shared = device("ttyGroup", 0660), own = device("ttyOwner", 0620);
        row("permission denied, the group may use it", true, LinkState::NotFound, PortStatus::PermissionDenied, shared)
            << QString("No permission to open %1: the user must be in the group that owns the device, %2")
                   .arg(shared, QFileInfo(shared).group());
        row("permission denied, the owner alone may use it", false, LinkState::NotFound, PortStatus::PermissionDenied,
            own)
            << QString("无权打开 %1：该设备只允许 %2 使用").arg(own, QFileInfo(own).owner());
        // A lock file whose process is gone, where the serial port puts its own (Linux allots no id above 2^22).
        const QString lock = QString("/var/lock/LCK..ttyQ%1").arg(QCoreApplication::applicationPid());
        QFile stale(lock);
        if (stale.open(QIODevice::WriteOnly) && stale.write("   9999999\n") == 11)
            QTest::newRow("in use by a stale lock file")
                << true << LinkState{LinkState::NotFound, lock.section("..", 1), PortStatus::InUse}
                << QString("%1 is held by the stale lock file %2 (its process is gone)")
                       .arg(lock.section("..", 1), lock);
        row("no port at all", false, LinkState::NotFound, PortStatus::NoPort) << "没有任何串口";
        row("no answer", true, LinkState::NotFound, PortStatus::NoAnswer) << "No instrument answers on /dev/ttyQ7";
    }

    void stateField()
    {
        QFETCH(bool, english);
        QFETCH(LinkState, state);
        initResources();
        QTranslator translator;
        QVERIFY(!english || (translator.load(":/english.qm") && QCoreApplication::installTranslator(&translator)));
        QTEST(MainWindow::linkStateText(state), "text");
    }

    void cleanupTestCase() { QFile::remove(QString("/var/lock/LCK..ttyQ%1").arg(QCoreApplication::applicationPid())); }
};

QTEST_MAIN(TestInstance)
#include "tst_instance.moc"
