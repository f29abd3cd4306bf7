#pragma once

#include "measurementgroup.h"

#include <QList>
#include <QString>

#include <optional>

// What a lab writes on a group to trace it: the part (or specimen) it was measured on, the heat or batch, where on the
// part, who measured, and a free remark. Empty texts are tags not given.
struct GroupTags
{
    QString part;
    QString heat;
    QString location;
    QString operatorName;
    QString remark;

    bool isEmpty() const
    {
        return part.isEmpty() && heat.isEmpty() && location.isEmpty() && operatorName.isEmpty() && remark.isEmpty();
    }
    bool operator==(const GroupTags &other) const
    {
        return part == other.part && heat == other.heat && location == other.location &&
               operatorName == other.operatorName && remark == other.remark;
    }
};

// A part's limits: a scale and a lower and/or upper bound, inclusive, in that scale's shown whole numbers.
struct PartLimit
{
    HardnessScale scale = ScaleHL;
    std::optional<int> low;
    std::optional<int> high;

    bool isSet() const { return low.has_value() || high.has_value(); }
};

// A group's verdict against its part's limit. None: the part has no limit.
enum class Verdict { None, Pass, Low, High, NotJudged };
// Kept inline in a QList, as a number is: a list of verdicts for a whole part is not a heap node each.
Q_DECLARE_TYPEINFO(Verdict, Q_PRIMITIVE_TYPE);

// The verdict of a group against a limit: its value in the limit's scale (MeasurementGroup::result, converted with
// the group's own device, material and table set) as the window shows it, the bounds inclusive. NotJudged when that
// value has no number (HI, LO, ---); None when the limit has no bound.
Verdict judge(const MeasurementGroup &group, const PartLimit &limit);

// The verdict in files, never translated: "pass", "low", "high", "not_judged", and an empty text for None.
QString verdictName(Verdict verdict);
// The verdict for the operator, translated when called; empty for None.
QString verdictText(Verdict verdict);

// A group's spread, in HL, as the window's panel shows its impacts: whole numbers, the mean rounded half up.
struct GroupStatistics
{
    int count = 0; // impacts
    int meanHl = 0;
    std::optional<double> sdHl; // sample standard deviation to one decimal; none below two impacts
    int rangeHl = 0;            // maximum - minimum
    int minHl = 0;
    int maxHl = 0;
    ConversionResult meanInScale; // the group's value in its own measurement type, what its row shows
};

GroupStatistics groupStatistics(const MeasurementGroup &group);

// Several groups at once (selected rows, a part): the mean and sample standard deviation of their HL values, and how
// many were judged (pass, low or high) and passed. A group without an HL number counts among the groups only.
struct Summary
{
    int groups = 0;
    double mean = 0.0;        // not a number when no group has an HL number
    std::optional<double> sd; // none below two HL numbers
    int judged = 0;
    int passed = 0;
};

// verdicts runs parallel to groups; a group past its end has none.
Summary summarise(const QList<MeasurementGroup> &groups, const QList<Verdict> &verdicts);
// The summary's mean to the whole HL and its deviation to a tenth, both rounded half up as the panel shows HL; `none`
// where there is no number.
QString summaryMeanText(const Summary &summary, const QString &none);
QString summarySdText(const Summary &summary, const QString &none);

// What the workbook writes beside a group to trace and judge it.
struct GroupTrace
{
    GroupTags tags;
    PartLimit limit;
};
