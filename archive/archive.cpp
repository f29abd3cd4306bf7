// Storing downloads and reading them back: listings, groups, payloads and spans of measuring days.

#include "archive.h"
#include "archiveconnection.h"
#include "archivesql.h"

#include "measurementgroup.h"
#include "qtcompat.h"

#include <QSet>
#include <QSqlQuery>
#include <QSysInfo>

Q_LOGGING_CATEGORY(lcArchive, "leeb.archive")

bool archivesql::fail(QString *error, const QString &what, const QSqlError &sqlError)
{
    const QString reason = sqlError.text().simplified();
    if (error)
        *error = reason.isEmpty() ? what : QStringLiteral("%1: %2").arg(what, reason);
    qCWarning(lcArchive).noquote() << what << reason;
    return false;
}

using archiveconnection::CallGuard;
using archivesql::fail;

namespace {

constexpr char UtcFormat[] = "yyyy-MM-ddTHH:mm:ss.zzzZ";
constexpr char LocalFormat[] = "yyyy-MM-ddTHH:mm";

// SQLite keeps times as ISO 8601 text that sorts as it reads; PostgreSQL gives its timestamps back in the same form.
QString utcColumn(const char *column, bool postgres)
{
    if (!postgres)
        return QLatin1String(column);
    return QStringLiteral("to_char(%1 AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')").arg(column);
}

QString localColumn(const char *column, bool postgres)
{
    if (!postgres)
        return QLatin1String(column);
    return QStringLiteral("to_char(%1, 'YYYY-MM-DD\"T\"HH24:MI')").arg(column);
}

QString utcText(const QDateTime &time)
{
    return time.toUTC().toString(QLatin1String(UtcFormat));
}

QDateTime fromUtcText(const QString &text)
{
    QDateTime time = QDateTime::fromString(text, QLatin1String(UtcFormat));
    time.setTimeSpec(Qt::UTC);
    return time;
}

// Read by hand: an export reads this for every group, and the format parser is slow.
QDateTime fromLocalText(const QString &text)
{
    if (text.size() != 16)
        return QDateTime();
    const auto number = [&](int at, int size) { return QStringView(text).mid(at, size).toInt(); };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2));
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

bool exec(QSqlQuery &query, const QString &what, QString *error)
{
    return query.exec() || fail(error, what, query.lastError());
}

// The codes whose texts contain text, in the language of the moment.
QStringList matchingCodes(const QString &text, int first, int last, QString (*textOf)(quint8))
{
    QStringList codes;
    for (int code = first; code <= last; ++code) {
        if (textOf(quint8(code)).contains(text, Qt::CaseInsensitive))
            codes << QString::number(code - first);
    }
    return codes;
}

// SQL condition on the groups "g" for a text filter; empty when nothing can match.
QString textCondition(const QString &text)
{
    QStringList terms;
    const QStringList scales = matchingCodes(text, 0, 7, scaleText);
    const QStringList devices = matchingCodes(text, 0, 7, deviceText);
    const QStringList hardnessMaterials = matchingCodes(text, 0, 8, materialText);
    const QStringList strengthMaterials = matchingCodes(text, 9, 17, materialText);
    if (!scales.isEmpty())
        terms << QStringLiteral("g.scale IN (%1)").arg(scales.join(QLatin1Char(',')));
    if (!devices.isEmpty())
        terms << QStringLiteral("g.device IN (%1)").arg(devices.join(QLatin1Char(',')));
    if (!hardnessMaterials.isEmpty())
        terms << QStringLiteral("(g.scale <> %1 AND g.material IN (%2))")
                     .arg(ScaleSTR)
                     .arg(hardnessMaterials.join(QLatin1Char(',')));
    if (!strengthMaterials.isEmpty())
        terms << QStringLiteral("(g.scale = %1 AND g.material IN (%2))")
                     .arg(ScaleSTR)
                     .arg(strengthMaterials.join(QLatin1Char(',')));
    return terms.join(QStringLiteral(" OR "));
}

