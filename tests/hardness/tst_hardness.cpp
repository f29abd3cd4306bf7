#include "conversion.h"
#include "scales.h"
#include "valuetext.h"

#include <QCoreApplication>
#include <QTest>
#include <QTranslator>

#include <cmath>
#include <cstring>

using S = ConversionStatus;
Q_DECLARE_METATYPE(ConversionStatus)

namespace {

struct Conversion
{
    S status;
    float value;
};

Conversion convert(float hl, int scale, int device, int material, bool tableSet2)
{
    float value = hl;
    const S status = convertLeeb(&value, quint8(scale), quint8(device), quint8(material), tableSet2);
    return {status, value};
}

// The value bitwise, so that a NaN or a last-digit change counts.
bool same(const Conversion &a, const Conversion &b)
{
    return a.status == b.status && std::memcmp(&a.value, &b.value, sizeof a.value) == 0;
}

// The requests that table set 2 answers with rows of its own.
bool namedBySet2(int device, int material, int scale)
{
    const bool dFamily = device == DeviceD || device == DeviceDC || device == DeviceE;
    const bool steel = material == 0;
    const bool coldWork = material == 1;
    const bool hrcToHs = scale >= ScaleHRC && scale <= ScaleHS;
    return (dFamily && ((steel && hrcToHs) || (coldWork && scale == ScaleHS))) ||
           (device == DeviceC1 && ((steel && hrcToHs) || (coldWork && scale == ScaleHV))) ||
           (device == DeviceD15 && steel && (scale == ScaleHRC || scale == ScaleHS)) ||
           (device == DeviceG && steel && (scale == ScaleHRB || scale == ScaleHB));
}

QByteArray where(bool set2, int device, int material, int scale, float hl = 0)
{
    const char *format = "set %d device %d material %d scale %d HL %g";
    return QString::asprintf(format, set2 ? 2 : 1, device, material, scale, double(hl)).toLatin1();
}

const QString hintHigh = QString::fromUtf8("测值过大");
const QString hintLow = QString::fromUtf8("测值过小");
const QString hintNone = QString::fromUtf8("无法计算");

// Stands in for the English catalogue: answers only in the context the hints must be looked up in.
class EnglishHints : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const QMap<QString, QString> english{{hintHigh, "High"}, {hintLow, "Low"}, {hintNone, "Cannot be calculated"}};
        return qstrcmp(context, "QObject") == 0 ? english.value(QString::fromUtf8(source)) : QString();
    }
};

void conversionRow(const QByteArray &name, bool set2, int device, int material, int scale, float hl, S status,
                   const char *expected = "")
{
    QTest::newRow(((set2 ? "set 2 " : "set 1 ") + name).constData())
        << set2 << device << material << scale << hl << status << QString(expected);
}

} // namespace

class TestHardness : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data();
    void conversions();
    void wholeGrid();
    void hlPassesThrough();
    void valueTexts_data();
    void valueTexts();
    void statistics_data();
    void statistics();
};

