#include "conversion.h"
#include "scales.h"
#include "valuetext.h"

#include <QCoreApplication>
#include <QTest>
#include <QTranslator>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct Conversion
{
    ConversionStatus status;
    float value;
};

Conversion convert(float hl, quint8 scale, quint8 device, quint8 material, bool tableSet2)
{
    float value = hl;
    const ConversionStatus status = convertLeeb(&value, scale, device, material, tableSet2);
    return {status, value};
}

// Bitwise, so that a NaN or a last-digit change counts.
bool same(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The requests that table set 2 answers with rows of its own.
bool namedBySet2(quint8 device, quint8 material, quint8 scale)
{
    const bool dFamily = device == DeviceD || device == DeviceDC || device == DeviceE;
    if (material == 1)
        return (dFamily && scale == ScaleHS) || (device == DeviceC1 && scale == ScaleHV);
    if (material != 0)
        return false;
    switch (device) {
    case DeviceD15:
        return scale == ScaleHRC || scale == ScaleHS;
    case DeviceG:
        return scale == ScaleHRB || scale == ScaleHB;
    case DeviceC1:
        return scale >= ScaleHRC && scale <= ScaleHS;
    default:
        return dFamily && scale >= ScaleHRC && scale <= ScaleHS;
    }
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
        if (qstrcmp(context, "QObject") != 0)
            return QString();
        const QString text = QString::fromUtf8(source);
        if (text == hintHigh)
            return QStringLiteral("High");
        if (text == hintLow)
            return QStringLiteral("Low");
        if (text == hintNone)
            return QStringLiteral("Cannot be calculated");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

QByteArray where(bool set2, int device, int material, int scale, float hl = 0)
{
    return QStringLiteral("set %1 device %2 material %3 scale %4 HL %5")
        .arg(set2 ? 2 : 1)
        .arg(device)
        .arg(material)
        .arg(scale)
        .arg(double(hl))
        .toLatin1();
}

} // namespace

// Readable failure messages for QCOMPARE.
char *toString(ConversionStatus status)
{
    static const char *const names[] = {"NoTable", "Ok", "AboveRange", "BelowRange", "NotAvailable"};
    const auto index = static_cast<quint8>(status);
    return qstrdup(index < 5 ? names[index] : QByteArray::number(index).constData());
}

Q_DECLARE_METATYPE(ConversionStatus)

class TestHardness : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data();
    void conversions();
    void everyCurveHasInclusiveLimits();
    void refusals_data();
    void refusals();
    void hlPassesThrough();
    void dFamilySharedByDcAndE();
    void tableSet2EqualsSet1Elsewhere();
    void tableSet2RowsTakeEffect();
    void valueTexts_data();
    void valueTexts();
    void hintsTranslatedAtCallTime();
    void statistics_data();
    void statistics();
};

