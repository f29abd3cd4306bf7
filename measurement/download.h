#pragma once

#include "groups.h"
#include "measurementgroup.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

// One group download as it arrived: the window, the batch export, the archive and the reports all read this value,
// and nothing downstream decodes the payload again.
struct Download
{
    QByteArray payload;             // exactly as received
    QDateTime receivedUtc;          // taken once, when the frame was accepted
    QString port;                   // the port it came from
    QList<GroupRecord> records;     // the used slots, up to the first unused one
    QList<MeasurementGroup> groups; // built from records, dated by the download's local day
    int unreadGroups = 0;           // used slots after the first unused one: the instrument's list stops there

    bool isNull() const { return payload.isEmpty(); }
    // The local day of the download: it gives the groups their year.
    QDate localDate() const { return receivedUtc.toLocalTime().date(); }
    // The numbers (from 1, as the table counts) of the groups whose date is invalid.
    QList<int> invalidDateGroups() const;
};

Q_DECLARE_METATYPE(Download)

// The one place a download is made from a group data payload. A payload shorter than a full group memory gives a
// download without records.
Download makeDownload(const QByteArray &payload, const QString &port,
                      const QDateTime &receivedUtc = QDateTime::currentDateTimeUtc());