void TestHardness::conversions_data()
{
    // expected: the Ok value to the decimals written, or, with more, every bit of the double evaluation's float;
    // empty: the status only. Other statuses keep the HL value. Refusals ask at HL 600, inside every curve there.
    QTest::addColumn<bool>("tableSet2");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("material");
    QTest::addColumn<int>("scale");
    QTest::addColumn<float>("hl");
    QTest::addColumn<S>("status");
    QTest::addColumn<QString>("expected");

    conversionRow("D steel HRC 700", false, DeviceD, 0, ScaleHRC, 700, S::Ok, "48.04");
    conversionRow("D steel HB 700", false, DeviceD, 0, ScaleHB, 700, S::Ok, "468.12");
    conversionRow("D steel HV 700", false, DeviceD, 0, ScaleHV, 700, S::Ok, "479.84");
    conversionRow("D steel HS 700", false, DeviceD, 0, ScaleHS, 700, S::Ok, "63.27");
    conversionRow("C1 steel HRC 800", false, DeviceC1, 0, ScaleHRC, 800, S::Ok, "51.60");
    conversionRow("G steel HB 500", false, DeviceG, 0, ScaleHB, 500, S::Ok, "252.61");
    conversionRow("D_15 steel HRC 700", false, DeviceD15, 0, ScaleHRC, 700, S::Ok, "46.36");
    conversionRow("D cold work HS not available", false, DeviceD, 1, ScaleHS, 600, S::NotAvailable);
    conversionRow("D steel HRC 505 below its own limit", true, DeviceD, 0, ScaleHRC, 505, S::BelowRange);
    conversionRow("D steel HRC 856 above its own limit", true, DeviceD, 0, ScaleHRC, 856, S::AboveRange);
    // One bit-exact row for each curve of set 2; the first three are its worked values 47.62, 475.43 and 498.37.
    conversionRow("D steel HRC 700", true, DeviceD, 0, ScaleHRC, 700, S::Ok, "47.6167717");
    conversionRow("D steel HB 700", true, DeviceD, 0, ScaleHB, 700, S::Ok, "475.432465");
    conversionRow("D steel HV 700", true, DeviceD, 0, ScaleHV, 700, S::Ok, "498.366699");
    conversionRow("D steel HS 700", true, DeviceD, 0, ScaleHS, 700, S::Ok, "63.2591858");
    conversionRow("E cold work HS 700", true, DeviceE, 1, ScaleHS, 700, S::Ok, "63.2591858");
    conversionRow("D_15 steel HRC 528", true, DeviceD15, 0, ScaleHRC, 528, S::Ok, "20.9704666");
    conversionRow("D_15 steel HS 800", true, DeviceD15, 0, ScaleHS, 800, S::Ok, "78.706955");
    conversionRow("C1 steel HRC 800", true, DeviceC1, 0, ScaleHRC, 800, S::Ok, "51.5973167");
    conversionRow("C1 steel HB 800", true, DeviceC1, 0, ScaleHB, 800, S::Ok, "530.162903");
    conversionRow("C1 steel HV 800", true, DeviceC1, 0, ScaleHV, 800, S::Ok, "546.740112");
    conversionRow("C1 steel HS 800", true, DeviceC1, 0, ScaleHS, 800, S::Ok, "68.6596756");
    conversionRow("C1 cold work HV 800", true, DeviceC1, 1, ScaleHV, 800, S::Ok, "578.179077");
    conversionRow("G steel HRB 400", true, DeviceG, 0, ScaleHRB, 400, S::Ok, "82.8238907");
    conversionRow("G steel HB 500", true, DeviceG, 0, ScaleHB, 500, S::Ok, "252.612518");
    for (bool set2 : {false, true}) {
        conversionRow("D steel HRB 450", set2, DeviceD, 0, ScaleHRB, 450, S::Ok, "85.89");
        conversionRow("D C Steel STR 500", set2, DeviceD, 0, ScaleSTR, 500, S::Ok, "719.625");
        conversionRow("DL steel HRC 800", set2, DeviceDL, 0, ScaleHRC, 800, S::Ok, "38.11");
        conversionRow("D steel HRB lower limit 350 inclusive", set2, DeviceD, 0, ScaleHRB, 350, S::Ok, "59.57");
        conversionRow("D steel HRB upper limit 522 inclusive", set2, DeviceD, 0, ScaleHRB, 522, S::Ok, "99.61");
        conversionRow("D steel HRB 349 below", set2, DeviceD, 0, ScaleHRB, 349, S::BelowRange);
        conversionRow("D steel HRB 523 above", set2, DeviceD, 0, ScaleHRB, 523, S::AboveRange);
        conversionRow("infinite HL above", set2, DeviceD, 0, ScaleHV, HUGE_VALF, S::AboveRange);
        conversionRow("minus infinite HL below", set2, DeviceD, 0, ScaleHV, -HUGE_VALF, S::BelowRange);
        conversionRow("not-a-number HL converts to nothing", set2, DeviceD, 0, ScaleHV, NAN, S::NoTable);
        conversionRow("device NONE", set2, DeviceNone, 0, ScaleHRC, 600, S::NoTable);
        conversionRow("device 8", set2, 8, 0, ScaleHRC, 600, S::NoTable);
        conversionRow("material 9", set2, DeviceD, 9, ScaleHRC, 600, S::NoTable);
        conversionRow("material 9, STR", set2, DeviceD, 9, ScaleSTR, 600, S::NoTable);
        conversionRow("D family, scale 6", set2, DeviceD, 0, ScaleNone, 600, S::NoTable);
        conversionRow("D family, scale 8", set2, DeviceDC, 0, 8, 600, S::NoTable);
        for (int device : {DeviceDL, DeviceD15, DeviceC1, DeviceG})
            conversionRow(deviceName(device).toLatin1() + ", STR", set2, device, 0, ScaleSTR, 600, S::NoTable);
        conversionRow("D, gray cast iron, HRC", set2, DeviceD, 3, ScaleHRC, 600, S::NotAvailable);
        conversionRow("D_15, steel, HRB", set2, DeviceD15, 0, ScaleHRB, 600, S::NotAvailable);
        conversionRow("C1, steel, HRB", set2, DeviceC1, 0, ScaleHRB, 600, S::NotAvailable);
        conversionRow("C1, cast aluminium, HRB", set2, DeviceC1, 2, ScaleHRB, 600, S::Ok);
        conversionRow("STR takes the strength list: 3 is Cr-Ni Steel", set2, DeviceD, 3, ScaleSTR, 600, S::Ok);
    }
}

