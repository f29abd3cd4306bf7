// Conversions (worked values and the whole grid), shown numbers, value texts and the leeb-convert tool.
#include "../program.h"
#include "conversion.h"
#include "scales.h"
#include "valuetext.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <cstring>

using S = ConversionStatus;

namespace {

const QStringList statuses{"NoTable", "Ok", "AboveRange", "BelowRange", "NotAvailable"};

// A code by its name in the list, or by number where it has none.
int code(const QStringList &names, const QString &text)
{
    return names.contains(text) ? names.indexOf(text) : text.toInt();
}

// A status and a value, compared bitwise so that a NaN or a last-digit change counts.
using Conversion = std::pair<S, float>;

Conversion convert(float hl, int scale, int device, int material, bool tableSet2)
{
    const S status = convertLeeb(&hl, quint8(scale), quint8(device), quint8(material), tableSet2);
    return {status, hl};
}

bool same(const Conversion &a, const Conversion &b)
{
    return a.first == b.first && std::memcmp(&a.second, &b.second, sizeof a.second) == 0;
}

// The requests that table set 2 answers with rows of its own.
bool namedBySet2(int device, int material, int scale)
{
    const bool dFamily = device == DeviceD || device == DeviceDC || device == DeviceE;
    const bool steel = material == 0;
    const bool hrcToHs = scale >= ScaleHRC && scale <= ScaleHS;
    return (dFamily && ((steel && hrcToHs) || (material == 1 && scale == ScaleHS))) ||
           (device == DeviceC1 && ((steel && hrcToHs) || (material == 1 && scale == ScaleHV))) ||
           (device == DeviceD15 && steel && (scale == ScaleHRC || scale == ScaleHS)) ||
           (device == DeviceG && steel && (scale == ScaleHRB || scale == ScaleHB));
}

} // namespace