QString downloadColumns(bool postgres)
{
    return QStringLiteral("d.id, %1, %2, d.station, d.port, d.program_version, d.group_count")
        .arg(utcColumn("d.downloaded_at", postgres), utcColumn("d.confirmed_at", postgres));
}

DownloadInfo downloadFromRow(const QSqlQuery &query)
{
    DownloadInfo info;
    info.id = query.value(0).toLongLong();
    info.downloadedAt = fromUtcText(query.value(1).toString());
    info.confirmedAt = fromUtcText(query.value(2).toString());
    info.station = query.value(3).toString();
    info.port = query.value(4).toString();
    info.programVersion = query.value(5).toString();
    info.groupCount = query.value(6).toInt();
    return info;
}

QString groupColumns(bool postgres)
{
    return QStringLiteral("g.download_id, d.station, d.port, g.slot, %1, g.month, g.day, g.hour, g.minute, "
                          "g.table_set, g.group_value, g.device, g.scale, g.direction, g.material, g.impact_count, "
                          "g.impacts, g.measurement_key, t.part, t.heat, t.location, t.operator_name, t.remark, %2")
        .arg(localColumn("g.measured_at", postgres), utcColumn("d.downloaded_at", postgres));
}

// The groups with their download and tags, for groupColumns().
const char GroupsFrom[] = "measurement_group g JOIN download d ON d.id = g.download_id "
                          "LEFT JOIN group_tag t ON t.measurement_key = g.measurement_key";

ArchivedGroup groupFromRow(const QSqlQuery &query)
{
    ArchivedGroup g;
    g.downloadId = query.value(0).toLongLong();
    g.station = query.value(1).toString();
    g.port = query.value(2).toString();
    g.slot = query.value(3).toInt();
    g.measuredAt = fromLocalText(query.value(4).toString());
    GroupRecord &r = g.record;
    r.month = quint8(query.value(5).toUInt());
    r.day = quint8(query.value(6).toUInt());
    r.hour = quint8(query.value(7).toUInt());
    r.minute = quint8(query.value(8).toUInt());
    r.tableSet = quint8(query.value(9).toUInt());
    r.groupValue = quint16(query.value(10).toUInt());
    r.device = quint8(query.value(11).toUInt());
    r.scale = quint8(query.value(12).toUInt());
    r.direction = quint8(query.value(13).toUInt());
    r.material = quint8(query.value(14).toUInt());
    // A row edited by hand must not make the record claim impacts it does not hold.
    const QString impactList = query.value(16).toString();
    const QList<QStringView> impacts = QStringView(impactList).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int count = qMin(qMin(query.value(15).toInt(), int(impacts.size())), groups::MaxImpacts);
    r.impactCount = quint8(qMax(count, 1));
    for (int i = 0; i < count; ++i)
        r.impacts[i] = quint16(impacts.at(i).toUInt());
    g.tags = {query.value(18).toString(), query.value(19).toString(), query.value(20).toString(),
              query.value(21).toString(), query.value(22).toString()};
    g.downloadedAt = fromUtcText(query.value(23).toString());
    return g;
}

QString impactsText(const GroupRecord &r)
{
    QString text;
    for (int i = 0; i < r.impactCount && i < groups::MaxImpacts; ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QString::number(r.impacts[i]);
    }
    return text;
}

} // namespace

QString archiveProgramVersion()
{
    return QStringLiteral(LEEB_VERSION);
}

StoreResult Archive::storeOnce(const Download &download, const QString &station)
{
    bool moved = false;
    StoreResult result = storeInto(download, station, &moved);
    if (!moved)
        return result;
    // Another program found the file damaged and set it aside: the archive is the one at the path now.
    qCWarning(lcArchive).noquote()
        << QStringLiteral("archive %1 was moved aside by another program; opening it again").arg(m_location.path);
    const ArchiveLocation location = m_location;
    const ArchiveOpenResult reopened = open(location);
    if (!reopened.ok()) {
        result.reason = QStringLiteral("the archive file was moved aside by another program: %1").arg(reopened.reason);
        return result;
    }
    result = storeInto(download, station, &moved);
    return result;
}

