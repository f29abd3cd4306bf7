#include "conversion.h"

#include "scales.h"

#include <cmath>
#include <cstddef>

namespace {

// One curve: valid for hlMin <= HL <= hlMax, y = c0 + c1·HL + c2·HL² + c3·HL³ + c4·HL⁴ + c5·HL⁵. The constants are
// single precision, written exactly as in the conversion tables so that every digit can be checked against them.
struct CurveRow
{
    quint8 material;
    quint8 scale;
    float hlMin;
    float hlMax;
    float c0, c1, c2, c3, c4, c5;
};

// D, DC and E share one family of curves.
enum CurveFamily : quint8 { FamilyD, FamilyDL, FamilyD15, FamilyC1, FamilyG };

// A curve of table set 2 that replaces (or, where set 1 has none, adds to) the curve of set 1 for the same family,
// material and scale.
struct ReplacedRow
{
    CurveFamily family;
    CurveRow row;
};

// clang-format off

// Table set 1. Rows in the order of the conversion tables; a material is a hardness material except in the strength
// table, where it indexes the strength materials.
// Columns: material, scale, HL min, HL max, c0 to c5.

constexpr CurveRow dFamilyHardness[] = {
    // 0 Steel and Cast Steel
    {0, ScaleHRB, 350, 522, -413.946f,   3.64108f,     -0.0135101f,   3.24526e-5f,  -4.50286e-8f,  2.63568e-11f},
    {0, ScaleHRC, 500, 880, -389.068f,   2.04641f,     -0.00404787f,  3.90072e-6f,  -1.49811e-9f,  5.84928e-14f},
    {0, ScaleHB,  420, 802, -4937.38f,   41.8468f,     -0.13703f,     0.000220923f, -1.72527e-7f,  5.29814e-11f},
    {0, ScaleHV,  300, 890, -93.0745f,   1.9405f,      -0.00999922f,  2.5467e-5f,   -2.73761e-8f,  1.16142e-11f},
    {0, ScaleHS,  460, 882, -245.719f,   1.86403f,     -0.00560934f,  8.94872e-6f,  -7.03144e-9f,  2.21085e-12f},
    // 1 Cold Work Tool Steel
    {1, ScaleHRC, 510, 840, -298.509f,   1.6693f,      -0.00372134f,  4.46816e-6f,  -2.62954e-9f,  5.97941e-13f},
    {1, ScaleHV,  300, 840, 694.095f,    -6.18763f,    0.0209191f,    -2.80448e-5f, 1.43608e-8f,   2.71908e-13f},
    // 2 Cast Aluminium Alloys
    {2, ScaleHRB, 330, 570, -86.803696f, -0.16106008f, 0.0036318498f, -9.20237e-6f, 9.558332e-9f,  -3.6820312e-12f},
    {2, ScaleHB,  200, 560, 14.4717f,    -0.0928774f,  0.00108239f,   -1.27302e-6f, 8.74864e-10f,  -1.01278e-13f},
    // 3 Gray Cast Iron
    {3, ScaleHB,  360, 650, 1027.04f,    -8.01329f,    0.023703f,     -2.90671e-5f, 1.42686e-8f,   -5.44873e-13f},
    // 4 Nodular Cast Iron
    {4, ScaleHB,  400, 660, -88.2576f,   2.19034f,     -0.011036f,    2.61846e-5f,  -2.62403e-8f,  1.02855e-11f},
    // 5 Stainless Steel
    {5, ScaleHRB, 300, 520, -492.789f,   3.88292f,     -0.00995226f,  1.11027e-5f,  -3.17403e-9f,  -1.64576e-12f},
    {5, ScaleHRC, 500, 800, 386.73f,     -3.08796f,    0.00932805f,   -1.3217e-5f,  9.2283e-9f,    -2.55356e-12f},
    {5, ScaleHB,  300, 770, 230.565f,    -2.0475f,     0.00787061f,   -1.07541e-5f, 6.22225e-9f,   2.1064e-13f},
    {5, ScaleHV,  300, 800, 413.209f,    -3.78126f,    0.0136303f,    -1.85137e-5f, 9.41971e-9f,   9.49628e-13f},
    // 6 Copper-Zinc Alloys
    {6, ScaleHRB, 260, 550, -338.384f,   2.47684f,     -0.00583234f,  6.5398e-6f,   -2.81558e-9f,  1.04359e-13f},
    {6, ScaleHB,  210, 550, -5.09633f,   0.19393f,     8.92383e-5f,   3.26123e-7f,  -1.20639e-10f, 2.6723e-14f},
    // 7 Cu-Al Alloys
    {7, ScaleHB,  300, 700, 62.262f,     -0.60506f,    0.0027504f,    -2.8331e-6f,  9.3072e-10f,   3.0883e-13f},
    // 8 Wrought Copper
    {8, ScaleHB,  200, 690, 25.633f,     -0.0095186f,  0.00038876f,   9.1435e-7f,   -1.1295e-9f,   4.2478e-13f},
};

constexpr CurveRow dFamilyStrength[] = {
    // 0 C Steel
    {0, ScaleSTR, 350, 710, 1065,    -5.689f,  0.012f,     -4.007e-6f, 0, 0},
    // 1 Cr Steel
    {1, ScaleSTR, 500, 730, -11226,  58.658f,  -0.09951f,  5.9783e-5f, 0, 0},
    // 2 Cr-V Steel
    {2, ScaleSTR, 500, 750, 1976.8f, -7.5915f, 0.01012f,   0,          0, 0},
    // 3 Cr-Ni Steel
    {3, ScaleSTR, 500, 749, 3680.5f, -13,      0.014351f,  0,          0, 0},
    // 4 Cr-Mo Steel
    {4, ScaleSTR, 500, 730, 2798.3f, -10.208f, 0.012135f,  0,          0, 0},
    // 5 Cr-Ni-Mo Steel
    {5, ScaleSTR, 540, 730, 3030.4f, -11.014f, 0.012912f,  0,          0, 0},
    // 6 Cr-Mn-Si Steel
    {6, ScaleSTR, 500, 750, 3215.9f, -11.343f, 0.012917f,  0,          0, 0},
    // 7 Super Strength Steel
    {7, ScaleSTR, 630, 740, 2194.5f, -8.558f,  0.011068f,  0,          0, 0},
    // 8 Stainless Steel
    {8, ScaleSTR, 500, 710, -10840,  56.922f,  -0.097069f, 5.8747e-5f, 0, 0},
};

constexpr CurveRow dlCurves[] = {
    // 0 Steel and Cast Steel
    {0, ScaleHRB, 560, 730, -2086.0596f, 2.1895764f,  0.025593236f,   -7.533017e-5f,   7.780403e-8f,   -2.8173e-11f},
    {0, ScaleHRC, 720, 950, 7734.2915f,  -48.06747f,  0.11813658f,    -0.00014410893f, 8.767764e-8f,   -2.1297e-11f},
    {0, ScaleHB,  560, 900, 2456.9473f,  -8.8499155f, -0.0028455553f, 4.835339e-5f,    -6.782573e-8f,  2.9989e-11f},
    {0, ScaleHV,  560, 950, 6183.041f,   -37.555115f, 0.083575904f,   -7.891985e-5f,   2.3866482e-8f,  4.191e-12f},
    {0, ScaleHS,  700, 950, -15308.264f, 91.85964f,   -0.21983021f,   0.00026226335f,  -1.5583157e-7f, 3.6965e-11f},
};

constexpr CurveRow d15Curves[] = {
    // 0 Steel and Cast Steel
    {0, ScaleHRC, 520, 890, -92.626f,    0.2661f,     -9.6506e-5f,    9e-19f,         0,              0},
    {0, ScaleHB,  330, 800, -144.52931f, 0.8202662f,  -0.0005418782f, -3.029658e-7f,  2.319939e-9f,   -9.88e-13f},
    {0, ScaleHV,  330, 890, 311.38608f,  -2.8953552f, 0.010196361f,   -1.3029436e-5f, 6.938705e-9f,   -7.9e-14f},
    {0, ScaleHS,  520, 900, -9.152218f,  0.16095167f, -0.0007071778f, 1.8534932e-6f,  -1.870969e-9f,  6.99e-13f},
    // 1 Cold Work Tool Steel
    {1, ScaleHRC, 520, 850, -957.04236f, 6.610523f,   -0.018518561f,  2.6472162e-5f,  -1.8855935e-8f, 5.345e-12f},
    {1, ScaleHV,  340, 850, 726.33923f,  -6.6747813f, 0.022649622f,   -3.062113e-5f,  1.581759e-8f,   1.48e-13f},
};

constexpr CurveRow c1Curves[] = {
    // 0 Steel and Cast Steel
    {0, ScaleHRC, 570, 960, -413.92813f, 1.9877957f,   -0.0036733f,    3.4374555e-6f, -1.4565692e-9f, 1.9175548e-13f},
    {0, ScaleHB,  350, 880, -1.3513366f, 0.016059013f, 0.0005574681f,  8.096337e-8f,  1.7163725e-10f, 1.5299033e-13f},
    {0, ScaleHV,  350, 960, 520.332f,    -4.07879f,    0.0122176f,     -1.42555e-5f,  6.74909e-9f,    1.4059e-14f},
    {0, ScaleHS,  550, 960, -87.725845f, 0.68713367f,  -0.0022261522f, 4.0978884e-6f, -3.5970553e-9f, 1.2406528e-12f},
    // 1 Cold Work Tool Steel
    {1, ScaleHRC, 550, 900, -36.424f,    0.0844f,      3.5871e-5f,     0,             0,              0},
    {1, ScaleHV,  360, 900, -1143.7f,    6.6479f,      -0.011742f,     7.672e-6f,     0,              0},
    // 2 Cast Aluminium Alloys
    {2, ScaleHRB, 390, 636, -181.84f,    0.71818f,     -0.00047126f,   0,             0,              0},
    {2, ScaleHB,  234, 636, -7.3294f,    0.028463f,    0.00048093f,    0,             0,              0},
};

constexpr CurveRow gCurves[] = {
    // 0 Steel and Cast Steel
    {0, ScaleHRB, 310, 482, -157.87401f, 0.61265236f, 0.0017461882f,    -6.8389395e-6f, 6.2774568e-9f,  -6.6056015e-13f},
    {0, ScaleHB,  310, 750, -11.684182f, 0.22926089f, -0.000108794855f, 1.9897502e-6f,  -1.5993449e-9f, 8.9935904e-13f},
    // 2 Cast Aluminium Alloys
    {2, ScaleHRB, 320, 540, -216.15002f, 1.4576228f,  -0.003891056f,    8.093129e-6f,   -1.0190143e-8f, 5.255e-12f},
    {2, ScaleHB,  200, 540, 56.64484f,   -0.4458851f, 0.0020525875f,    -1.2984804e-6f, -2.10249e-9f,   2.97e-12f},
    // 3 Gray Cast Iron
    {3, ScaleHB,  340, 600, -14.4444f,   -0.483979f,  0.00573606f,      -1.68729e-5f,   2.45125e-8f,    -1.24277e-11f},
    // 4 Nodular Cast Iron
    {4, ScaleHB,  386, 600, 2495.61f,    -24.5134f,   0.0990156f,       -0.000199373f,  2.04235e-7f,    -8.32504e-11f},
};

// Table set 2: the rows in which it differs from table set 1. Some hold the same curve as set 1 with fewer digits;
// they are here because the constants, and so the last digits of the results, differ. Cold Work Tool Steel HS of the
// D family exists in set 2 only.
constexpr ReplacedRow tableSet2Rows[] = {
    // D, DC, E, 0 Steel and Cast Steel
    {FamilyD,   {0, ScaleHRC, 510, 855, -285.91147f, 1.4526192f,  -0.002906818f,  3.2917076e-6f,    -1.954177e-9f, 4.83e-13f}},
    {FamilyD,   {0, ScaleHB,  510, 828, 728.9963f,   -6.048959f,  0.019831942f,   -2.7863394e-5f,   1.863387e-8f,  -3.89e-12f}},
    {FamilyD,   {0, ScaleHV,  510, 828, 1713.7828f,  -16.18991f,  0.060364317f,   -0.000106605155f, 9.317738e-8f,  -3.134e-11f}},
    {FamilyD,   {0, ScaleHS,  460, 882, -277.568f,   2.11479f,    -0.00638818f,   1.01418e-5f,      -7.93337e-9f,  2.4802e-12f}},
    // D, DC, E, 1 Cold Work Tool Steel
    {FamilyD,   {1, ScaleHS,  460, 882, -277.568f,   2.11479f,    -0.00638818f,   1.01418e-5f,      -7.93337e-9f,  2.4802e-12f}},
    // D_15, 0 Steel and Cast Steel
    {FamilyD15, {0, ScaleHRC, 520, 890, -92.626f,    0.2661f,     -9.6506e-5f,    3e-15f,           0,             0}},
    {FamilyD15, {0, ScaleHS,  520, 900, -9.152218f,  0.16095167f, -0.0007071778f, 1.8534932e-6f,    -1.87096e-9f,  6.99e-13f}},
    // C1, 0 Steel and Cast Steel
    {FamilyC1,  {0, ScaleHRC, 570, 960, -413.92813f, 1.9877957f,  -0.0036733f,    3.4374555e-6f,    -1.456569e-9f, 1.91755e-13f}},
    {FamilyC1,  {0, ScaleHB,  350, 880, -1.3513366f, 0.016059f,   0.000557468f,   8.09634e-8f,      1.71637e-10f,  1.5299e-13f}},
    {FamilyC1,  {0, ScaleHV,  350, 960, 520.3318f,   -4.0787916f, 0.012217567f,   -1.4255498e-5f,   6.749087e-9f,  1.4e-14f}},
    {FamilyC1,  {0, ScaleHS,  550, 960, -87.725845f, 0.68713367f, -0.0022261522f, 4.0978884e-6f,    -3.597055e-9f, 1.241e-12f}},
    // C1, 1 Cold Work Tool Steel
    {FamilyC1,  {1, ScaleHV,  360, 900, 733.4828f,   -5.5296807f, 0.015183692f,   -1.3037043e-5f,   -2.247217e-9f, 6.55e-12f}},
    // G, 0 Steel and Cast Steel
    {FamilyG,   {0, ScaleHRB, 310, 482, -157.874f,   0.612652f,   0.00174619f,    -6.83894e-6f,     6.27746e-9f,   -6.6056e-13f}},
    {FamilyG,   {0, ScaleHB,  310, 750, -11.6842f,   0.229261f,   -0.000108795f,  1.98975e-6f,      -1.59934e-9f,  8.99359e-13f}},
};

// clang-format on

struct Rows
{
    const CurveRow *begin;
    const CurveRow *end;
};

template<std::size_t N> constexpr Rows rowsOf(const CurveRow (&rows)[N])
{
    return {rows, rows + N};
}

// Hardness curves of each family, indexed by CurveFamily.
constexpr Rows hardnessCurves[] = {rowsOf(dFamilyHardness), rowsOf(dlCurves), rowsOf(d15Curves), rowsOf(c1Curves),
                                   rowsOf(gCurves)};

// Family of each device code 1 to 7 (index 0 is device 0, which has none and is refused before this is read).
constexpr CurveFamily familyOfDevice[] = {FamilyD, FamilyD, FamilyD, FamilyDL, FamilyD15, FamilyC1, FamilyG, FamilyD};

const CurveRow *findRow(Rows rows, quint8 material, quint8 scale)
{
    for (const CurveRow *row = rows.begin; row != rows.end; ++row) {
        if (row->material == material && row->scale == scale)
            return row;
    }
    return nullptr;
}

// The curve for a request, or nullptr with *status telling why there is none.
const CurveRow *findCurve(quint8 scale, quint8 device, quint8 material, bool tableSet2, ConversionStatus *status)
{
    *status = ConversionStatus::NoTable;
    if (device < DeviceD || device > DeviceE)
        return nullptr;
    if (material > 8)
        return nullptr;

    const CurveFamily family = familyOfDevice[device];
    Rows rows;
    if (scale >= ScaleHRB && scale <= ScaleHS)
        rows = hardnessCurves[family];
    else if (scale == ScaleSTR && family == FamilyD)
        rows = rowsOf(dFamilyStrength);
    else
        return nullptr;

    if (tableSet2) {
        for (const ReplacedRow &replaced : tableSet2Rows) {
            if (replaced.family == family && replaced.row.material == material && replaced.row.scale == scale)
                return &replaced.row;
        }
    }
    const CurveRow *row = findRow(rows, material, scale);
    if (!row)
        *status = ConversionStatus::NotAvailable;
    return row;
}

// Evaluated in double with the terms added in rising power and rounded to single precision once, at the end: float
// arithmetic or another order of the terms changes the last digits of the result.
float evaluate(const CurveRow &curve, float hl)
{
    const double h = hl;
    const double h2 = h * h;
    const double h3 = h2 * h;
    const double h4 = h3 * h;
    const double h5 = h4 * h;
    double y = double(curve.c0);
    y += double(curve.c1) * h;
    y += double(curve.c2) * h2;
    y += double(curve.c3) * h3;
    y += double(curve.c4) * h4;
    y += double(curve.c5) * h5;
    return static_cast<float>(y);
}

} // namespace

