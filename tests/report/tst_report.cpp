// The workbook read back with openpyxl, the PDF report with poppler, saving, CSV fields and the print dialog.
#include "../program.h"
#include "csvfile.h"
#include "excelexport.h"
#include "print.h"
#include "reportfile.h"
#include "settings.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(MeasurementGroup)
Q_DECLARE_METATYPE(GroupTrace)
using Groups = QList<MeasurementGroup>;
using Traces = QList<GroupTrace>;

namespace {

ConversionResult shown(double value)
{
    return {value, ConversionStatus::Ok};
}

// Numbered into its date, so that rows can be told apart. HRB is above its range, strength not available.
MeasurementGroup hardnessGroup(int number = 1)
{
    MeasurementGroup g;
    g.impacts = {448, 452, 450};
    g.dateText = QStringLiteral("3/%1 9:5").arg(number);
    g.measured = QDateTime(QDate(2026, 3, 1), QTime(9, 5));
    g.deviceName = QStringLiteral("D"), g.directionName = QString::fromUtf8("向下");
    g.scale = ScaleHRC, g.scaleName = QStringLiteral("HRC"), g.materialName = QString::fromUtf8("钢和铸钢");
    g.setResult(ScaleHL, shown(450)), g.setResult(ScaleHRB, {0.0, ConversionStatus::AboveRange});
    g.setResult(ScaleHS, shown(60)), g.setResult(ScaleHB, shown(300)), g.setResult(ScaleHRC, shown(45));
    g.setResult(ScaleHV, shown(470)), g.setResult(ScaleSTR, {0.0, ConversionStatus::NotAvailable});
    return g;
}

Groups hardnessGroups(int count)
{
    Groups groups;
    for (int i = 1; i <= count; ++i)
        groups << hardnessGroup(i);
    return groups;
}

MeasurementGroup strengthGroup()
{
    MeasurementGroup g = hardnessGroup();
    g.impacts = {520};
    g.dateText = QStringLiteral("12/31 23:59"), g.measured = QDateTime(QDate(2026, 12, 31), QTime(23, 59));
    g.directionName = QString::fromUtf8("90°"), g.scale = ScaleSTR, g.scaleName = "STR", g.materialName = "碳钢";
    for (HardnessScale scale : {ScaleHRB, ScaleHS, ScaleHB, ScaleHRC, ScaleHV})
        g.setResult(scale, {0.0, ConversionStatus::NotAvailable});
    g.setResult(ScaleHL, shown(520)), g.setResult(ScaleSTR, shown(1234));
    return g;
}

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

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// Closes the dialog as the operator does and waits until it is gone.
bool closeDialog(Print *dialog)
{
    QPointer<Print> guard(dialog);
    dialog->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 5000);
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

    void valuesCell_data()
    {
        // Under a report row's value: the group's own type even without a number, other scales only with one.
        QTest::addColumn<MeasurementGroup>("group");
        QTest::addColumn<QString>("cell");
        MeasurementGroup high = hardnessGroup(), low = strengthGroup();
        high.setResult(ScaleHRC, {0.0, ConversionStatus::AboveRange});
        low.setResult(ScaleSTR, {0.0, ConversionStatus::BelowRange});
        QTest::newRow("HRC above its range, HRB too: HRC alone named") << high << "HL:450 HS:60 HB:300 HRC:HI HV:470";
        QTest::newRow("strength below its range, with its HL") << low << "HL:520 STR:LO";
    }

    void valuesCell()
    {
        QFETCH(MeasurementGroup, group);
        QTEST(PaintBase::valuesText(group), "cell");
    }

    void pageCount_data()
    {
        // Page 1 holds 14 rows, 13 with the conversion and signature lines; later pages 21, or 19 on the last.
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("pages");
        QTest::newRow("none: one page with the empty table") << 0 << 1;
        QTest::newRow("13: all on page 1 with the signatures") << 13 << 1;
        QTest::newRow("14: page 1 full, its last row goes with the signatures") << 14 << 2;
        QTest::newRow("33: 14, then 19 with the signatures") << 33 << 2;
        QTest::newRow("34: 14, 19, 1") << 34 << 3;
        QTest::newRow("54: 14, 21, 19") << 54 << 3;
        QTest::newRow("55: 14, 21, 19, 1") << 55 << 4;
    }