void TestHardness::conversions_data()
{
    // expected: the Ok value to the decimals written, or, with more than three decimals, every digit of the single
    // precision result (double evaluation in rising powers, rounded once, with the constants of the set named).
    // Every other status must leave the HL value untouched.
    QTest::addColumn<bool>("tableSet2");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("material");
    QTest::addColumn<int>("scale");
    QTest::addColumn<float>("hl");
    QTest::addColumn<ConversionStatus>("status");
    QTest::addColumn<QString>("expected");

    using S = ConversionStatus;
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("set 1 D steel HRC 700") << false << 1 << 0 << 2 << 700.f << S::Ok << "48.04";
    QTest::newRow("set 1 D steel HB 700") << false << 1 << 0 << 3 << 700.f << S::Ok << "468.12";
    QTest::newRow("set 1 D steel HV 700") << false << 1 << 0 << 4 << 700.f << S::Ok << "479.84";
    QTest::newRow("set 1 D steel HS 700") << false << 1 << 0 << 5 << 700.f << S::Ok << "63.27";
    QTest::newRow("set 2 D steel HRC 700") << true << 1 << 0 << 2 << 700.f << S::Ok << "47.62";
    QTest::newRow("set 2 D steel HB 700") << true << 1 << 0 << 3 << 700.f << S::Ok << "475.43";
    QTest::newRow("set 2 D steel HV 700") << true << 1 << 0 << 4 << 700.f << S::Ok << "498.37";
    for (bool set2 : {false, true}) {
        const QByteArray set = set2 ? "set 2 " : "set 1 ";
        QTest::newRow(set + "D steel HRB 450") << set2 << 1 << 0 << 1 << 450.f << S::Ok << "85.89";
        QTest::newRow(set + "D steel HRB lower limit 350") << set2 << 1 << 0 << 1 << 350.f << S::Ok << "59.57";
        QTest::newRow(set + "D steel HRB upper limit 522") << set2 << 1 << 0 << 1 << 522.f << S::Ok << "99.61";
        QTest::newRow(set + "D steel HRB 349 below") << set2 << 1 << 0 << 1 << 349.f << S::BelowRange << "";
        QTest::newRow(set + "D steel HRB 523 above") << set2 << 1 << 0 << 1 << 523.f << S::AboveRange << "";
        QTest::newRow(set + "D C Steel STR 500") << set2 << 1 << 0 << 7 << 500.f << S::Ok << "719.625";
        QTest::newRow(set + "D Cr Steel STR 499 below") << set2 << 1 << 1 << 7 << 499.f << S::BelowRange << "";
        QTest::newRow(set + "D Cr Steel STR 731 above") << set2 << 1 << 1 << 7 << 731.f << S::AboveRange << "";
        QTest::newRow(set + "C1 steel HRC 800") << set2 << 5 << 0 << 2 << 800.f << S::Ok << "51.60";
        QTest::newRow(set + "G steel HB 500") << set2 << 6 << 0 << 3 << 500.f << S::Ok << "252.61";
        QTest::newRow(set + "DL steel HRC 800") << set2 << 3 << 0 << 2 << 800.f << S::Ok << "38.11";
        QTest::newRow(set + "D_15 steel HRC 700") << set2 << 4 << 0 << 2 << 700.f << S::Ok << "46.36";
        QTest::newRow(set + "infinite HL above") << set2 << 1 << 0 << 4 << inf << S::AboveRange << "";
        QTest::newRow(set + "minus infinite HL below") << set2 << 1 << 0 << 4 << -inf << S::BelowRange << "";
        QTest::newRow(set + "not-a-number HL converts to nothing")
            << set2 << 1 << 0 << 4 << std::numeric_limits<float>::quiet_NaN() << S::NoTable << "";
    }
    QTest::newRow("set 1 D steel HRC 505 inside") << false << 1 << 0 << 2 << 505.f << S::Ok << "18.91";
    QTest::newRow("set 2 D steel HRC 505 below") << true << 1 << 0 << 2 << 505.f << S::BelowRange << "";
    QTest::newRow("set 1 D steel HRC 860 inside") << false << 1 << 0 << 2 << 860.f << S::Ok << "66.15";
    QTest::newRow("set 2 D steel HRC 856 above") << true << 1 << 0 << 2 << 856.f << S::AboveRange << "";
    QTest::newRow("set 2 DC cold work HS 459 below") << true << 2 << 1 << 5 << 459.f << S::BelowRange << "";
    QTest::newRow("set 2 DC cold work HS 883 above") << true << 2 << 1 << 5 << 883.f << S::AboveRange << "";
    QTest::newRow("exact set 1 D steel HRC 700") << false << 1 << 0 << 2 << 700.f << S::Ok << "48.0443229675293";
    QTest::newRow("exact set 1 C1 steel HRC 800") << false << 5 << 0 << 2 << 800.f << S::Ok << "51.597381591796875";
    QTest::newRow("exact set 1 G steel HB 500") << false << 6 << 0 << 3 << 500.f << S::Ok << "252.61224365234375";
    QTest::newRow("exact set 1 D_15 steel HRC 528") << false << 4 << 0 << 2 << 528.f << S::Ok << "20.9704647064209";
    QTest::newRow("exact set 2 D steel HRC 700") << true << 1 << 0 << 2 << 700.f << S::Ok << "47.61677169799805";
    QTest::newRow("exact set 2 D steel HB 700") << true << 1 << 0 << 3 << 700.f << S::Ok << "475.4324645996094";
    QTest::newRow("exact set 2 D steel HV 700") << true << 1 << 0 << 4 << 700.f << S::Ok << "498.36669921875";
    QTest::newRow("exact set 2 D steel HS 700") << true << 1 << 0 << 5 << 700.f << S::Ok << "63.259185791015625";
    QTest::newRow("exact set 2 E cold work HS 700") << true << 7 << 1 << 5 << 700.f << S::Ok << "63.259185791015625";
    QTest::newRow("exact set 2 D_15 steel HRC 528") << true << 4 << 0 << 2 << 528.f << S::Ok << "20.97046661376953";
    QTest::newRow("exact set 2 D_15 steel HS 800") << true << 4 << 0 << 5 << 800.f << S::Ok << "78.70695495605469";
    QTest::newRow("exact set 2 C1 steel HRC 800") << true << 5 << 0 << 2 << 800.f << S::Ok << "51.59731674194336";
    QTest::newRow("exact set 2 C1 steel HB 800") << true << 5 << 0 << 3 << 800.f << S::Ok << "530.1629028320312";
    QTest::newRow("exact set 2 C1 steel HV 800") << true << 5 << 0 << 4 << 800.f << S::Ok << "546.7401123046875";
    QTest::newRow("exact set 2 C1 steel HS 800") << true << 5 << 0 << 5 << 800.f << S::Ok << "68.65967559814453";
    QTest::newRow("exact set 2 C1 cold work HV 800") << true << 5 << 1 << 4 << 800.f << S::Ok << "578.1790771484375";
    QTest::newRow("exact set 2 G steel HRB 400") << true << 6 << 0 << 1 << 400.f << S::Ok << "82.82389068603516";
    QTest::newRow("exact set 2 G steel HB 500") << true << 6 << 0 << 3 << 500.f << S::Ok << "252.61251831054688";
}