void TestHardness::conversions()
{
    QFETCH(bool, tableSet2);
    QFETCH(int, device);
    QFETCH(int, material);
    QFETCH(int, scale);
    QFETCH(float, hl);
    QFETCH(S, status);
    QFETCH(QString, expected);

    const Conversion result = convert(hl, scale, device, material, tableSet2);
    QCOMPARE(int(result.status), int(status)); // as numbers, so that a failure shows them
    QVERIFY(status == S::Ok || same(result, {status, hl}));
    const int decimals = expected.size() - expected.indexOf(QLatin1Char('.')) - 1;
    if (decimals > 3) // nine significant digits tell every float apart
        QCOMPARE(QString::asprintf("%.9g", double(result.value)), expected);
    else if (!expected.isEmpty())
        QCOMPARE(QString::number(result.value, 'f', decimals), expected);
}

void TestHardness::wholeGrid()
{
    // Every curve's limits are inclusive and one step beyond them is refused. The curves are counted, so a lost or
    // extra row shows: set 1 has 28 for each of D, DC and E, 5 for DL, 6 for D_15, 8 for C1 and 6 for G; set 2 adds
    // Cold Work Tool Steel HS for D, DC and E. Over all HL, set 2 answers differently from set 1 exactly for the
    // requests it names, and DC and E answer as D does.
    int curves[2] = {0, 0};
    for (int device = 0; device <= 8; ++device) {
        const bool likeD = device == DeviceDC || device == DeviceE;
        for (int material = 0; material <= 10; ++material) {
            for (int scale = 0; scale <= 9; ++scale) {
                for (bool set2 : {false, true}) {
                    float lo = -1, hi = -1;
                    if (leebCurveLimits(scale, device, material, set2, &lo, &hi) != S::Ok)
                        continue;
                    ++curves[set2];
                    const QByteArray curve = where(set2, device, material, scale);
                    QVERIFY2(lo < hi && lo == std::floor(lo) && hi == std::floor(hi), curve);
                    QVERIFY2(convert(lo, scale, device, material, set2).status == S::Ok, curve);
                    QVERIFY2(convert(hi, scale, device, material, set2).status == S::Ok, curve);
                    const float below = std::nextafter(lo, -1.f);
                    const float above = std::nextafter(hi, 2000.f);
                    QVERIFY2(same(convert(below, scale, device, material, set2), {S::BelowRange, below}), curve);
                    QVERIFY2(same(convert(above, scale, device, material, set2), {S::AboveRange, above}), curve);
                }
                bool differs = false;
                for (int step = -4; step <= 4400; ++step) {
                    const float hl = step * 0.25f;
                    const Conversion one = convert(hl, scale, device, material, false);
                    const Conversion two = convert(hl, scale, device, material, true);
                    differs = differs || !same(one, two);
                    const bool set1LikeD = same(one, convert(hl, scale, DeviceD, material, false));
                    if (likeD && !(set1LikeD && same(two, convert(hl, scale, DeviceD, material, true))))
                        QFAIL(where(set1LikeD, device, material, scale, hl) + " differs from D");
                }
                QVERIFY2(differs == namedBySet2(device, material, scale), where(true, device, material, scale));
            }
        }
    }
    QCOMPARE(curves[0], 109);
    QCOMPARE(curves[1], 112);
}