    void pageCount()
    {
        QFETCH(int, groups);
        QTEST(PaintBase::pageCount({QVector<MeasurementGroup>(groups).toList(), {}}), "pages");
    }

    void tracedReport_data()
    {
        QTest::addColumn<Groups>("groups");
        QTest::addColumn<Traces>("traces");
        QTest::addColumn<bool>("inEnglish");
        QTest::addColumn<QStringList>("texts"); // each must appear in the PDF's text
        MeasurementGroup low = hardnessGroup(1), pass = hardnessGroup(2), high = hardnessGroup(3);
        low.setResult(ScaleHL, shown(450)), pass.setResult(ScaleHL, shown(460)), high.setResult(ScaleHL, shown(470));
        GroupTrace weld;
        weld.tags = {"P-7", "H12", "weld 3", QString::fromUtf8("王工"), "not written"};
        weld.limit.scale = ScaleHL, weld.limit.low = 455, weld.limit.high = 465;
        // 450, 460, 470: mean 460, squares 100 + 0 + 100 over 2, root 10.
        QTest::newRow("one part judged in HL: low, pass, high")
            << Groups{low, pass, high} << Traces{weld, weld, weld} << false
            << QString::fromUtf8("P-7|H12|weld 3|王工|偏低|合格|偏高|零件: P-7|炉批号: H12|限值: HL 455–465|组数: 3|"
                                 "已判定: 3|合格: 1|平均值: 460 HL|标准差: 10.0 HL|"
                                 "按仪器钢和铸钢材料换算表换算；换算硬度值仅供参考|检验员：|审核：")
                   .split('|');
        GroupTrace first = weld, other = weld;
        first.limit = other.limit = {ScaleHB, std::nullopt, 250}; // HB 300: high
        other.tags.part = "P-8";
        // HL 450, 460, 520: mean 476.67; squares 711.1 + 277.8 + 1877.8 = 2866.7 over 2, root 37.86.
        QTest::newRow("two parts, a group untraced, two materials, in English")
            << Groups{low, pass, strengthGroup()} << Traces{first, other} << true
            << QStringList{"Part: several",
                           "Heat: several",
                           "Limit: HB ≤ 250",
                           "Groups: 3",
                           "Judged: 2",
                           "Pass: 0",
                           "Mean: 477 HL",
                           "SD: 37.9 HL",
                           "High",
                           "Inspector:",
                           QString::fromUtf8("converted with the instrument's tables for 钢和铸钢, 碳钢; converted "
                                             "hardness values are approximate")};
    }

