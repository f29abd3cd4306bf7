#include <QProcess>
#include <QTest>

namespace {

struct Run
{
    bool finished = false;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    int exitCode = -1;
    QString out;
    QString err;
};

Run leebConvert(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(LEEB_CONVERT_PATH), arguments);
    Run run;
    run.finished = process.waitForFinished(10000);
    run.exitStatus = process.exitStatus();
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList words(const char *line)
{
    return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestLeebConvert : public QObject
{
    Q_OBJECT

private slots:
    void output_data();
    void output();
    void wholeCurve();
    void refusals_data();
    void refusals();
};

void TestLeebConvert::output_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    QTest::newRow("D steel HL 700, every hardness scale")
        << words("--device D --material 0 700") << "HL=700 HRB=HI HRC=48 HB=468 HV=480 HS=63\n";
    QTest::newRow("table set 2") << words("--device D --material 0 --set 2 700")
                                 << "HL=700 HRB=HI HRC=48 HB=475 HV=498 HS=63\n";
    QTest::newRow("inclusive limits, one line per value")
        << words("--device D --material 0 350 522")
        << "HL=350 HRB=60 HRC=LO HB=LO HV=103 HS=LO\nHL=522 HRB=100 HRC=22 HB=235 HV=235 HS=35\n";
    QTest::newRow("fractional HL shown rounded half up")
        << words("--device DL --material 1 700.5") << "HL=701 HRB=--- HRC=--- HB=--- HV=--- HS=---\n";
    QTest::newRow("strength, C Steel") << words("--device D --material 0 --strength 500") << "HL=500 STR=720\n";
    QTest::newRow("strength outside the D family")
        << words("--device G --material 0 --strength 500") << "HL=500 STR=---\n";
    QTest::newRow("csv") << words("--csv --device D --material 0 450")
                         << "hl,scale,status,value\n450,HRB,Ok,85.8911133\n450,HRC,BelowRange,\n"
                            "450,HB,Ok,179.683975\n450,HV,Ok,167.712204\n450,HS,BelowRange,\n";
    QTest::newRow("csv keeps the HL as given")
        << words("--csv --strength --device E --material 0 500.0") << "hl,scale,status,value\n500.0,STR,Ok,719.625\n";
    QTest::newRow("csv, material without curves")
        << words("--csv --device G --material 1 500")
        << "hl,scale,status,value\n500,HRB,NotAvailable,\n500,HRC,NotAvailable,\n"
           "500,HB,NotAvailable,\n500,HV,NotAvailable,\n500,HS,NotAvailable,\n";
    QTest::newRow("csv, strength outside the D family")
        << words("--csv --strength --device DL --material 0 600") << "hl,scale,status,value\n600,STR,NoTable,\n";
}

void TestLeebConvert::output()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);

    const Run run = leebConvert(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expected);
}

void TestLeebConvert::wholeCurve()
{
    const Run run = leebConvert(words("--table --scale HRB --device D --material 0"));
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 173);
    QCOMPARE(lines.at(0), QStringLiteral("hl,scale,status,value"));
    QCOMPARE(lines.at(1), QStringLiteral("350,HRB,Ok,59.570446"));
    QCOMPARE(lines.last(), QStringLiteral("522,HRB,Ok,99.6146393"));
}

void TestLeebConvert::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");

    const QString devices = QStringLiteral("D, DC, DL, D_15, C1, G, E");
    QTest::newRow("unknown device") << words("--device X --material 0 700") << devices;
    QTest::newRow("device NONE") << words("--device NONE --material 0 700") << devices;
    QTest::newRow("device in lower case") << words("--device d --material 0 700") << devices;
    QTest::newRow("no device") << words("--material 0 700") << devices;
    QTest::newRow("material 9") << words("--device D --material 9 700") << "0 to 8";
    QTest::newRow("material not a number") << words("--device D --material steel 700") << "0 to 8";
    QTest::newRow("material negative") << words("--device D --material -1 700") << "0 to 8";
    QTest::newRow("no material") << words("--device D 700") << "0 to 8";
    QTest::newRow("table set 3") << words("--device D --material 0 --set 3 700") << "1, 2";
    QTest::newRow("HL not a number") << words("--device D --material 0 hard") << "0 to 1023";
    QTest::newRow("HL negative") << words("--device D --material 0 -5") << "0 to 1023";
    QTest::newRow("HL not-a-number") << words("--device D --material 0 nan") << "0 to 1023";
    QTest::newRow("HL infinite") << words("--device D --material 0 inf") << "0 to 1023";
    QTest::newRow("HL above the instrument's range") << words("--device D --material 0 1024") << "0 to 1023";
    QTest::newRow("no HL") << words("--device D --material 0") << "0 to 1023";
    QTest::newRow("unknown option") << words("--device D --material 0 --scal HRC 700") << "--scale";
    QTest::newRow("option without value") << words("--material 0 700 --device") << "--device";
    QTest::newRow("option given twice") << words("--device D --device G --material 0 700") << "--device";
    QTest::newRow("flag with a value") << words("--device D --material 0 --csv=yes 700") << "--csv";
    QTest::newRow("scale without table") << words("--device D --material 0 --scale HRC 700") << "--table";
    QTest::newRow("table without scale") << words("--table --device D --material 0") << "HRB, HRC, HB, HV, HS, STR";
    QTest::newRow("table of HL") << words("--table --scale HL --device D --material 0") << "HRB, HRC, HB, HV, HS, STR";
    QTest::newRow("table with HL values") << words("--table --scale HRC --device D --material 0 700") << "HL";
    QTest::newRow("table strength with hardness scale")
        << words("--table --strength --scale HRC --device D --material 0") << "STR";
    QTest::newRow("table without a curve") << words("--table --scale STR --device G --material 0") << "no STR curve";
    QTest::newRow("table not available") << words("--table --scale HRC --device D --material 3") << "no HRC curve";
}

void TestLeebConvert::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);

    const Run run = leebConvert(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(named), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestLeebConvert)
#include "tst_hardness_leebconvert.moc"
