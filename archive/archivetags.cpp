// What a lab writes on its groups and parts: a group's tags, kept by the measurement so that the same group in a later
// download carries them too, a part's limit, and the report header a download was reported with.

#include "archive.h"
#include "archiveconnection.h"
#include "archivesql.h"

#include "qtcompat.h"

#include <QSqlQuery>

using archiveconnection::CallGuard;
using archivesql::fail;

namespace {

const char *const TagColumns[] = {"part", "heat", "location", "operator_name", "remark"};

// An empty text is kept as NULL: a tag not given.
QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? compat::nullVariant(QMetaType::QString) : QVariant(text);
}

QStringList tagTexts(const GroupTags &tags)
{
    return {tags.part, tags.heat, tags.location, tags.operatorName, tags.remark};
}

// Within a transaction: replaces the part's limit, or removes it when no bound is set.
bool writePartLimit(QSqlQuery &query, const QString &part, const PartLimit &limit, QString *error)
{
    query.prepare(QStringLiteral("DELETE FROM part_limit WHERE part = ?"));
    query.addBindValue(part);
    if (!query.exec())
        return fail(error, QStringLiteral("cannot clear the limit of part %1").arg(part), query.lastError());
    if (!limit.isSet())
        return true;
    const auto bound = [](const std::optional<int> &value) {
        return value ? QVariant(*value) : compat::nullVariant(QMetaType::Int);
    };
    query.prepare(QStringLiteral("INSERT INTO part_limit (part, scale, low, high) VALUES (?, ?, ?, ?)"));
    query.addBindValue(part);
    query.addBindValue(int(limit.scale));
    query.addBindValue(bound(limit.low));
    query.addBindValue(bound(limit.high));
    return query.exec() || fail(error, QStringLiteral("cannot keep the limit of part %1").arg(part), query.lastError());
}

} // namespace

QString archivesql::measurementKey(const QString &station, int year, const GroupRecord &r)
{
    QStringList fields{station, QString::number(year)};
    for (int value : {int(r.month), int(r.day), int(r.hour), int(r.minute), int(r.tableSet), int(r.groupValue),
                      int(r.device), int(r.scale), int(r.direction), int(r.material), int(r.impactCount)})
        fields << QString::number(value);
    QStringList impacts;
    for (int i = 0; i < r.impactCount && i < groups::MaxImpacts; ++i)
        impacts << QString::number(r.impacts[i]);
    fields << impacts.join(QLatin1Char(' '));
    return fields.join(QLatin1Char('/'));
}

void archivesql::tagConditions(const QString &part, const QString &heat, bool downloads, QStringList *where,
                               QVariantList *values)
{
    QStringList terms;
    for (const auto &[column, value] : {std::pair{"part", part}, std::pair{"heat", heat}}) {
        if (value.isEmpty())
            continue;
        terms << QStringLiteral("t.%1 = ?").arg(QLatin1String(column));
        *values << value;
    }
    if (terms.isEmpty())
        return;
    // Downloads: one of its groups carries all of them; groups: the tags are joined to them as "t".
    if (downloads)
        *where << QStringLiteral("d.id IN (SELECT tg.download_id FROM group_tag t JOIN measurement_group tg ON "
                                 "tg.measurement_key = t.measurement_key WHERE %1)")
                      .arg(terms.join(QStringLiteral(" AND ")));
    else
        *where << terms;
}

