#pragma once

#include "groups.h"

#include <QList>

// The groups the simulator holds when it is given no file: 28 plausible groups that together cover every impact
// device (1 to 7), the hardness materials 0 to 8 and the strength materials 0 to 8, every measurement type (0 to 5,
// one of 6, and 7), both table sets, group values below and above the usual conversion ranges (HL 300 and 890 on
// device D), and groups of 1 and of 32 impacts. Each group value is the rounded mean of its impacts. The set is
// the same on every call.
QList<GroupRecord> sampleGroups();