void TestHardness::conversions()
{
    QFETCH(bool, tableSet2);
    QFETCH(int, device);
    QFETCH(int, material);
    QFETCH(int, scale);
    QFETCH(float, hl);
    QFETCH(ConversionStatus, status);
    QFETCH(QString, expected);

    const Conversion result = convert(hl, scale, device, material, tableSet2);
    QCOMPARE(result.status, status);
    if (status != ConversionStatus::Ok) {
        QVERIFY(same(result.value, hl));
        return;
    }
    const int decimals = expected.size() - expected.indexOf(QLatin1Char('.')) - 1;
    if (decimals <= 3)
        QCOMPARE(QString::number(result.value, 'f', decimals), expected);
    else
        QVERIFY2(same(result.value, expected.toFloat()), qPrintable(QString::asprintf("%.9g", double(result.value))));
}

void TestHardness::everyCurveHasInclusiveLimits()
{
    // Also counts the curves, so a lost or extra row shows: set 1 has 28 curves for each of D, DC and E, 5 for DL,
    // 6 for D_15, 8 for C1 and 6 for G; set 2 adds Cold Work Tool Steel HS for D, DC and E.
    for (bool set2 : {false, true}) {
        int curves = 0;
        for (int device = 0; device <= 8; ++device) {
            for (int material = 0; material <= 9; ++material) {
                for (int scale = 0; scale <= 8; ++scale) {
                    float lo = -1;
                    float hi = -1;
                    if (leebCurveLimits(scale, device, material, set2, &lo, &hi) != ConversionStatus::Ok)
                        continue;
                    ++curves;
                    const QByteArray curve = where(set2, device, material, scale);
                    QVERIFY2(lo < hi && lo == std::floor(lo) && hi == std::floor(hi), curve);
                    QVERIFY2(convert(lo, scale, device, material, set2).status == ConversionStatus::Ok, curve);
                    QVERIFY2(convert(hi, scale, device, material, set2).status == ConversionStatus::Ok, curve);
                    const float below = std::nextafter(lo, -1.f);
                    const float above = std::nextafter(hi, 2000.f);
                    const Conversion low = convert(below, scale, device, material, set2);
                    const Conversion high = convert(above, scale, device, material, set2);
                    QVERIFY2(low.status == ConversionStatus::BelowRange && same(low.value, below), curve);
                    QVERIFY2(high.status == ConversionStatus::AboveRange && same(high.value, above), curve);
                }
            }
        }
        QCOMPARE(curves, set2 ? 112 : 109);
    }
}