bool Archive::inTransaction(const QString &what, QString *error, const std::function<bool(QSqlQuery &)> &work)
{
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    if (!query.exec(m_postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return fail(error, QStringLiteral("cannot start a transaction"), query.lastError());
    if (!work(query)) {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!query.exec(QStringLiteral("COMMIT"))) {
        fail(error, what, query.lastError());
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

bool Archive::setGroupTags(qint64 downloadId, const QList<int> &groupSlots, const GroupTags &tags, TagWrite write,
                           QString *error)
{
    QList<QPair<int, GroupTags>> slotTags;
    for (int slot : groupSlots)
        slotTags.append({slot, tags});
    return setGroupTags(downloadId, slotTags, write, error);
}

bool Archive::setGroupTags(qint64 downloadId, const QList<QPair<int, GroupTags>> &slotTags, TagWrite write,
                           QString *error, const QString &limitPart, const PartLimit &limit)
{
    return inTransaction(QStringLiteral("cannot tag the groups"), error, [&](QSqlQuery &query) {
        query.prepare(QStringLiteral("SELECT slot, measurement_key FROM measurement_group WHERE download_id = ?"));
        query.addBindValue(downloadId);
        if (!query.exec())
            return fail(error, QStringLiteral("cannot read the groups of download %1").arg(downloadId),
                        query.lastError());
        QHash<int, QString> keys;
        while (query.next())
            keys.insert(query.value(0).toInt(), query.value(1).toString());
        query.finish();
        QStringList set;
        for (const char *column : TagColumns)
            set << (write == TagWrite::GivenOnly
                        ? QStringLiteral("%1 = COALESCE(excluded.%1, group_tag.%1)").arg(QLatin1String(column))
                        : QStringLiteral("%1 = excluded.%1").arg(QLatin1String(column)));
        query.prepare(QStringLiteral("INSERT INTO group_tag (measurement_key, part, heat, location, operator_name, "
                                     "remark) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (measurement_key) DO UPDATE SET ") +
                      set.join(QStringLiteral(", ")));
        for (const auto &[slot, tags] : slotTags) {
            if (keys.value(slot).isEmpty())
                return fail(error, QStringLiteral("download %1 has no group %2").arg(downloadId).arg(slot + 1));
            query.bindValue(0, keys.value(slot));
            const QStringList texts = tagTexts(tags);
            for (int i = 0; i < texts.size(); ++i)
                query.bindValue(1 + i, textOrNull(texts.at(i)));
            if (!query.exec())
                return fail(error, QStringLiteral("cannot tag group %1").arg(slot + 1), query.lastError());
        }
        return limitPart.isEmpty() || writePartLimit(query, limitPart, limit, error);
    });
}

bool Archive::tagValues(TagField field, QStringList *out, QString *error)
{
    out->clear();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    const QLatin1String column(TagColumns[int(field)]);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT DISTINCT %1 FROM group_tag WHERE %1 IS NOT NULL ORDER BY %1").arg(column)))
        return fail(error, QStringLiteral("cannot read the tags"), query.lastError());
    while (query.next())
        out->append(query.value(0).toString());
    return true;
}

bool Archive::setPartLimit(const QString &part, const PartLimit &limit, QString *error)
{
    if (part.isEmpty())
        return fail(error, QStringLiteral("a limit needs a part"));
    return inTransaction(QStringLiteral("cannot keep the limit of part %1").arg(part), error,
                         [&](QSqlQuery &query) { return writePartLimit(query, part, limit, error); });
}

bool Archive::partLimits(QHash<QString, PartLimit> *out, QString *error, const QString &part)
{
    out->clear();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT part, scale, low, high FROM part_limit") +
                  (part.isEmpty() ? QString() : QStringLiteral(" WHERE part = ?")));
    if (!part.isEmpty())
        query.addBindValue(part);
    if (!query.exec())
        return fail(error, QStringLiteral("cannot read the limits"), query.lastError());
    while (query.next()) {
        PartLimit limit;
        const int scale = query.value(1).toInt();
        // A scale no group converts to (edited by hand) judges nothing: kept as no limit.
        if (scaleName(quint8(scale)).isEmpty())
            continue;
        limit.scale = HardnessScale(scale);
        if (!query.value(2).isNull())
            limit.low = query.value(2).toInt();
        if (!query.value(3).isNull())
            limit.high = query.value(3).toInt();
        out->insert(query.value(0).toString(), limit);
    }
    return true;
}

bool Archive::setReportHeader(qint64 downloadId, const ReportHeader &header, QString *error)
{
    return inTransaction(QStringLiteral("cannot keep the report header"), error, [&](QSqlQuery &query) {
        query.prepare(QStringLiteral("DELETE FROM download_report WHERE download_id = ?"));
        query.addBindValue(downloadId);
        if (!query.exec())
            return fail(error, QStringLiteral("cannot keep the report header"), query.lastError());
        return insertReportHeader(downloadId, header, error);
    });
}

bool Archive::insertReportHeader(qint64 downloadId, const ReportHeader &header, QString *error)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT INTO download_report (download_id, company, batch, inspector, remark, "
                                 "logo_path) VALUES (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(downloadId);
    for (const QString &text : {header.companyName, header.batch, header.inspector, header.remark, header.logoPath})
        query.addBindValue(textOrNull(text));
    return query.exec() || fail(error, QStringLiteral("cannot keep the report header of download %1").arg(downloadId),
                                query.lastError());
}

bool Archive::reportHeader(qint64 downloadId, ReportHeader *out, QString *error)
{
    *out = ReportHeader();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT company, batch, inspector, remark, logo_path FROM download_report "
                                 "WHERE download_id = ?"));
    query.addBindValue(downloadId);
    if (!query.exec())
        return fail(error, QStringLiteral("cannot read the report header of download %1").arg(downloadId),
                    query.lastError());
    if (query.next()) {
        out->companyName = query.value(0).toString();
        out->batch = query.value(1).toString();
        out->inspector = query.value(2).toString();
        out->remark = query.value(3).toString();
        out->logoPath = query.value(4).toString();
    }
    return true;
}

bool Archive::restoreTrace(const QList<QPair<QString, GroupTags>> &tags, const QHash<QString, PartLimit> &limits,
                           QString *error)
{
    return inTransaction(QStringLiteral("cannot restore the tags"), error, [&](QSqlQuery &query) {
        query.prepare(QStringLiteral("INSERT INTO group_tag (measurement_key, part, heat, location, operator_name, "
                                     "remark) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (measurement_key) DO NOTHING"));
        for (const auto &[key, groupTags] : tags) {
            query.bindValue(0, key);
            const QStringList texts = tagTexts(groupTags);
            for (int i = 0; i < texts.size(); ++i)
                query.bindValue(1 + i, textOrNull(texts.at(i)));
            if (!query.exec())
                return fail(error, QStringLiteral("cannot restore the tags"), query.lastError());
        }
        query.prepare(QStringLiteral("INSERT INTO part_limit (part, scale, low, high) VALUES (?, ?, ?, ?) "
                                     "ON CONFLICT (part) DO NOTHING"));
        for (auto it = limits.cbegin(); it != limits.cend(); ++it) {
            query.bindValue(0, it.key());
            query.bindValue(1, int(it.value().scale));
            query.bindValue(2, it.value().low ? QVariant(*it.value().low) : compat::nullVariant(QMetaType::Int));
            query.bindValue(3, it.value().high ? QVariant(*it.value().high) : compat::nullVariant(QMetaType::Int));
            if (!query.exec())
                return fail(error, QStringLiteral("cannot restore the limit of %1").arg(it.key()), query.lastError());
        }
        return true;
    });
}
