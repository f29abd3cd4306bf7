#pragma once

#include "groups.h"

#include <QList>
#include <QString>

// Reads the groups an instrument should hold from a JSON file: an array of at most 100 objects, each with the
// integer fields month, day, hour, minute, tableSet, groupValue, device, scale, direction, material and an array
// "impacts" of 1 to 32 integers from 0 to 1023. Every value must fit its bit field in the group record.
//
// On success fills *out and returns true. Otherwise leaves *out unchanged, sets *error to a message that names the
// file and the offending entry and field (for example "g.json: [3].month: 16 is outside 0 to 15") and returns false.
bool loadGroupsJson(const QString &path, QList<GroupRecord> *out, QString *error);