void TestHardness::refusals_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("material");
    QTest::addColumn<int>("scale");
    QTest::addColumn<ConversionStatus>("set1");
    QTest::addColumn<ConversionStatus>("set2");

    using S = ConversionStatus;
    QTest::newRow("device NONE, HRC") << 0 << 0 << 2 << S::NoTable << S::NoTable;
    QTest::newRow("device NONE, STR") << 0 << 0 << 7 << S::NoTable << S::NoTable;
    QTest::newRow("device 8") << 8 << 0 << 2 << S::NoTable << S::NoTable;
    QTest::newRow("device 255") << 255 << 0 << 2 << S::NoTable << S::NoTable;
    QTest::newRow("material 9") << 1 << 9 << 2 << S::NoTable << S::NoTable;
    QTest::newRow("material 9, STR") << 1 << 9 << 7 << S::NoTable << S::NoTable;
    QTest::newRow("material 200") << 1 << 200 << 3 << S::NoTable << S::NoTable;
    QTest::newRow("D family, scale 6") << 1 << 0 << 6 << S::NoTable << S::NoTable;
    QTest::newRow("D family, scale 8") << 2 << 0 << 8 << S::NoTable << S::NoTable;
    QTest::newRow("D family, scale 255") << 7 << 0 << 255 << S::NoTable << S::NoTable;
    QTest::newRow("D family, material without curves, scale 6") << 1 << 3 << 6 << S::NoTable << S::NoTable;
    QTest::newRow("DL, STR") << 3 << 0 << 7 << S::NoTable << S::NoTable;
    QTest::newRow("D_15, STR") << 4 << 0 << 7 << S::NoTable << S::NoTable;
    QTest::newRow("C1, STR") << 5 << 0 << 7 << S::NoTable << S::NoTable;
    QTest::newRow("G, STR") << 6 << 0 << 7 << S::NoTable << S::NoTable;
    QTest::newRow("DL, scale 6") << 3 << 0 << 6 << S::NoTable << S::NoTable;
    QTest::newRow("D, gray cast iron, HRC") << 1 << 3 << 2 << S::NotAvailable << S::NotAvailable;
    QTest::newRow("D, cold work tool steel, HS") << 1 << 1 << 5 << S::NotAvailable << S::Ok;
    QTest::newRow("E, cold work tool steel, HS") << 7 << 1 << 5 << S::NotAvailable << S::Ok;
    QTest::newRow("D_15, steel, HRB") << 4 << 0 << 1 << S::NotAvailable << S::NotAvailable;
    QTest::newRow("D_15, cast aluminium, HRB") << 4 << 2 << 1 << S::NotAvailable << S::NotAvailable;
    QTest::newRow("C1, steel, HRB") << 5 << 0 << 1 << S::NotAvailable << S::NotAvailable;
    QTest::newRow("C1, cast aluminium, HRB") << 5 << 2 << 1 << S::Ok << S::Ok;
    QTest::newRow("DL, cold work tool steel, HRC") << 3 << 1 << 2 << S::NotAvailable << S::NotAvailable;
    QTest::newRow("G, steel, HS") << 6 << 0 << 5 << S::NotAvailable << S::NotAvailable;
    QTest::newRow("STR takes the strength list: 3 is Cr-Ni Steel") << 1 << 3 << 7 << S::Ok << S::Ok;
}

