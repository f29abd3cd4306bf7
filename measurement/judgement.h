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