class TestHardness : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data()
    {
        // "set device material scale HL": the status and, for Ok, the value to the decimals written.
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("result");
        const QString rows = QStringLiteral(
            "1 D 0 HRB 450: Ok 85.89; 1 D 0 HRB 350: Ok 59.57; 1 D 0 HRB 522: Ok 99.61; 1 D 0 STR 500: Ok 719.625; "
            "1 C1 0 HRC 800: Ok 51.60; 1 G 0 HB 500: Ok 252.61; 1 DL 0 HRC 800: Ok 38.11; 1 D_15 0 HRC 700: Ok 46.36; "
            "1 NONE 200 HL 450.25: Ok 450.25; 2 NONE 0 HL nan: Ok nan; "
            "1 D 0 HV inf: AboveRange; 2 D 0 HV -inf: BelowRange; 2 D 0 HV nan: NoTable; "
            "1 NONE 0 HRC 600: NoTable; 1 8 0 HRC 600: NoTable; 1 D 9 STR 600: NoTable; 1 D 0 6 600: NoTable; "
            "1 DC 0 8 600: NoTable; 1 DL 0 STR 600: NoTable; 1 D 3 HRC 600: NotAvailable; 1 D 1 HS 600: NotAvailable; "
            "1 D_15 0 HRB 600: NotAvailable; 1 C1 0 HRB 600: NotAvailable; 1 C1 2 HRB 600: Ok; 1 D 3 STR 600: Ok");
        for (const QString &row : rows.split(QStringLiteral("; ")))
            QTest::newRow(qPrintable(row)) << row.section(": ", 0, 0) << row.section(": ", 1);
    }

    void conversions()
    {
        QFETCH(QString, request);
        QFETCH(QString, result);
        const QStringList r = request.split(' ');
        const int device = code({"NONE", "D", "DC", "DL", "D_15", "C1", "G", "E"}, r[1]);
        const int scale = code({"HL", "HRB", "HRC", "HB", "HV", "HS", "6", "STR"}, r[3]);
        const float hl = r[4].toFloat();
        const Conversion c = convert(hl, scale, device, r[2].toInt(), r[0] == QLatin1String("2"));
        QCOMPARE(statuses.value(int(c.first)), result.section(' ', 0, 0));
        QVERIFY(c.first == S::Ok || same(c, {c.first, hl})); // a refusal keeps the HL value
        const QString value = result.section(' ', 1);
        if (!value.isEmpty()) // "nan" has no decimals and gets three
            QCOMPARE(QString::number(c.second, 'f', value.size() - value.indexOf('.') - 1), value);
    }

    void wholeGrid()
    {
        // Limits inclusive, one step beyond refused; a lost curve counted; set 2 differs exactly where it names.
        int curves[2] = {0, 0};
        for (int device = 0; device <= 8; ++device) {
            for (int material = 0; material <= 10; ++material) {
                for (int scale = 0; scale <= 9; ++scale) {
                    const QByteArray at =
                        QString::asprintf("device %d material %d scale %d", device, material, scale).toLatin1();
                    for (bool set2 : {false, true}) {
                        float lo = -1, hi = -1;
                        if (leebCurveLimits(scale, device, material, set2, &lo, &hi) != S::Ok)
                            continue;
                        ++curves[set2];
                        const float below = std::nextafter(lo, -1.f);
                        const float above = std::nextafter(hi, 2000.f);
                        QVERIFY2(lo < hi && convert(lo, scale, device, material, set2).first == S::Ok, at);
                        QVERIFY2(convert(hi, scale, device, material, set2).first == S::Ok, at);
                        QVERIFY2(same(convert(below, scale, device, material, set2), {S::BelowRange, below}), at);
                        QVERIFY2(same(convert(above, scale, device, material, set2), {S::AboveRange, above}), at);
                    }
                    bool differs = false;
                    for (int step = -4; step <= 4400 && !differs; ++step)
                        differs = !same(convert(step * 0.25f, scale, device, material, false),
                                        convert(step * 0.25f, scale, device, material, true));
                    QVERIFY2(differs == namedBySet2(device, material, scale), at);
                }
            }
        }
        QCOMPARE(curves[0], 109);
        QCOMPARE(curves[1], 112);
        QCOMPARE(int(convertLeeb(nullptr, ScaleHRC, DeviceD, 0, false)), int(S::NoTable));
    }

    void wholeNumbers_data()
    {
        // shownValue: trunc((v * 10 + 5) / 10) in double; wholeNumber truncates; "---" for none.
        QTest::addColumn<bool>("rounded");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a half rounds up") << true << 429.5 << "430";
        QTest::newRow("just below a half rounds down") << true << 48.49 << "48";
        // 10v + 5 rounds to the even 10 here, where v + 0.5 would give 0.
        QTest::newRow("one unit below 0.5 shows 1, as the sum rounds") << true << 0.4999999999999999 << "1";
        QTest::newRow("-1.2: the half added, then truncated, shows 0") << true << -1.2 << "0";
        QTest::newRow("-2.9 truncates toward zero") << false << -2.9 << "-2";
        QTest::newRow("NaN: none") << false << std::nan("") << "---";
        QTest::newRow("below the smallest int: none") << false << -3e9 << "---";
    }

    void wholeNumbers()
    {
        QFETCH(bool, rounded);
        QFETCH(double, value);
        QFETCH(QString, shown);
        bool ok = shown == QLatin1String("---"); // the opposite of the outcome: the function must set it
        const int number = rounded ? shownValue(value, &ok) : wholeNumber(value, &ok);
        QCOMPARE(ok ? QString::number(number) : QStringLiteral("---"), shown);
        QVERIFY(ok || number == 0);
        QCOMPARE(rounded ? shownValue(value) : wholeNumber(value), number); // the same without asking
    }

    void valueTexts()
    {
        // "converted value and status: the text shown"; the hint goes with the text.
        const QMap<QString, QString> hints{{"HI", "测值过大"}, {"LO", "测值过小"}, {"---", "无法计算"}};
        for (const QString &row :
             QStringLiteral("47.5 Ok: 48; -1.2 Ok: 0; 1234567.4 Ok: 1234567; nan Ok: ---; 3e9 Ok: ---; "
                            "523 AboveRange: HI; 349 BelowRange: LO; 48 NotAvailable: ---; 48 5: ---")
                 .split(QStringLiteral("; "))) {
            const ConversionResult result{row.section(' ', 0, 0).toDouble(),
                                          S(code(statuses, row.section(' ', 1, 1).section(':', 0, 0)))};
            const QString text = row.section(": ", 1);
            const QMap<QString, QString> texts = resultTexts(result);
            QVERIFY2(texts == (QMap<QString, QString>{{"hint", hints.value(text)}, {"value", text}}),
                     qPrintable(row + " gave " + texts.value("value") + ", " + texts.value("hint")));
        }
    }

    void leebConvert_data()
    {
        // Converted: `expected` ("..." lines left out), no error; refused: exit 2, nothing printed, the fault named.
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *arguments, int exitCode, const char *expected) {
            QTest::newRow(name) << QString(arguments) << exitCode << QString(expected);
        };
        row("D steel HL 700, every hardness scale", "--device D --material 0 700", 0,
            "HL=700 HRB=HI HS=63 HB=468 HRC=48 HV=480\n");
        row("set 2", "--device D --material 0 --set 2 700", 0, "HL=700 HRB=HI HS=63 HB=475 HRC=48 HV=498\n");
        row("strength, C Steel", "--device D --material 0 --strength 500", 0, "HL=500 STR=720\n");
        row("csv", "--csv --device D --material 0 450", 0,
            "hl,scale,status,value\n450,HRB,Ok,85.8911133\n450,HS,BelowRange,\n450,HB,Ok,179.683975\n"
            "450,HRC,BelowRange,\n450,HV,Ok,167.712204\n");
        row("whole curve", "--table --scale HRB --device D --material 0", 0,
            "hl,scale,status,value\n350,HRB,Ok,59.570446\n351,HRB,...\n522,HRB,Ok,99.6146393\n");
        row("unknown device", "--device X --material 0 700", 2, "D, DC, DL, D_15, C1, G, E");
        row("HL above the instrument's range", "--device D --material 0 1024", 2, "0 to 1023");
        row("unknown option", "--device D --material 0 --scal HRC 700", 2, "--scale");
        row("negative HL: a value, not an option", "--device D --material 0 700 -5", 2, "'-5' is not a valid HL value");
        row("option value that looks like an option", "--device D --material -1 700", 2,
            "'-1' is not a material index");
        row("option twice", "--device D --material 0 --device DC 700", 2, "option --device is given more than once");
    }

    void leebConvert()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        const ProgramRun p = runProgram(QStringLiteral(LEEB_CONVERT_PATH), arguments.split(' '));
        QTEST(p.exitCode, "exitCode");
        const QString out = QString::fromUtf8(p.out), err = QString::fromUtf8(p.err);
        QVERIFY2(p.exitCode == 0 ? err.isEmpty() : out.isEmpty() && err.contains(expected), qPrintable(err + out));
        QString pattern =
            QRegularExpression::escape(expected).replace(QStringLiteral("\\.\\.\\."), QStringLiteral(".*"));
        const QRegularExpression whole("\\A" + pattern + "\\z", QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(p.exitCode != 0 || whole.match(out).hasMatch(), qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestHardness)
#include "tst_hardness.moc"
