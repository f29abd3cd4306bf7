#pragma once

#include "conversion.h"

#include <QList>
#include <QMap>
#include <QString>

// One converted value of a group. value is the converted number plus 0.5, so that truncating it for display rounds
// half up; it is only meaningful when status is Ok. status may hold any number the group record carried.
struct ConversionResult
{
    double value = 0.0;
    ConversionStatus status = ConversionStatus::NoTable;
};

// The two texts shown for a result: "value" (the whole number, or "HI", "LO", "---") and "hint" (why there is no
// number, empty for Ok). Hints are translated in the context QObject when this is called.
QMap<QString, QString> resultTexts(ConversionResult result);

// Arithmetic mean in list order; not-a-number for an empty list.
double mean(const QList<double> &values);

// Largest and smallest value; 0.0 for an empty list.
double maximum(const QList<double> &values);
double minimum(const QList<double> &values);
