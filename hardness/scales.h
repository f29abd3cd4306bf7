#pragma once

#include <QString>
#include <QtGlobal>

// Measurement type of a group and target scale of a conversion. The numbers are those of the instrument's group
// record, so a code read from the wire can be compared with these directly.
enum HardnessScale : quint8 {
    ScaleHL = 0,
    ScaleHRB = 1,
    ScaleHRC = 2,
    ScaleHB = 3,
    ScaleHV = 4,
    ScaleHS = 5,
    ScaleNone = 6,
    ScaleSTR = 7,
};

// Slots of a group's results, one per scale code; slot 6 (ScaleNone) stays empty.
constexpr int ScaleCount = ScaleSTR + 1;

// The scales a group is shown in, in the order the window's panel, the workbook, the report and the tools list them.
constexpr HardnessScale DisplayScales[] = {ScaleHL, ScaleHRB, ScaleHS, ScaleHB, ScaleHRC, ScaleHV, ScaleSTR};

// Impact device of a group, numbered as in the instrument's group record.
enum ImpactDevice : quint8 {
    DeviceNone = 0,
    DeviceD = 1,
    DeviceDC = 2,
    DeviceDL = 3,
    DeviceD15 = 4,
    DeviceC1 = 5,
    DeviceG = 6,
    DeviceE = 7,
};

// Fixed technical names, never translated. Codes without a name (scale 6, anything above 7) give an empty text.
QString scaleName(quint8 scale);
QString deviceName(quint8 device);
// The device code of a device name as the program shows it ("D", "DC", "DL", "D_15", "C1", "G", "E"); false for
// any other text.
bool deviceFromName(const QString &name, quint8 *device);
