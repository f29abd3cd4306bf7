#pragma once

#include <QtGlobal>

// Outcome of one conversion; the numbers are stored with every converted value of a group.
enum class ConversionStatus : quint8 {
    NoTable = 0,      // no curve family answers the request (device, material or scale out of the numbering)
    Ok = 1,           // converted; for HL nothing needed converting
    AboveRange = 2,   // HL above the curve's upper limit
    BelowRange = 3,   // HL below the curve's lower limit
    NotAvailable = 4, // the family has curves for this scale, but not for this material
};

// Converts the HL value in *value into another scale (HardnessScale numbering) with the curves of the impact device's
// family (ImpactDevice numbering). material indexes the hardness materials for HRB to HS and the strength materials
// for STR. On Ok for a scale other than HL *value is overwritten with the converted value; for every other status it
// is left as it came in. tableSet2 selects table set 2 instead of table set 1, as the group's table-set flag says.
//
// A null value pointer gives NoTable, and so does an HL that is not a number once a curve has been found: neither can
// be converted, and a not-a-number must not come back as a converted value.
ConversionStatus convertLeeb(float *value, quint8 scale, quint8 device, quint8 material, bool tableSet2);

// The two table sets as separate operations with the same parameters, for callers that pick one by the group's flag.
inline ConversionStatus convertLeebSet1(float *value, quint8 scale, quint8 device, quint8 material)
{
    return convertLeeb(value, scale, device, material, false);
}

inline ConversionStatus convertLeebSet2(float *value, quint8 scale, quint8 device, quint8 material)
{
    return convertLeeb(value, scale, device, material, true);
}

// The inclusive HL limits of the curve that convertLeeb would use. Returns Ok and fills both limits when there is
// such a curve, otherwise NoTable or NotAvailable as convertLeeb would (HL itself has no curve: NoTable) and leaves
// the limits untouched.
ConversionStatus leebCurveLimits(quint8 scale, quint8 device, quint8 material, bool tableSet2, float *hlMin,
                                 float *hlMax);