ConversionStatus convertLeeb(float *value, quint8 scale, quint8 device, quint8 material, bool tableSet2)
{
    if (!value)
        return ConversionStatus::NoTable;
    // HL is reported as measured, whatever the device and material.
    if (scale == ScaleHL)
        return ConversionStatus::Ok;

    ConversionStatus status;
    const CurveRow *curve = findCurve(scale, device, material, tableSet2, &status);
    if (!curve)
        return status;

    const float hl = *value;
    if (hl > curve->hlMax)
        return ConversionStatus::AboveRange;
    if (hl < curve->hlMin)
        return ConversionStatus::BelowRange;
    if (std::isnan(hl))
        return ConversionStatus::NoTable; // not a number: on neither side of the range, and not convertible
    *value = evaluate(*curve, hl);
    return ConversionStatus::Ok;
}

ConversionStatus leebCurveLimits(quint8 scale, quint8 device, quint8 material, bool tableSet2, float *hlMin,
                                 float *hlMax)
{
    ConversionStatus status;
    const CurveRow *curve = findCurve(scale, device, material, tableSet2, &status);
    if (!curve)
        return status;
    if (hlMin)
        *hlMin = curve->hlMin;
    if (hlMax)
        *hlMax = curve->hlMax;
    return ConversionStatus::Ok;
}
