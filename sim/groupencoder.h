#pragma once

#include "groups.h"

#include <QByteArray>
#include <QList>

// The instrument's side of the group record: packs groups the way decodeGroups unpacks them.

// One 52-byte slot. Every field is masked to its bit width; impactCount is taken as 1 to 32 (smaller counts as 1,
// larger as 32) and only that many impacts are stored. Bits the PC does not read stay zero.
QByteArray encodeGroup(const GroupRecord &group);

// A complete group data payload of 5200 bytes: the groups in slots 0 onward, the other slots zero (unused).
// Groups beyond the 100 slots are left out.
QByteArray encodeGroups(const QList<GroupRecord> &groups);