void TestHardness::refusals()
{
    QFETCH(int, device);
    QFETCH(int, material);
    QFETCH(int, scale);
    QFETCH(ConversionStatus, set1);
    QFETCH(ConversionStatus, set2);

    // HL 600 lies inside every curve that converts here, so the status cannot come from the range check.
    for (bool tableSet2 : {false, true}) {
        const Conversion result = convert(600.f, scale, device, material, tableSet2);
        QCOMPARE(result.status, tableSet2 ? set2 : set1);
        if (result.status != ConversionStatus::Ok)
            QCOMPARE(result.value, 600.f);
    }
}

void TestHardness::hlPassesThrough()
{
    for (float hl : {0.f, 450.25f, 1023.f, std::numeric_limits<float>::quiet_NaN()}) {
        for (int device = 0; device <= 255; ++device) {
            for (int material = 0; material <= 255; ++material) {
                for (bool set2 : {false, true}) {
                    const Conversion result = convert(hl, ScaleHL, device, material, set2);
                    if (result.status != ConversionStatus::Ok || !same(result.value, hl))
                        QFAIL(where(set2, device, material, ScaleHL, hl));
                }
            }
        }
    }
    float *nowhere = nullptr;
    QCOMPARE(convertLeeb(nowhere, ScaleHRC, DeviceD, 0, false), ConversionStatus::NoTable);
}

void TestHardness::dFamilySharedByDcAndE()
{
    for (bool set2 : {false, true}) {
        for (int material = 0; material <= 9; ++material) {
            for (int scale = 0; scale <= 8; ++scale) {
                for (int step = 0; step <= 2200; ++step) {
                    const float hl = step * 0.5f;
                    const Conversion d = convert(hl, scale, DeviceD, material, set2);
                    for (quint8 device : {DeviceDC, DeviceE}) {
                        const Conversion other = convert(hl, scale, device, material, set2);
                        if (other.status != d.status || !same(other.value, d.value))
                            QFAIL(where(set2, device, material, scale, hl));
                    }
                }
            }
        }
    }
}

void TestHardness::tableSet2EqualsSet1Elsewhere()
{
    int compared = 0;
    for (int device = 0; device <= 8; ++device) {
        for (int material = 0; material <= 10; ++material) {
            for (int scale = 0; scale <= 9; ++scale) {
                if (namedBySet2(device, material, scale))
                    continue;
                for (int step = -4; step <= 4400; ++step) {
                    const float hl = step * 0.25f;
                    const Conversion one = convert(hl, scale, device, material, false);
                    const Conversion two = convert(hl, scale, device, material, true);
                    ++compared;
                    if (one.status != two.status || !same(one.value, two.value))
                        QFAIL(where(true, device, material, scale, hl));
                }
            }
        }
    }
    QCOMPARE(compared, (9 * 11 * 10 - 24) * 4405); // 24 requests named by set 2
}

void TestHardness::tableSet2RowsTakeEffect()
{
    // The counterpart of the test above: each request that set 2 names gives a different answer somewhere.
    int named = 0;
    for (int device = 1; device <= 7; ++device) {
        for (int material = 0; material <= 8; ++material) {
            for (int scale = 1; scale <= 7; ++scale) {
                if (!namedBySet2(device, material, scale))
                    continue;
                ++named;
                bool differs = false;
                for (int hl = 0; hl <= 1023 && !differs; ++hl) {
                    const Conversion one = convert(hl, scale, device, material, false);
                    const Conversion two = convert(hl, scale, device, material, true);
                    differs = one.status != two.status || !same(one.value, two.value);
                }
                QVERIFY2(differs, where(true, device, material, scale));
            }
        }
    }
    QCOMPARE(named, 24);
}

