#pragma once

#include "groups.h"
#include "scales.h"
#include "valuetext.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

// One downloaded group as the rest of the program sees it: its impacts, texts and its value in every scale.
struct MeasurementGroup
{
    QList<double> impacts; // HL, in stored order
    QString dateText;      // month/day hour:minute, no year
    QDateTime measured;    // with its year (groupDateTime); null when the date is invalid
    quint8 device = 0;
    QString deviceName;
    quint8 material = 0; // the code as received
    QString materialName;
    quint8 direction = 0;
    QString directionName;
    quint8 scale = 0; // measurement type
    QString scaleName;

    bool isStrength() const { return scale == ScaleSTR; }
    // False for a date the year it lies in does not have (2/30, 25:61, 29 February of a common year): the instrument's
    // clock or memory went wrong. The group is still shown, marked.
    bool dateValid() const { return measured.isValid(); }
    // Where the date is shown: dateText, or the mark invalidDateText().
    QString shownDateText() const;

    // The group's value in a scale; a code with no scale (6, anything above 7) has none: NoTable.
    ConversionResult result(quint8 scaleCode) const
    {
        return scaleCode < ScaleCount && scaleCode != ScaleNone ? m_results[scaleCode] : ConversionResult();
    }
    // Its value in its own measurement type, the one its row in the table shows.
    ConversionResult ownResult() const { return result(scale); }
    void setResult(HardnessScale scaleCode, ConversionResult value)
    {
        if (scaleCode < ScaleCount)
            m_results[scaleCode] = value;
    }

private:
    std::array<ConversionResult, ScaleCount> m_results; // indexed by HardnessScale
};

// Code-to-text tables of the group record. Direction and material texts are translated in the context QObject when
// called; codes without a text give an empty one.
QString scaleText(quint8 code);
QString deviceText(quint8 code);
QString directionText(quint8 code);
// Hardness materials at 0 to 8, strength materials at 9 to 17.
QString materialText(quint8 index);
// A group's material as received: a strength group's code counts in the strength materials.
QString groupMaterialText(const MeasurementGroup &group);
// The mark of a group whose date is invalid, translated when called.
QString invalidDateText();

// When a group was measured. The instrument keeps no year: it is the year of the download, or the year before when
// the group's month and day lie after the download date (a group is never younger than its download). Invalid when
// there is no such day or time, such as 29 February of a year without one.
QDateTime groupDateTime(int month, int day, int hour, int minute, const QDate &downloadDate);

// Builds the group of one used slot, with its texts and conversions, downloaded on the local day downloadDate.
MeasurementGroup buildGroup(const GroupRecord &record, const QDate &downloadDate);
