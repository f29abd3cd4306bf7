#include "download.h"

#include <utility>

Download makeDownload(const QByteArray &payload, const QString &port, const QDateTime &receivedUtc)
{
    Download d;
    d.payload = payload;
    d.receivedUtc = receivedUtc.toUTC();
    d.port = port;
    const QList<GroupRecord> all = decodeGroups(payload);
    d.unreadGroups = unreadGroups(all);
    for (const GroupRecord &record : all) {
        if (record.groupValue == 0)
            break;
        d.records.append(record);
    }
    const QDate day = d.localDate();
    for (const GroupRecord &record : std::as_const(d.records))
        d.groups.append(buildGroup(record, day));
    return d;
}
