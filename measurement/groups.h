#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// One 52-byte slot of the instrument's group memory, unpacked.
struct GroupRecord
{
    quint8 month = 0;
    quint8 minute = 0;
    quint8 day = 0;
    quint8 hour = 0;
    quint8 tableSet = 0;    // 0: table set 1, 1: table set 2
    quint16 groupValue = 0; // HL of the group; 0 marks an unused slot
    quint8 device = 0;
    quint8 scale = 0; // measurement type
    quint8 direction = 0;
    quint8 impactCount = 1; // 1 to 32
    quint16 impacts[32] = {};
    quint8 material = 0;
};

bool operator==(const GroupRecord &a, const GroupRecord &b);
inline bool operator!=(const GroupRecord &a, const GroupRecord &b)
{
    return !(a == b);
}

namespace groups {
constexpr int SlotSize = 52;
constexpr int SlotCount = 100;
constexpr int PayloadSize = SlotSize * SlotCount;
constexpr int MaxImpacts = 32;
} // namespace groups

// Unpacks all 100 slots of a group data payload, used or not; an empty list when the payload is shorter than 5200
// bytes. Bytes after the first 5200 are ignored.
QList<GroupRecord> decodeGroups(const QByteArray &payload);

// Whether a record's date and time can be one of some year: month 1 to 12, a day the month has (29 February counts:
// the record keeps no year), hour 0 to 23, minute 0 to 59.
bool isPossibleDate(int month, int day, int hour, int minute);

// Why a group data payload cannot be the instrument's, in English for the log; empty when it can. A real one holds
// exactly 5200 bytes, and every used slot a possible date and time (isPossibleDate). Codes that no table knows are no
// reason: they show as empty texts.
QString groupPayloadFault(const QByteArray &payload);

// True when a payload's only fault is an impossible date in a used slot: damage, or what an instrument whose clock or
// memory went wrong really holds. Only the latter comes back the same when asked again.
bool onlyDateFault(const QByteArray &payload);

// Used slots that lie after the first unused one: the download stops at that slot, so these are not read.
int unreadGroups(const QList<GroupRecord> &records);
