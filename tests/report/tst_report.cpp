// The workbook read back with openpyxl, the PDF report with poppler, saving, CSV fields and the print dialog.
#include "../program.h"
#include "csvfile.h"
#include "excelexport.h"
#include "print.h"
#include "reportfile.h"
#include "reportgroups.h"
#include "settings.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Enough CSV rows to fill a pipe several times over.
QList<CsvGroup> csvRows(int count)
{
    GroupRecord record;
    record.groupValue = 450, record.impacts[0] = 450, record.month = 3, record.day = 1;
    QList<CsvGroup> rows;
    while (rows.size() < count)
        rows.append({1, "lab-3", "COM1", 0, QDateTime(QDate(2026, 3, 1), QTime(9, 5)), record, {}, {}});
    return rows;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Runs work in a child, as nobody and with files limited to 2 KiB (a disk full) if asked; its outcome, *said its text.
bool inChild(bool nobody, bool limited, const std::function<bool(QString *)> &work, QString *said)
{
    int channel[2];
    const pid_t child = ::pipe(channel) == 0 ? ::fork() : -1;
    if (child == 0) {
        const rlimit limit = {2048, 2048};
        std::signal(SIGXFSZ, SIG_IGN);
        if ((limited && ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ||
            (nobody && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                        ::setresuid(65534, 65534, 65534) != 0)))
            ::_exit(2);
        QString text;
        const char *outcome = work(&text) ? "+" : "-"; // before text is read: operands are not sequenced
        const QByteArray bytes = outcome + text.toUtf8();
        ::_exit(::write(channel[1], bytes.constData(), size_t(bytes.size())) == bytes.size() ? 0 : 2);
    }
    QFile reader;
    const bool read = child > 0 && ::close(channel[1]) == 0 &&
                      reader.open(channel[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QString text = read ? QString::fromUtf8(reader.readAll()) : QString();
    *said = text.mid(1);
    int status = -1;
    return read && ::waitpid(child, &status, 0) == child && status == 0 && text.startsWith('+');
}

// Hands a file over to the user the saving runs as: nobody when the test runs as root, else the user running it.
void ownToSaver(const QString &path, mode_t mode)
{
    QVERIFY(::geteuid() != 0 || ::lchown(QFile::encodeName(path), 65534, 65534) == 0);
    QVERIFY(QFileInfo(path).isSymLink() || ::chmod(QFile::encodeName(path), mode) == 0);
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void workbook_data()
    {
        QTest::addColumn<Groups>("groups");
        QTest::addColumn<Traces>("traces");
        QTest::addColumn<bool>("inEnglish");
        QTest::addColumn<QStringList>("rows"); // of Sheet1, below title, legend and headers
        QTest::addColumn<QStringList>("data"); // of the sheet Data, below its headers: type (number, date, text):value

        MeasurementGroup markers = hardnessGroup(), many = hardnessGroup();
        markers.setResult(ScaleHL, shown(999.99)); // rounded half up once, to 1000
        markers.setResult(ScaleHS, {0.0, ConversionStatus::BelowRange});
        markers.setResult(ScaleHB, {0.0, ConversionStatus::NoTable});
        markers.setResult(ScaleHRC, {88.0, ConversionStatus(9)}); // a status no table knows
        many.measured = QDateTime();                              // a day no calendar has
        many.impacts.clear();
        QStringList values, cells;
        for (int i = 0; i < 32; ++i) {
            many.impacts << 400.4 + i;
            values << QString::number(400 + i);
            cells << QStringLiteral("n:%1.4").arg(400 + i);
        }
        const QString hardness = QString::fromUtf8("|3/1 9:5|D|向下|HRC|钢和铸钢|450|HI|60|300|45|470|---|");
        const QString strength = QString::fromUtf8("|12/31 23:59|D|90°|STR|碳钢|520|---|---|---|---|---|1234|1|520");
        const QString hardnessData = QString::fromUtf8("|s:D|s:向下|s:HRC|s:钢和铸钢|n:450||n:60|n:300|n:45|n:470||");
        const QString strengthData =
            QString::fromUtf8("|d:2026-12-31 23:59:00|s:D|s:90°|s:STR|s:碳钢|n:520||||||n:1234|n:1|n:520");
        // After the 32 impact columns: part, heat, location, operator, limit scale, low, high, verdict, then the
        // impacts' mean, standard deviation and range. 448, 452, 450: mean 450, squares 8 / 2, root 2, range 4.
        const QString untraced = QString("|").repeated(8) + "|n:450|n:2|n:4";
        const QString oneImpact = "|n:520||n:0"; // no deviation for one impact
        GroupTrace high, judged;
        high.limit.scale = ScaleHL, high.limit.high = 990; // 999.99 shows 1000
        judged.tags = {"P-7", "H12", "weld 3, HAZ", QString::fromUtf8("王工"), "not written"};
        judged.limit.scale = ScaleSTR, judged.limit.low = 1200, judged.limit.high = 1300;
        // 400.4 to 431.4: mean 415.9 shows 416; squares 32 * (32^2 - 1) / 12 = 2728, / 31 = 88, root 9.38; 431 - 400.
        const QString manyTrace = QString("|").repeated(8) + "|n:416|n:9.4|n:31";
        QTest::newRow("empty list: headers only") << Groups{} << Traces{} << false << QStringList{} << QStringList{};
        QTest::newRow("HI, LO, ---, strength, 32 impacts, a day no calendar has, traced and judged")
            << Groups{markers, strengthGroup(), many} << Traces{high, judged} << false
            << QStringList{"1" + QString(hardness).replace("450|HI|60|300|45", "1000|HI|LO|---|---") + "3|448,452,450",
                           "2" + strength,
                           "3" + QString(hardness).replace("3/1 9:5", QString::fromUtf8("日期无效")) + "32|" +
                               values.join(',')}
            << QStringList{
                   "n:1|d:2026-03-01 09:05:00" + QString(hardnessData).replace("n:450||n:60|n:300|n:45", "n:1000||||") +
                       "n:3|n:448|n:452|n:450" + QString("|").repeated(33) +
                       QString::fromUtf8("|s:HL||n:990|s:偏高|n:450|n:2|n:4"),
                   "n:2" + strengthData + QString("|").repeated(31) +
                       QString::fromUtf8("|s:P-7|s:H12|s:weld 3, HAZ|s:王工|s:STR|n:1200|n:1300|s:合格") + oneImpact,
                   "n:3|" + hardnessData + "n:32|" + cells.join('|') + manyTrace};
        GroupTrace low;
        low.limit.scale = ScaleSTR, low.limit.low = 1300;
        QTest::newRow("English texts, group texts as downloaded")
            << Groups{strengthGroup(), hardnessGroup()} << Traces{low} << true
            << QStringList{"1" + strength, "2" + hardness + "3|448,452,450"}
            << QStringList{"n:1" + strengthData + QString("|").repeated(35) + "|s:STR|n:1300||s:Low" + oneImpact,
                           "n:2|d:2026-03-01 09:05:00" + hardnessData + "n:3|n:448|n:452|n:450" +
                               QString("|").repeated(29) + untraced};
    }

    void workbook()
    {
        QFETCH(Groups, groups);
        QFETCH(Traces, traces);
        QFETCH(bool, inEnglish);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, data);
        QTranslator translator;
        const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
        QVERIFY(!inEnglish || (translator.load(":/english.qm") && QCoreApplication::installTranslator(&translator)));
        QVERIFY(exportExcel(QStringLiteral("book.xlsx"), groups, traces));
        const QJsonObject book = QJsonDocument::fromJson(run("/usr/bin/python3", {READXLSX, "book.xlsx"})).object();
        QCOMPARE(book["sheets"].toVariant().toStringList(), QStringList({"Sheet1", "Data", "Sheet1"}));

        // Sheet1 as other programs read it: every cell text ("s") in one font, the title large, the headers bold.
        const QString top = inEnglish
                                ? "Leeb Hardness tester measurement report\nLO:low||HI:high||---: Cannot be "
                                  "calculated||||||||%1\nNO|Meas.date|Impact device|Impact direction|Meas.type|"
                                  "Materials|HL|HRB|HS|HB|HRC|HV|STR|Meas.times|Meas.value"
                                : "里氏硬度计测量报告\nLO: 测值过小||HI: 测值过大||---: 无法计算||||||||%1\nNO|"
                                  "测量日期|冲击装置|冲击方向|测量类型|材料|HL|HRB|HS|HB|HRC|HV|STR|测量次数|测量数值";
        const QStringList texts = top.arg(QDate::currentDate().toString("yyyy-MM-dd")).split('\n') + rows;
        QCOMPARE(book["texts"].toVariant().toStringList(), texts);
        QCOMPARE(book["merged"].toVariant().toStringList(), QStringList({"A1:O1", "A2:B2", "C2:D2", "E2:F2", "M2:N2"}));
        const QString cell = "s Microsoft YaHei 11 normal center center";
        QStringList formats = {"s Microsoft YaHei 22 bold center center",
                               cell + "||" + cell + "||" + cell + "||||||||s Microsoft YaHei 11 normal right center",
                               QString("s Microsoft YaHei 11 bold center center|").repeated(15).chopped(1)};
        while (formats.size() < texts.size())
            formats << (cell + '|').repeated(15).chopped(1);
        QCOMPARE(book["formats"].toVariant().toStringList(), formats);

        // Data: the headers without the joined impacts, a column per impact, the trace; frozen and filtered.
        QStringList headers = texts.at(2).split('|').mid(0, 14);
        for (int impact = 1; impact <= 32; ++impact)
            headers << QString::number(impact);
        headers << (inEnglish ? QString("Part|Heat|Location|Operator|Limit scale|Lower limit|Upper limit|Verdict|"
                                        "Average (HL)|SD (HL)|Range (HL)")
                              : QString::fromUtf8("零件|炉批号|位置|操作员|限值标尺|下限|上限|判定|平均值 (HL)|"
                                                  "标准差 (HL)|极差 (HL)"))
                       .split('|');
        QCOMPARE(book["data"].toVariant().toStringList(), QStringList("s:" + headers.join("|s:")) + data);
        QCOMPARE(book["frozen"].toString() + " " + book["filter"].toString(),
                 "A2 A1:BE" + QString::number(groups.size() + 1));
    }

    void saving_data()
    {
        QTest::addColumn<QString>("name"); // link.* points to real.*, full.* to /dev/full; the .ini: report fields
        // o old file (0640), l longer, r read-only, d folder read-only, n nobody, R root, f disk full, p pipe, c cat
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("error"); // empty: saved
        const auto row = [](const char *name, const QString &file, const char *setup, const char *error) {
            QTest::newRow(name) << file << setup << error;
        };
        row("over an old report, mode and owner kept", "old.pdf", "o", "");
        row("read-only file, as nobody: refused", "old.xlsx", "orn", "Permission denied");
        row("read-only file, as root, whom the system lets write", "old.pdf", "orR", "");
        row("link followed and kept", "link.xlsx", "on", "");
        row("longer file in a read-only folder, as nobody: in place, its tail cut", "old.xlsx", "oldn", "");
        row("new file in a read-only folder, as nobody", "new.xlsx", "dn", "Permission denied");
        // The hidden temporary file beside it takes 8 bytes more than the name.
        row("new report, a name of 250 bytes", QString(246, 'n') + ".pdf", "", "");
        row("report, disk full half way", "old.pdf", "of", "File too large");
        row("report, disk full, in place", "old.pdf", "odnf", "File too large");
        row("workbook, disk full while made", "old.xlsx", "of", "File too large");
        row("a device written, not replaced", "full.pdf", "", "No space left on device");
        row("CSV to a device through a link", "null.csv", "", "");
        // Named pipes, p: one a reader empties (more than a pipe holds), one nobody reads (a bounded wait).
        row("CSV into a named pipe with a reader: whole", "pipe.csv", "pc", "");
        row("CSV into a named pipe nobody reads: refused", "pipe.csv", "p", "no program reads the named pipe");
        row("a folder", "folder.xlsx", "", "Is a directory");
        row("unknown extension", "new.txt", "", "must end in .xlsx");
        // The settings writer lets root write a read-only file or folder, so nobody tries.
        row("settings, as nobody", "PrintConfig.ini", "on", "");
        row("settings, read-only file, as nobody", "PrintConfig.ini", "orn", "not written");
        row("settings, read-only folder, as nobody", "PrintConfig.ini", "odn", "not written");
    }

    // The batch export's writing, which the buttons share: whatever happens, the file there is never destroyed.
    void saving()
    {
        QFETCH(QString, name);
        QFETCH(QString, setup);
        QFETCH(QString, error);
        const bool root = ::geteuid() == 0;
        if (setup.contains('R') && !root)
            QSKIP("only root may write a file its mode bits keep read-only");
        QTemporaryDir dir;
        // An ordinary user cannot empty a folder it has made read-only.
        const auto writable = qScopeGuard([&] { ::chmod(QFile::encodeName(dir.path()), 0700); });
        const QString real = name.startsWith("link") ? "real." + QFileInfo(name).suffix() : name;
        const QString target = dir.filePath(name);
        const mode_t mode = setup.contains('r') ? 0440 : 0640;
        const QByteArray tail = setup.contains('l') ? QByteArray("old tail\n").repeated(100000) : QByteArray();
        QFile old(dir.filePath(real));
        QVERIFY(!setup.contains('o') ||
                (old.open(QIODevice::WriteOnly) && old.write("old=1\n" + tail) == 6 + tail.size() && old.flush()));
        QVERIFY(real == name || QFile::link(real, target));
        const bool device = name.startsWith("full") || name.startsWith("null");
        QVERIFY(!device || QFile::link("/dev/" + name.section('.', 0, 0), target));
        QVERIFY(!setup.contains('p') || ::mkfifo(QFile::encodeName(target), 0600) == 0);
        QTemporaryDir readerDir;
        QProcess reader;
        reader.setStandardOutputFile(readerDir.filePath("read"));
        if (setup.contains('c'))
            reader.start("cat", {target});
        QVERIFY(QDir(dir.path()).mkdir("folder.xlsx"));
        QStringList files = filesIn(dir.path());
        for (const QString &file : files)
            ownToSaver(dir.filePath(file), mode);
        ownToSaver(dir.path(), setup.contains('d') ? 0555 : 0755);

        QString said;
        const auto write = [&](QString *reason) {
            if (name.endsWith(".csv"))
                return writeCsvFile(target, csvRows(1000), reason);
            if (!name.endsWith(".ini"))
                return writeReportFile(target, {}, hardnessGroups(30), reason);
            *reason = QDir::setCurrent(dir.path()) && Settings::setReportHeader({}) ? "" : "not written";
            return reason->isEmpty();
        };
        const bool saved = inChild(root && setup.contains('n'), setup.contains('f'), write, &said);
        QVERIFY2(saved == error.isEmpty() && said.contains(error), qPrintable(said));
        QCOMPARE(QFileInfo(target).isSymLink(), real != name || device);
        struct stat kept;
        QVERIFY(!setup.contains('p') || (::stat(QFile::encodeName(target), &kept) == 0 && S_ISFIFO(kept.st_mode)));
        const QByteArray expected = !saved                 ? (setup.contains('o') ? "old" : "")
                                    : name.endsWith("pdf") ? "%PDF"
                                    : name.endsWith("ini") ? "[General]\nold=1"
                                    : name.endsWith("csv") ? "download,station,"
                                                           : "PK";
        QVERIFY(!setup.contains('c') || reader.waitForFinished(10000));
        const QByteArray content = device                ? expected
                                   : setup.contains('c') ? contentOf(readerDir.filePath("read"))
                                   : setup.contains('p') ? QByteArray()
                                                         : contentOf(dir.filePath(real));
        QVERIFY(!setup.contains('c') || content.count('\n') == 1001); // the header and every row
        QCOMPARE(content.left(expected.size()), expected);
        QVERIFY(!saved || tail.isEmpty() || !content.contains("old tail")); // a file written in place is cut to length
        struct stat info;
        if (saved && setup.contains('o'))
            QVERIFY(::stat(QFile::encodeName(dir.filePath(real)), &info) == 0 && (info.st_mode & 07777) == mode &&
                    info.st_uid == (root ? 65534 : ::geteuid()));
        if (saved && !files.contains(real))
            files << real;
        files.sort();
        QCOMPARE(filesIn(dir.path()), files); // no temporary file left
    }

    // Host, port and tags come from outside: none may open as a formula or break a row. Then limit, verdict, spread.
    void csvFields_data()
    {
        QTest::addColumn<QStringList>("texts"); // station, port, part, heat, location, operator
        QTest::addColumn<QString>("limit");     // scale code:low:high
        QTest::addColumn<QString>("head");      // the line's first four fields
        QTest::addColumn<QString>("tail");      // after the impacts 448 452 450: mean 450, squares 8 / 2, root 2
        const auto row = [](const char *name, const QStringList &texts, const char *limit, const char *head,
                            const char *tail) {
            QTest::newRow(name) << texts << limit << QString::fromUtf8(head) << QString::fromUtf8(tail);
        };
        const char *untraced = ",,,,,,,,450,2.0,4,no\n";
        row("host name starting with '=', with quotes and a comma", {"=HYPERLINK(\"http://x.example\",\"y\")", "COM1"},
            "2::", R"csv(1,"'=HYPERLINK(""http://x.example"",""y"")",COM1,1,)csv", untraced);
        row("port name with a CR inside: quoted", {"lab", "COM\r3"}, "2::", "1,lab,\"COM\r3\",1,", untraced);
        row("+, - and @ first", {"+1-2", "-x"}, "2::", "1,'+1-2,'-x,1,", untraced);
        row("@, a tab and a CR first", {"@SUM(A1)", "\tx\ry"}, "2::", "1,'@SUM(A1),\"'\tx\ry\",1,", untraced);
        row("tagged, judged in HL", {"lab", "p", "P-7", "H 12", "weld 3, HAZ", QString::fromUtf8("王工")}, "0:440:460",
            "1,lab,p,1,", "P-7,H 12,\"weld 3, HAZ\",王工,HL,440,460,pass,450,2.0,4,no\n");
        row("lower bound only, below it", {"lab", "p"}, "0:455:", "1,lab,p,", ",,,,HL,455,,low,450,2.0,4,no\n");
        row("strength limit on a hardness group", {"lab", "p"}, "7::1300", "1,lab,p,",
            ",,,,STR,,1300,not_judged,450,2.0,4,no\n");
        row("tags that start like formulas", {"lab", "p", "=SUM(A1)", "-12", "+x", "@me"}, "2::", "1,lab,p,",
            "'=SUM(A1),'-12,'+x,'@me,,,,,450,2.0,4,no\n");
    }

    void csvFields()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, limit);
        QFETCH(QString, head);
        CsvGroup group = csvRows(1).first();
        group.record.device = DeviceD, group.record.scale = ScaleHRC, group.record.impactCount = 3;
        group.record.impacts[0] = 448, group.record.impacts[1] = 452, group.record.impacts[2] = 450;
        group.station = texts[0], group.port = texts[1];
        group.tags = {texts.value(2), texts.value(3), texts.value(4), texts.value(5), "not written"};
        const QStringList bounds = limit.split(':');
        group.limit.scale = HardnessScale(bounds[0].toInt());
        if (!bounds[1].isEmpty())
            group.limit.low = bounds[1].toInt();
        if (!bounds[2].isEmpty())
            group.limit.high = bounds[2].toInt();
        const QString line = csvLine(group); // numbers stay numbers, one line
        QVERIFY2(line.startsWith(head) && line.count('\n') == 1, qPrintable(line));
        QTEST(line.mid(line.indexOf("448 452 450,") + 12), "tail");
    }
};

// Runs in a folder of its own, since the settings file is ./PrintConfig.ini.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QTemporaryDir folder;
    TestReport test;
    return folder.isValid() && QDir::setCurrent(folder.path()) ? QTest::qExec(&test, argc, argv) : 1;
}

#include "tst_report.moc"
