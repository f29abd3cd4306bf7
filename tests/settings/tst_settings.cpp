// The settings file: every key read and written under its exact name, hand-edited, untrusted and unwritable files.
#include "settings.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString FileName = QStringLiteral("PrintConfig.ini");

// A file as the program leaves it, every section filled; Chinese escaped as the Qt 5 writer does.
const QByteArray InUse = "[Archive]\nlocation=postgresql://leeb@lab-server:5432/hardness\n\n"
                         "[LineEdit]\nLOGOPath=logo.png\nbatch=B-17\ncompanyName=North Test Lab\n"
                         "inspector=\\x738b\\x5de5\nremark=\"recheck, flange side\"\n\n"
                         "[Link]\nlastPort=/dev/ttyUSB0\n\n"
                         "[MainWindow]\nlanguage=1\n";

// Replaces the settings file with these bytes; none at all for a null array.
bool prepare(const QByteArray &bytes)
{
    QFile file(FileName);
    if (bytes.isNull())
        return !file.exists() || file.remove();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray contents()
{
    QFile file(FileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
        QFile logo(QStringLiteral("logo.png"));
        QVERIFY(logo.open(QIODevice::WriteOnly)); // only its existence counts here
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("setup"); // o: others may write it (0666); n: nobody owns it (root only)
        // language | last port | archive location | batch | inspector | logo | remark | company
        QTest::addColumn<QString>("read");
        QTest::newRow("a file in use")
            << InUse << ""
            << QString::fromUtf8("1|/dev/ttyUSB0|postgresql://leeb@lab-server:5432/hardness|B-17|王工|logo.png|"
                                 "recheck, flange side|North Test Lab");
        QTest::newRow("no file: empty, language 0") << QByteArray() << ""
                                                    << "0|||||||";
        // Not trusted to say where data go: the location and the port; the rest stays on this station.
        for (const char *setup : {"o", "n"})
            QTest::addRow("%s: the location and port ignored", setup[0] == 'o' ? "writable by others" : "nobody's")
                << InUse << setup << QString::fromUtf8("1|||B-17|王工|logo.png|recheck, flange side|North Test Lab");
        QTest::newRow("hand-edited: unquoted commas, blanks, a deleted logo, a language that is no number")
            << QByteArray("[Archive]\nlocation =  /srv/lab,3/archive.sqlite  \n[LineEdit]\nremark=recheck,flange "
                          "side\nLOGOPath=gone.png\ncompanyName=UTF-8 \xe5\x8e\x82\n[MainWindow]\nlanguage=abc\n")
            << "" << QString::fromUtf8("0||/srv/lab,3/archive.sqlite||||recheck, flange side|UTF-8 厂");
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, setup);
        if (setup == "n" && ::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QVERIFY(prepare(file));
        const QByteArray name = QFile::encodeName(FileName);
        QVERIFY(file.isNull() || (::chmod(name, setup == "o" ? 0666 : 0644) == 0 &&
                                  ::chown(name, setup == "n" ? 65534 : ::geteuid(), ::getegid()) == 0));
        bool ignored = true;
        QCOMPARE(Settings::archiveLocation(&ignored).isEmpty() && ignored, !setup.isEmpty());
        const ReportHeader h = Settings::reportHeader();
        QTEST(QStringList({QString::number(Settings::language()), Settings::lastPort(), Settings::archiveLocation(),
                           h.batch, h.inspector, h.logoPath, h.remark, h.companyName})
                  .join('|'),
              "read");
        QCOMPARE(contents(), file.isNull() ? QByteArray("(none)") : file); // reading changes nothing
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("file"); // before; null: none
        QTest::addColumn<QString>("write");   // language N or header BATCH|INSPECTOR|LOGO|REMARK|COMPANY
        QTest::addColumn<QByteArray>("after");
        const QByteArray ascii = QByteArray(InUse).replace("\\x738b\\x5de5", "Wang");
        QTest::newRow("header into a file in use, the rest kept")
            << ascii << "header C-9|Li||none|South Works"
            << QByteArray("[Archive]\nlocation=postgresql://leeb@lab-server:5432/hardness\n\n[LineEdit]\nLOGOPath=\n"
                          "batch=C-9\ncompanyName=South Works\ninspector=Li\nremark=none\n\n"
                          "[Link]\nlastPort=/dev/ttyUSB0\n\n[MainWindow]\nlanguage=1\n");
        QTest::newRow("no file: the header, Chinese in UTF-8")
            << QByteArray() << QString::fromUtf8("header B-17|王工|||")
            << QByteArray(
                   "[LineEdit]\nLOGOPath=\nbatch=B-17\ncompanyName=\ninspector=\xe7\x8e\x8b\xe5\xb7\xa5\nremark=\n");
        QTest::newRow("language beside a text in UTF-8, which stays as it is")
            << QByteArray("[LineEdit]\ncompanyName=\xe5\x8e\x82\n") << "language 1"
            << QByteArray("[LineEdit]\ncompanyName=\xe5\x8e\x82\n\n[MainWindow]\nlanguage=1\n");
    }

    void write()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, write);
        QVERIFY(prepare(file));
        const QString argument = write.section(' ', 1);
        const QStringList f = argument.split('|');
        const bool ok = write.startsWith("language")
                            ? Settings::setLanguage(argument.toInt())
                            : Settings::setReportHeader({f.value(0), f.value(1), f.value(2), f.value(3), f.value(4)});
        QVERIFY(ok);
        QTEST(contents(), "after");
    }

    // A folder where the file should be cannot be written, even by root.
    void unwritable()
    {
        QVERIFY(prepare(QByteArray()) && QDir().mkdir(FileName));
        const bool written = Settings::setLanguage(1); // the header's failure: tests/report
        QVERIFY(QDir().rmdir(FileName) && !written);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