void TestHardness::valueTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");

    QTest::newRow("Ok 59.57 shows 60") << 59.57 + 0.5 << 1 << "60" << QString();
    QTest::newRow("Ok 99.61 shows 100") << 99.61 + 0.5 << 1 << "100" << QString();
    QTest::newRow("Ok 48.04 shows 48") << 48.04 + 0.5 << 1 << "48" << QString();
    QTest::newRow("Ok HL 450 stored 450.5 shows 450") << 450.5 << 1 << "450" << QString();
    QTest::newRow("Ok exactly half rounds up") << 62.5 + 0.5 << 1 << "63" << QString();
    QTest::newRow("Ok 0.4 shows 0") << 0.4 << 1 << "0" << QString();
    QTest::newRow("Ok -0.7 truncates toward zero") << -0.7 << 1 << "0" << QString();
    QTest::newRow("Ok -3.2 truncates toward zero") << -3.2 << 1 << "-3" << QString();
    QTest::newRow("Ok 1234567.9 no group separator") << 1234567.9 << 1 << "1234567" << QString();
    QTest::newRow("Ok not-a-number") << std::nan("") << 1 << "---" << hintNone;
    QTest::newRow("Ok beyond 32 bits") << 3e9 << 1 << "---" << hintNone;
    QTest::newRow("AboveRange") << 523.5 << 2 << "HI" << hintHigh;
    QTest::newRow("BelowRange") << 349.5 << 3 << "LO" << hintLow;
    QTest::newRow("NotAvailable") << 48.5 << 4 << "---" << hintNone;
    QTest::newRow("NoTable") << 48.5 << 0 << "---" << hintNone;
    QTest::newRow("status 5") << 48.5 << 5 << "---" << hintNone;
    QTest::newRow("status 255") << 48.5 << 255 << "---" << hintNone;
}

void TestHardness::valueTexts()
{
    QFETCH(double, value);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(QString, hint);

    const QMap<QString, QString> texts = resultTexts({value, static_cast<ConversionStatus>(status)});
    QCOMPARE(texts.keys(), (QStringList{QStringLiteral("hint"), QStringLiteral("value")}));
    QCOMPARE(texts.value(QStringLiteral("value")), text);
    QCOMPARE(texts.value(QStringLiteral("hint")), hint);
}

void TestHardness::hintsTranslatedAtCallTime()
{
    const ConversionResult high{600.5, ConversionStatus::AboveRange};
    const ConversionResult low{100.5, ConversionStatus::BelowRange};
    const ConversionResult none{0.0, ConversionStatus::NotAvailable};
    EnglishHints english;
    QCoreApplication::installTranslator(&english);
    QCOMPARE(resultTexts(high).value(QStringLiteral("hint")), QStringLiteral("High"));
    QCOMPARE(resultTexts(low).value(QStringLiteral("hint")), QStringLiteral("Low"));
    QCOMPARE(resultTexts(none).value(QStringLiteral("hint")), QStringLiteral("Cannot be calculated"));
    QCOMPARE(resultTexts(high).value(QStringLiteral("value")), QStringLiteral("HI"));
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(resultTexts(high).value(QStringLiteral("hint")), hintHigh);
}

void TestHardness::statistics_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("average");
    QTest::addColumn<double>("largest");
    QTest::addColumn<double>("smallest");

    const double nan = std::nan("");
    QTest::newRow("empty") << QList<double>{} << nan << 0.0 << 0.0;
    QTest::newRow("one element") << QList<double>{455.5} << 455.5 << 455.5 << 455.5;
    QTest::newRow("450 462 455") << QList<double>{450, 462, 455} << 1367.0 / 3 << 462.0 << 450.0;
    QTest::newRow("extremes at the ends") << QList<double>{462, 455, 450} << 1367.0 / 3 << 462.0 << 450.0;
    QTest::newRow("all negative") << QList<double>{-3, -1, -2} << -2.0 << -1.0 << -3.0;
    QTest::newRow("largest repeated") << QList<double>{5, 9, 9, 1} << 6.0 << 9.0 << 1.0;
}

void TestHardness::statistics()
{
    QFETCH(QList<double>, values);
    QFETCH(double, average);
    QFETCH(double, largest);
    QFETCH(double, smallest);

    if (std::isnan(average))
        QVERIFY(std::isnan(mean(values)));
    else
        QCOMPARE(mean(values), average);
    QCOMPARE(maximum(values), largest);
    QCOMPARE(minimum(values), smallest);
}

QTEST_GUILESS_MAIN(TestHardness)
#include "tst_hardness.moc"