    // A report of tagged, judged groups carries the tags, the verdicts, the summary and the conversion line.
    void tracedReport()
    {
        QFETCH(Groups, groups);
        QFETCH(Traces, traces);
        QFETCH(bool, inEnglish);
        QFETCH(QStringList, texts);
        QTranslator translator;
        const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
        QVERIFY(!inEnglish || (translator.load(":/english.qm") && QCoreApplication::installTranslator(&translator)));
        QString error;
        QVERIFY2(writeReportFile(QStringLiteral("traced.pdf"), {}, groups, &error, traces), qPrintable(error));
        const QString text = QString::fromUtf8(run("pdftotext", {"traced.pdf", "-"})).simplified();
        QStringList missing;
        for (const QString &wanted : texts) {
            if (!text.contains(wanted))
                missing << wanted;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(" | ") + "\n" + text));
    }

    // 44 groups on three A4 pages, header and logo on page 1 only; a later report shows none of this one's header.
    void reportPages()
    {
        QVERIFY(QImage(":/rc/logo.png").save(QStringLiteral("north.png")));
        Groups groups = hardnessGroups(43) << strengthGroup();
        groups.last().dateText = QStringLiteral("3/44 9:5");
        groups[19].measured = QDateTime(); // its row shows the mark instead of its date
        const ReportHeader header = {"B-17", QString::fromUtf8("王工"), "north.png", "recheck, flange side",
                                     "North Test Lab"};
        QString error;
        QVERIFY2(writeReportFile(QStringLiteral("report.pdf"), header, groups, &error), qPrintable(error));
        const QByteArray info = run("pdfinfo", {"report.pdf"}); // three pages, A4 portrait
        QVERIFY2(QString(info).contains(
                     QRegularExpression("(?s)Pages: +3\\n.*Page size: +595[.\\d]* x 84\\d[.\\d]* pts \\(A4\\)")),
                 info);
        // Per page: first-last xrows, then how often each text appears (Chinese ones: the font is embedded).
        QStringList pages;
        for (const QString page : {"1", "2", "3"}) {
            const QString text =
                QString::fromUtf8(run("pdftotext", {"-layout", "-f", page, "-l", page, "report.pdf", "-"}));
            QStringList rows;
            auto row = QRegularExpression("^ +3/(\\d+) ", QRegularExpression::MultilineOption).globalMatch(text);
            while (row.hasNext())
                rows << row.next().captured(1);
            QString seen = QStringLiteral("%1-%2 x%3").arg(rows.value(0), rows.value(rows.size() - 1)).arg(rows.size());
            for (const QString &what :
                 {page + "/3\n", QString("钢和铸钢"), QString("碳钢"), QString("North Test Lab"), QString("B-17"),
                  QString("recheck, flange side"), QString("王工"), QString("HI: 测值过大"), QString("日期无效"),
                  QString("按仪器钢和铸钢、碳钢材料"), QString("检验员：")})
                seen += ' ' + QString::number(text.count(what));
            pages << seen;
        }
        // The conversion line names both materials once, on the last page with the signatures.
        QCOMPARE(pages, QStringList({"1-14 x14 1 14 0 1 1 1 1 1 0 0 0", "15-35 x20 1 21 0 0 0 0 0 1 1 0 0",
                                     "36-44 x9 1 9 2 0 0 0 0 1 0 1 1"}));

        QVERIFY(savePdf(QStringLiteral("south.pdf"), {"C-9", "Zhao", "", "first run", "South Works"},
                        {{hardnessGroup()}, {}}));
        const QByteArray text = run("pdftotext", {"south.pdf", "-"}),
                         images = run("pdfimages", {"-list", "report.pdf"}),
                         southImages = run("pdfimages", {"-list", "south.pdf"});
        // pdfimages lists each image a line below two lines of headings; the logo comes with its alpha mask.
        QString seen = QStringLiteral("images %1 %2,").arg(images.count('\n') - 2).arg(southImages.count('\n') - 2);
        for (const char *field :
             {"North Test Lab", "B-17", "王工", "recheck", "South Works", "C-9", "Zhao", "first run"})
            seen += ' ' + QString::number(text.count(field));
        QCOMPARE(seen, "images 2 0, 0 0 0 0 1 1 1 1");
    }

    // Pages flipped, fields to preview, PDF and settings file, and an unwritable settings file reported.
    void printDialog()
    {
        QVERIFY(QImage(":/rc/logo.png").save(QStringLiteral("logo.png")));
        QStringList texts = {QString::fromUtf8("华东检测中心"), "logo.png", "B-17", QString::fromUtf8("复检"),
                             QString::fromUtf8("王工")};
        const char *const names[] = {"companyName", "LOGO", "batch", "remark", "inspector"};
        Print *dialog = new Print({hardnessGroups(44), {}}, nullptr);
        const auto field = [&](int i) { return dialog->findChild<QLineEdit *>(QString("lineEdit_") + names[i]); };
        const auto previewed = [&] {
            const ReportHeader h = dialog->findChild<OutputPreview *>(QStringLiteral("widget"))->header();
            return QStringList({h.companyName, h.logoPath, h.batch, h.remark, h.inspector});
        };
        const PaintCounter *paints = new PaintCounter(dialog->findChild<OutputPreview *>(QStringLiteral("widget")));
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTRY_VERIFY(paints->count > 0);
        const auto paintedSince = [&](int before) {
            return QTest::qWaitFor([&] { return paints->count > before; }, 1000);
        };
        QStringList pages; // "*": the preview shows the grey header labels of page 1; "still": it did not paint
        for (const QChar click : QStringLiteral("LRRRLL")) {
            const int before = paints->count;
            QTest::mouseClick(dialog->findChild<QPushButton *>(click == 'L' ? "pushButton_left" : "pushButton_right"),
                              Qt::LeftButton);
            const QString still = paintedSince(before) ? "" : " still";
            QImage preview = dialog->findChild<OutputPreview *>(QStringLiteral("widget"))->grab().toImage();
            preview = preview.convertToFormat(QImage::Format_RGB32); // kept: pixels points into it
            const auto *pixels = reinterpret_cast<const QRgb *>(preview.constBits());
            const bool grey = std::count(pixels, pixels + preview.width() * preview.height(), QColor(Qt::gray).rgb());
            pages << dialog->findChild<QLabel *>(QStringLiteral("label_page"))->text() + (grey ? "*" : "") + still;
        }
        QCOMPARE(pages, QStringList({"1/3* still", "2/3", "3/3", "3/3 still", "2/3", "1/3*"}));
        const int before = paints->count;
        for (int i = 0; i < 5; ++i)
            field(i)->setText(texts.at(i));
        QVERIFY(paintedSince(before));
        QCOMPARE(previewed(), texts);
        // A PDF saved under a name without its ending gets it; the status bar says where it went; the header made a
        // report (for the archive) once.
        QList<ReportHeader> made;
        const auto saveAs = [&](const QString &name) {
            QTimer::singleShot(0, dialog, [name] {
                QFileDialog *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                files->selectFile(QDir::current().absoluteFilePath(name));
                QMetaObject::invokeMethod(files, "accept");
            });
            made.clear();
            disconnect(dialog, &Print::reportMade, nullptr, nullptr);
            connect(dialog, &Print::reportMade, dialog, [&](const ReportHeader &header) { made << header; });
            QSignalSpy said(dialog, &Print::message);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_savePDF")), Qt::LeftButton);
            return said.value(0).value(0).toString();
        };
        QCOMPARE(saveAs("报告"), "保存成功: " + QDir::current().absoluteFilePath("报告.pdf"));
        QVERIFY(made.size() == 1 && made[0] == ReportHeader({texts[2], texts[4], texts[1], texts[3], texts[0]}));
        const QByteArray pdfText = run("pdftotext", {"报告.pdf", "-"});
        QVERIFY2(pdfText.contains(texts[0].toUtf8()) && pdfText.contains("B-17"), pdfText);
        QVERIFY(closeDialog(dialog));
        QVERIFY(contentOf(QStringLiteral("PrintConfig.ini")).contains("LOGOPath=logo.png\n"));

        // Reopened: the same fields, which reach the preview; a logo deleted since opens, and is kept, as none.
        QVERIFY(QFile::remove(QStringLiteral("logo.png")));
        texts[1].clear();
        dialog = new Print({}, nullptr);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(field(i)->text(), texts[i]);
        QCOMPARE(previewed(), texts);
        QVERIFY(closeDialog(dialog));
        QVERIFY(contentOf(QStringLiteral("PrintConfig.ini")).contains("LOGOPath=\n"));

        QVERIFY(QFile::remove("PrintConfig.ini") && QDir().mkdir("PrintConfig.ini")); // unwritable, even for root
        dialog = new Print({}, nullptr);
        QSignalSpy messages(dialog, &Print::message);
        QVERIFY(closeDialog(dialog) && QDir().rmdir("PrintConfig.ini"));
        QCOMPARE(messages.value(0).value(0).toString(),
                 QString::fromUtf8("无法写入设置文件: ") + QDir::current().absoluteFilePath("PrintConfig.ini"));

        // Opened with a download's stored header: its fields, in the PDF; a failed save made no report; the settings
        // file is not written with it.
        const ReportHeader stored = {"C-9", "Zhao", "", "first run", "South Works"};
        dialog = new Print({{hardnessGroup()}, {}}, nullptr, stored);
        QVERIFY(saveAs("missing/stored.pdf").startsWith(QString::fromUtf8("保存失败: ")) && made.isEmpty());
        QVERIFY(saveAs("stored.pdf").startsWith(QString::fromUtf8("保存成功: ")) && made.size() == 1 &&
                made[0] == stored);
        QVERIFY(run("pdftotext", {"stored.pdf", "-"}).contains("South Works"));
        QVERIFY(closeDialog(dialog) && !QFile::exists("PrintConfig.ini"));
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
