// The program as a process: --list-ports (with and without permission to open the port) and the second start; and
// the link state field of the window.
#include "instrument.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "singleinstance.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestInstance : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
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
        // Root opens whatever the mode bits say, so nobody lists root's terminal of mode 0600; an ordinary user lists
        // its own terminal of mode 0.
        const bool root = ::geteuid() == 0;
        QVERIFY(!denied ||
                QFile::setPermissions(port, root ? QFile::ReadOwner | QFile::WriteOwner : QFile::Permissions()));
        QStringList command{LEEB_PROGRAM_PATH, "--list-ports", "--port", port};
        if (denied && root)
            command = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"} + command;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM"); // no display needed
        env.remove("DISPLAY");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QDir::rootPath());
        p.start(command.takeFirst(), command);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY2(out.split('\n').contains(port + "\t-\t-\t-\t-\t" + access), qPrintable(out));
    }

    void secondStart()
    {
        // A temporary directory of its own keeps the socket apart from any window of the user's.
        QTemporaryDir tmp;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp.path());
        env.insert("XDG_DATA_HOME", tmp.path()); // the archive, away from the user's
        env.insert("QT_LOGGING_RULES", "leeb.*.debug=false;leeb.app.instance.debug=true");
        env.insert("LEEB_NAMED_PORTS_ONLY", "1"); // the window probes the named port alone, none of the host's
        QString log;
        QProcess first;
        auto start = [&](QProcess &p) {
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(tmp.path());
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(LEEB_PROGRAM_PATH, {"--port", "/dev/pts/nonexistent"});
        };
        QObject::connect(&first, &QProcess::readyRead, [&] { log += QString::fromLocal8Bit(first.readAll()); });
        for (const char *round : {"first start", "after a crash that left the socket behind"}) {
            start(first);
            QTRY_VERIFY2_WITH_TIMEOUT(log.contains("listening"), round, 10000);
            QProcess second;
            start(second);
            QVERIFY2(second.waitForFinished(10000), round);
            QCOMPARE(second.exitCode(), 0);
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
        const auto row = [&](const char *name, bool english, LinkState::Phase phase, PortStatus status) -> QTestData & {
            return QTest::newRow(name) << english
                                       << LinkState{phase, status == PortStatus::NoPort ? QString() : tty, status};
        };
        row("searching", false, LinkState::Searching, PortStatus::Ok) << "正在查找仪器… /dev/ttyQ7";
        row("connected", true, LinkState::Connected, PortStatus::Ok) << "Connected to /dev/ttyQ7";
        row("permission denied, device unknown", true, LinkState::NotFound, PortStatus::PermissionDenied)
            << "No permission to open /dev/ttyQ7";
        row("in use", true, LinkState::NotFound, PortStatus::InUse) << "/dev/ttyQ7 is in use by another program";
        // Device files of this user: one its group may use, one its group may only write (a terminal's crw--w----).
        const auto device = [&](const char *name, int mode) {
            const QString path = m_dir.filePath(name);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || ::chmod(qPrintable(path), mode) != 0)
                qFatal("cannot make %s", qPrintable(path));
            return path;
        };
        const QString shared = device("ttyGroup", 0660), own = device("ttyOwner", 0620);
        QTest::newRow("permission denied, the group may use it")
            << true << LinkState{LinkState::NotFound, shared, PortStatus::PermissionDenied}
            << QString("No permission to open %1: the user must be in the group that owns the device, %2")
                   .arg(shared, QFileInfo(shared).group());
        QTest::newRow("permission denied, the owner alone may use it")
            << false << LinkState{LinkState::NotFound, own, PortStatus::PermissionDenied}
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
