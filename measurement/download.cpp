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

QList<int> Download::invalidDateGroups() const
{
    QList<int> numbers;
    for (int i = 0; i < groups.size(); ++i) {
        if (!groups.at(i).dateValid())
            numbers.append(i + 1);
    }
    return numbers;
}
