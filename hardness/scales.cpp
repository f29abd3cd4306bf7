#include "scales.h"

#include <iterator>

QString scaleName(quint8 scale)
{
    static const char *const names[] = {"HL", "HRB", "HRC", "HB", "HV", "HS", "", "STR"};
    return scale < std::size(names) ? QString::fromLatin1(names[scale]) : QString();
}

QString deviceName(quint8 device)
{
    static const char *const names[] = {"NONE", "D", "DC", "DL", "D_15", "C1", "G", "E"};
    return device < std::size(names) ? QString::fromLatin1(names[device]) : QString();
}

bool deviceFromName(const QString &name, quint8 *device)
{
    for (quint8 code = DeviceD; code <= DeviceE; ++code) {
        if (name == deviceName(code)) {
            *device = code;
            return true;
        }
    }
    return false;
}
