#pragma once

#include "conversion.h"

#include <QList>
#include <QMap>
#include <QString>

// One converted value of a group: the number the conversion returned, meaningful only when status is Ok. status may
// hold any number the group record carried.
struct ConversionResult
{
    double value = 0.0;
    ConversionStatus status = ConversionStatus::NoTable;
};

// Truncation toward zero, as every whole number on screen and paper is shown. A value with no 32-bit integer (not a
// number, infinite, out of range) gives 0 and *ok false.
int wholeNumber(double value, bool *ok = nullptr);

// The whole number shown for a converted value or a mean of impacts, rounded half up in the one way the program always
// has: the quotient (value * 10 + 5) / 10 in double, truncated toward zero. So -1.2 shows 0, and 0.4999999999999999
// shows 1 because the sum rounds to 10. Fails as wholeNumber does.
int shownValue(double value, bool *ok = nullptr);

// The two texts shown for a result: "value" (its shownValue, or "HI", "LO", "---") and "hint" (why there is no
// number, empty for Ok). Hints are translated in the context QObject when this is called.
QMap<QString, QString> resultTexts(ConversionResult result);

// Arithmetic mean in list order; not-a-number for an empty list.
double mean(const QList<double> &values);

// Largest and smallest value; 0.0 for an empty list.
double maximum(const QList<double> &values);
double minimum(const QList<double> &values);