void TestHardness::hlPassesThrough()
{
    for (float hl : {0.f, 450.25f, 1023.f, NAN}) {
        for (int request = 0; request < 2 * 256 * 256; ++request) {
            const int device = request / 512, material = request / 2 % 256, set2 = request % 2;
            if (!same(convert(hl, ScaleHL, device, material, set2), {S::Ok, hl}))
                QFAIL(where(set2, device, material, ScaleHL, hl));
        }
    }
    QCOMPARE(int(convertLeeb(nullptr, ScaleHRC, DeviceD, 0, false)), int(S::NoTable));
}

void TestHardness::valueTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");

    QTest::newRow("Ok 59.57 stored plus 0.5 shows 60") << 59.57 + 0.5 << 1 << "60" << QString();
    QTest::newRow("Ok 0.4 shows 0") << 0.4 << 1 << "0" << QString();
    QTest::newRow("Ok -0.7 truncates toward zero") << -0.7 << 1 << "0" << QString();
    QTest::newRow("Ok 1234567.9 no group separator") << 1234567.9 << 1 << "1234567" << QString();
    QTest::newRow("Ok not-a-number") << std::nan("") << 1 << "---" << hintNone;
    QTest::newRow("Ok beyond 32 bits") << 3e9 << 1 << "---" << hintNone;
    QTest::newRow("AboveRange") << 523.5 << 2 << "HI" << hintHigh;
    QTest::newRow("BelowRange") << 349.5 << 3 << "LO" << hintLow;
    QTest::newRow("NotAvailable") << 48.5 << 4 << "---" << hintNone;
    QTest::newRow("NoTable") << 48.5 << 0 << "---" << hintNone;
    QTest::newRow("status 5 outside the numbering") << 48.5 << 5 << "---" << hintNone;
}

void TestHardness::valueTexts()
{
    QFETCH(double, value);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(QString, hint);

    // Each row asks without, then with a catalogue installed, so a hint looked up too early or kept shows.
    const ConversionResult result{value, static_cast<S>(status)};
    using Texts = QMap<QString, QString>;
    QCOMPARE(resultTexts(result), (Texts{{"hint", hint}, {"value", text}}));
    EnglishHints english;
    QCoreApplication::installTranslator(&english);
    const Texts translated = resultTexts(result);
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(translated, (Texts{{"hint", english.translate("QObject", hint.toUtf8(), nullptr, -1)}, {"value", text}}));
}

void TestHardness::statistics_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("average");
    QTest::addColumn<double>("largest");
    QTest::addColumn<double>("smallest");

    QTest::newRow("empty") << QList<double>{} << std::nan("") << 0.0 << 0.0;
    QTest::newRow("one element") << QList<double>{455.5} << 455.5 << 455.5 << 455.5;
    QTest::newRow("largest first, smallest last") << QList<double>{462, 455, 450} << 1367.0 / 3 << 462.0 << 450.0;
    QTest::newRow("all negative, largest inside") << QList<double>{-3, -1, -2} << -2.0 << -1.0 << -3.0;
}

void TestHardness::statistics()
{
    QFETCH(QList<double>, values);
    QFETCH(double, average);
    QFETCH(double, largest);
    QFETCH(double, smallest);

    QVERIFY(std::isnan(average) ? std::isnan(mean(values)) : mean(values) == average);
    QCOMPARE((QList<double>{maximum(values), minimum(values)}), (QList<double>{largest, smallest}));
}

QTEST_GUILESS_MAIN(TestHardness)
#include "tst_hardness.moc"