bool Archive::restoreDownloads(const QList<RecoveredDownload> &downloads, QString *error)
{
    if (!isOpen())
        return fail(error, QStringLiteral("the archive is not open"));
    QSqlQuery query(m_db);
    if (!query.exec(m_postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return fail(error, QStringLiteral("cannot start a transaction"), query.lastError());
    for (const RecoveredDownload &d : downloads) {
        qint64 id = 0;
        if (!insertDownload(query, d, &id, error) || (d.header && !insertReportHeader(id, *d.header, error))) {
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (!query.exec(QStringLiteral("COMMIT"))) {
        fail(error, QStringLiteral("cannot commit the downloads"), query.lastError());
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

StoreResult Archive::storeInto(const Download &download, const QString &station, bool *moved)
{
    StoreResult result;
    const QByteArray &payload = download.payload;
    const QString &port = download.port;
    if (payload.size() < groups::PayloadSize) {
        result.reason =
            QStringLiteral("a group download has %1 bytes, this one %2").arg(groups::PayloadSize).arg(payload.size());
        return result;
    }
    if (!download.receivedUtc.isValid()) {
        result.reason = QStringLiteral("the download has no valid time");
        return result;
    }
    const QString origin = station.isEmpty() ? QSysInfo::machineHostName() : station;
    const QString time = utcText(download.receivedUtc);
    if (download.records.size() != download.groups.size()) {
        result.reason = QStringLiteral("the download's groups do not match its records");
        return result;
    }

    QSqlQuery query(m_db);
    if (!query.exec(m_postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"))) {
        fail(&result.reason, QStringLiteral("cannot start a transaction"), query.lastError());
        return result;
    }
    // Checked while holding the file's write lock, which a program moving the file aside holds as well: a download
    // written now is in the file at the path, or in the damaged file before it is read for recovery.
    if (!m_postgres && archivefile::fileId(m_location.path) != m_file) {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        result.reason = QStringLiteral("the archive %1 is no longer the file at its path").arg(m_location.path);
        *moved = true;
        return result;
    }
    const auto failed = [&](const QString &what, const QSqlError &sqlError) {
        fail(&result.reason, what, sqlError);
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        result.outcome = StoreResult::Failed;
        result.downloadId = 0;
        return result;
    };

    query.prepare(QStringLiteral("SELECT id, payload FROM download WHERE station = ? AND port = ? "
                                 "ORDER BY id DESC LIMIT 1"));
    query.addBindValue(origin);
    query.addBindValue(port);
    if (!query.exec())
        return failed(QStringLiteral("cannot read the latest download"), query.lastError());
    if (query.next() && query.value(1).toByteArray() == payload) {
        result.downloadId = query.value(0).toLongLong();
        query.prepare(QStringLiteral("UPDATE download SET confirmed_at = ? WHERE id = ?"));
        query.addBindValue(time);
        query.addBindValue(result.downloadId);
        if (!query.exec())
            return failed(QStringLiteral("cannot confirm the download"), query.lastError());
        result.outcome = StoreResult::Confirmed;
    } else {
        query.finish();
        const RecoveredDownload row{download, download.receivedUtc, origin, archiveProgramVersion(), {}};
        if (!insertDownload(query, row, &result.downloadId, &result.reason)) {
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
            result.downloadId = 0;
            return result;
        }
        result.outcome = StoreResult::Stored;
    }
    if (!query.exec(QStringLiteral("COMMIT")))
        return failed(QStringLiteral("cannot commit the download"), query.lastError());
    result.groupCount = download.records.size();
    return result;
}

bool Archive::insertDownload(QSqlQuery &query, const RecoveredDownload &row, qint64 *id, QString *error)
{
    const Download &download = row.download;
    const QList<GroupRecord> &used = download.records;
    if (used.size() != download.groups.size())
        return fail(error, QStringLiteral("the download's groups do not match its records"));
    query.prepare(QStringLiteral("INSERT INTO download (downloaded_at, confirmed_at, station, port, "
                                 "program_version, group_count, payload) VALUES (?, ?, ?, ?, ?, ?, ?) "
                                 "RETURNING id"));
    query.addBindValue(utcText(download.receivedUtc));
    query.addBindValue(utcText(row.confirmedAt.isValid() ? row.confirmedAt : download.receivedUtc));
    query.addBindValue(row.station);
    query.addBindValue(download.port);
    query.addBindValue(row.programVersion);
    query.addBindValue(used.size());
    query.addBindValue(download.payload);
    if (!query.exec() || !query.next())
        return fail(error, QStringLiteral("cannot store the download"), query.lastError());
    *id = query.value(0).toLongLong();
    query.finish();

    QSqlQuery insert(m_db);
    insert.prepare(QStringLiteral(
        "INSERT INTO measurement_group (download_id, slot, measured_at, month, day, "
        "hour, minute, table_set, group_value, device, scale, direction, material, "
        "impact_count, impacts, measurement_key) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int slot = 0; slot < used.size(); ++slot) {
        const GroupRecord &r = used.at(slot);
        const QDateTime measured = download.groups.at(slot).measured;
        insert.bindValue(0, *id);
        insert.bindValue(1, slot);
        insert.bindValue(2, measured.isValid() ? QVariant(measured.toString(QLatin1String(LocalFormat)))
                                               : compat::nullVariant(QMetaType::QString));
        const int fields[] = {r.month,  r.day,   r.hour,      r.minute,   r.tableSet,   r.groupValue,
                              r.device, r.scale, r.direction, r.material, r.impactCount};
        for (int f = 0; f < int(std::size(fields)); ++f)
            insert.bindValue(3 + f, fields[f]);
        insert.bindValue(14, impactsText(r));
        insert.bindValue(15,
                         archivesql::measurementKey(row.station, measured.isValid() ? measured.date().year() : 0, r));
        if (!insert.exec())
            return fail(error, QStringLiteral("cannot store group %1").arg(slot + 1), insert.lastError());
    }
    return true;
}

bool Archive::downloads(const DownloadFilter &filter, int offset, int limit, QList<DownloadInfo> *out, QString *error)
{
    out->clear();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QStringList where;
    QVariantList values;
    if (filter.from.isValid()) {
        where << QStringLiteral("d.downloaded_at >= ?");
        values << utcText(QDateTime(filter.from, QTime(0, 0), filter.timeSpec));
    }
    if (filter.to.isValid()) {
        where << QStringLiteral("d.downloaded_at < ?");
        values << utcText(QDateTime(filter.to.addDays(1), QTime(0, 0), filter.timeSpec));
    }
    archivesql::tagConditions(filter.part, filter.heat, true, &where, &values);
    QString matching; // the count of matching groups, as a last column
    if (!filter.text.trimmed().isEmpty()) {
        const QString condition = textCondition(filter.text.trimmed());
        if (condition.isEmpty())
            return true; // no text of the program contains it
        where << QStringLiteral("EXISTS (SELECT 1 FROM measurement_group g WHERE g.download_id = d.id AND (%1))")
                     .arg(condition);
        matching = QStringLiteral(", (SELECT COUNT(*) FROM measurement_group g WHERE g.download_id = d.id AND (%1))")
                       .arg(condition);
    }
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM download d %2 ORDER BY d.downloaded_at DESC, d.id DESC "
                                 "LIMIT %3 OFFSET %4")
                      .arg(downloadColumns(m_postgres) + matching,
                           where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where.join(QStringLiteral(" AND ")))
                      .arg(qMax(limit, 0))
                      .arg(qMax(offset, 0)));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!exec(query, QStringLiteral("cannot list the downloads"), error))
        return false;
    while (query.next()) {
        out->append(downloadFromRow(query));
        if (!matching.isEmpty())
            out->last().matchingGroups = query.value(7).toInt();
    }
    return true;
}

bool Archive::latestDownload(DownloadInfo *out, QString *error, const QString &station)
{
    *out = DownloadInfo();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("SELECT %1 FROM download d %2 ORDER BY d.confirmed_at DESC, d.id DESC LIMIT 1")
            .arg(downloadColumns(m_postgres), station.isEmpty() ? QString() : QStringLiteral("WHERE d.station = ?")));
    if (!station.isEmpty())
        query.addBindValue(station);
    if (!exec(query, QStringLiteral("cannot read the latest download"), error))
        return false;
    if (query.next())
        *out = downloadFromRow(query);
    return true;
}

bool Archive::download(qint64 id, DownloadInfo *out, QString *error)
{
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    if (!selectDownload(&query,
                        QStringLiteral("SELECT %1 FROM download d WHERE d.id = ?").arg(downloadColumns(m_postgres)), id,
                        error))
        return false;
    *out = downloadFromRow(query);
    return true;
}

bool Archive::selectDownload(QSqlQuery *query, const QString &sql, qint64 id, QString *error)
{
    if (!isOpen())
        return fail(error, QStringLiteral("the archive is not open"));
    query->prepare(sql);
    query->addBindValue(id);
    if (!exec(*query, QStringLiteral("cannot read download %1").arg(id), error))
        return false;
    if (!query->next())
        return fail(error, QStringLiteral("the archive holds no download %1").arg(id));
    return true;
}

bool Archive::loadArchivedGroups(qint64 id, QList<ArchivedGroup> *groups, QString *error)
{
    groups->clear();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE g.download_id = ? ORDER BY g.slot")
                      .arg(groupColumns(m_postgres), QLatin1String(GroupsFrom)));
    query.addBindValue(id);
    if (!exec(query, QStringLiteral("cannot read the groups of download %1").arg(id), error))
        return false;
    while (query.next())
        groups->append(groupFromRow(query));
    return true;
}

bool Archive::payload(qint64 id, QByteArray *out, QString *error)
{
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    if (!selectDownload(&query, QStringLiteral("SELECT payload FROM download WHERE id = ?"), id, error))
        return false;
    *out = query.value(0).toByteArray();
    return true;
}

bool Archive::groupsMeasuredBetween(const QDate &from, const QDate &to, QList<ArchivedGroup> *out, QString *error)
{
    return groups({from, to, QString(), QString(), QString()}, out, error);
}

bool Archive::groups(const GroupFilter &filter, QList<ArchivedGroup> *out, QString *error)
{
    out->clear();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QStringList where;
    QVariantList values;
    if (filter.from.isValid()) {
        where << QStringLiteral("g.measured_at >= ?");
        values << QDateTime(filter.from, QTime(0, 0)).toString(QLatin1String(LocalFormat));
    }
    if (filter.to.isValid()) {
        where << QStringLiteral("g.measured_at < ?");
        values << QDateTime(filter.to.addDays(1), QTime(0, 0)).toString(QLatin1String(LocalFormat));
    }
    archivesql::tagConditions(filter.part, filter.heat, false, &where, &values);
    if (!filter.text.trimmed().isEmpty()) {
        const QString condition = textCondition(filter.text.trimmed());
        if (condition.isEmpty())
            return true; // no text of the program contains it
        where << QStringLiteral("(%1)").arg(condition);
    }
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT %1 FROM %2 %3 ORDER BY g.measured_at IS NULL, g.measured_at, g.download_id, g.slot")
            .arg(groupColumns(m_postgres), QLatin1String(GroupsFrom),
                 where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where.join(QStringLiteral(" AND "))));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!exec(query, QStringLiteral("cannot read the groups"), error))
        return false;
    // A group stays on the instrument until it is cleared, so later downloads of the same station carry it again.
    QSet<QString> seen;
    seen.reserve(4096);
    while (query.next()) {
        const QString key = query.value(17).toString();
        if (key.isEmpty() || !seen.contains(key)) {
            seen.insert(key);
            out->append(groupFromRow(query));
        }
    }
    return true;
}
