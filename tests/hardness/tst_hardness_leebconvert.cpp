#include <QProcess>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool as built; a crash or a hang shows as exit code -1.
Run leebConvert(const QString &arguments)
{
    QProcess process;
    process.start(QStringLiteral(LEEB_CONVERT_PATH), arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    const bool finished = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestLeebConvert : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void wholeCurve();
};

void TestLeebConvert::runs_data()
{
    // A run that converts prints `out` and nothing on stderr; a refused one exits 2, prints nothing on stdout and
    // names the accepted values or the option at fault on stderr.
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("out");

    QTest::newRow("D steel HL 700, every hardness scale")
        << "--device D --material 0 700" << 0 << QString() << "HL=700 HRB=HI HRC=48 HB=468 HV=480 HS=63\n";
    QTest::newRow("table set 2") << "--device D --material 0 --set 2 700" << 0 << QString()
                                 << "HL=700 HRB=HI HRC=48 HB=475 HV=498 HS=63\n";
    QTest::newRow("inclusive limits, one line per value")
        << "--device D --material 0 350 522" << 0 << QString()
        << "HL=350 HRB=60 HRC=LO HB=LO HV=103 HS=LO\nHL=522 HRB=100 HRC=22 HB=235 HV=235 HS=35\n";
    QTest::newRow("strength, C Steel") << "--device D --material 0 --strength 500" << 0 << QString()
                                       << "HL=500 STR=720\n";
    QTest::newRow("csv") << "--csv --device D --material 0 450" << 0 << QString()
                         << "hl,scale,status,value\n450,HRB,Ok,85.8911133\n450,HRC,BelowRange,\n"
                            "450,HB,Ok,179.683975\n450,HV,Ok,167.712204\n450,HS,BelowRange,\n";
    QTest::newRow("csv, strength outside the D family keeps the HL as given")
        << "--csv --strength --device DL --material 0 600.0" << 0 << QString()
        << "hl,scale,status,value\n600.0,STR,NoTable,\n";
    QTest::newRow("unknown device") << "--device X --material 0 700" << 2 << "D, DC, DL, D_15, C1, G, E" << QString();
    QTest::newRow("material 9") << "--device D --material 9 700" << 2 << "0 to 8" << QString();
    QTest::newRow("table of HL") << "--table --scale HL --device D --material 0" << 2 << "HRB, HRC, HB, HV, HS, STR"
                                 << QString();
    QTest::newRow("HL above the instrument's range") << "--device D --material 0 1024" << 2 << "0 to 1023" << QString();
    QTest::newRow("unknown option") << "--device D --material 0 --scal HRC 700" << 2 << "--scale" << QString();
    QTest::newRow("option without value") << "--material 0 700 --device" << 2 << "--device" << QString();
}

void TestLeebConvert::runs()
{
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, named);
    QFETCH(QString, out);

    const Run run = leebConvert(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, out);
    QVERIFY2(named.isEmpty() ? run.err.isEmpty() : run.err.contains(named), qPrintable(run.err));
}

void TestLeebConvert::wholeCurve()
{
    const Run run = leebConvert(QStringLiteral("--table --scale HRB --device D --material 0"));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.count(QLatin1Char('\n')), 1 + 173);
    QVERIFY(run.out.startsWith(QStringLiteral("hl,scale,status,value\n350,HRB,Ok,59.570446\n351,HRB,Ok,")));
    QVERIFY(run.out.endsWith(QStringLiteral("\n522,HRB,Ok,99.6146393\n")));
}

QTEST_GUILESS_MAIN(TestLeebConvert)
#include "tst_hardness_leebconvert.moc"
