// The verification log: reference blocks and the checks of the instrument made on them, each with every reading.

#include "archive.h"
#include "archiveconnection.h"
#include "archivesql.h"

#include "qtcompat.h"

#include <QSqlQuery>

using archiveconnection::CallGuard;
using archivesql::fail;

namespace {

constexpr char LocalFormat[] = "yyyy-MM-ddTHH:mm:ss";

const char BlockColumns[] = "id, serial, device, nominal, uncertainty, certificate, valid_until, max_error, "
                            "max_repeatability";

// Kept as an empty text, not NULL, when not given.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

QVariant numberOrNull(const std::optional<double> &value)
{
    return value ? QVariant(*value) : compat::nullVariant(QMetaType::Double);
}

std::optional<double> optionalNumber(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

ReferenceBlock blockFromRow(const QSqlQuery &query)
{
    ReferenceBlock b;
    b.id = query.value(0).toLongLong();
    b.serial = query.value(1).toString();
    b.device = quint8(query.value(2).toUInt());
    b.nominalHl = query.value(3).toDouble();
    b.uncertaintyHl = optionalNumber(query.value(4));
    b.certificate = query.value(5).toString();
    // PostgreSQL gives a date, SQLite its ISO text.
    b.validUntil =
        query.value(6).isNull() ? QDate() : QDate::fromString(query.value(6).toString().left(10), Qt::ISODate);
    b.maxError = optionalNumber(query.value(7));
    b.maxRepeatability = optionalNumber(query.value(8));
    return b;
}

QString localColumn(const char *column, bool postgres)
{
    if (!postgres)
        return QLatin1String(column);
    return QStringLiteral("to_char(%1, 'YYYY-MM-DD\"T\"HH24:MI:SS')").arg(column);
}

bool finite(double value)
{
    return value == value && value - value == 0.0;
}

} // namespace

bool Archive::insertBlock(QSqlQuery &query, const ReferenceBlock &block, qint64 *id, QString *error)
{
    query.prepare(QStringLiteral("INSERT INTO reference_block (serial, device, nominal, uncertainty, certificate, "
                                 "valid_until, max_error, max_repeatability) VALUES (?, ?, ?, ?, ?, ?, ?, ?)") +
                  (m_postgres ? QStringLiteral(" RETURNING id") : QString()));
    query.addBindValue(block.serial);
    query.addBindValue(int(block.device));
    query.addBindValue(block.nominalHl);
    query.addBindValue(numberOrNull(block.uncertaintyHl));
    query.addBindValue(text(block.certificate));
    query.addBindValue(block.validUntil.isValid() ? QVariant(block.validUntil.toString(Qt::ISODate))
                                                  : compat::nullVariant(QMetaType::QString));
    query.addBindValue(numberOrNull(block.maxError));
    query.addBindValue(numberOrNull(block.maxRepeatability));
    if (!query.exec() || (m_postgres && !query.next()))
        return fail(error, QStringLiteral("cannot keep block %1").arg(block.serial), query.lastError());
    *id = m_postgres ? query.value(0).toLongLong() : query.lastInsertId().toLongLong();
    query.finish();
    return true;
}

bool Archive::insertCheck(QSqlQuery &query, VerificationCheck *check, QString *error)
{
    query.prepare(QStringLiteral("INSERT INTO verification_check (block_id, checked_at, operator_name) "
                                 "VALUES (?, ?, ?)") +
                  (m_postgres ? QStringLiteral(" RETURNING id") : QString()));
    query.addBindValue(check->blockId);
    query.addBindValue(check->at.toString(QLatin1String(LocalFormat)));
    query.addBindValue(text(check->operatorName));
    if (!query.exec() || (m_postgres && !query.next()))
        return fail(error, QStringLiteral("cannot keep the check"), query.lastError());
    const qint64 id = m_postgres ? query.value(0).toLongLong() : query.lastInsertId().toLongLong();
    query.finish();
    query.prepare(QStringLiteral("INSERT INTO check_reading (check_id, reading_no, hl) VALUES (?, ?, ?)"));
    for (int i = 0; i < check->readings.size(); ++i) {
        query.bindValue(0, id);
        query.bindValue(1, i);
        query.bindValue(2, check->readings.at(i));
        if (!query.exec())
            return fail(error, QStringLiteral("cannot keep reading %1 of the check").arg(i + 1), query.lastError());
    }
    check->id = id;
    return true;
}

bool Archive::addBlock(ReferenceBlock *block, QString *error)
{
    if (block->serial.trimmed().isEmpty())
        return fail(error, QStringLiteral("a reference block needs a serial number"));
    if (deviceName(block->device).isEmpty() || block->device == DeviceNone)
        return fail(error, QStringLiteral("block %1: no impact device %2").arg(block->serial).arg(block->device));
    if (!finite(block->nominalHl) || block->nominalHl <= 0.0)
        return fail(error,
                    QStringLiteral("block %1: its certified value must be a positive number of HL").arg(block->serial));
    for (const auto &[value, what] :
         {std::pair{block->uncertaintyHl, "uncertainty"}, std::pair{block->maxError, "maximum error"},
          std::pair{block->maxRepeatability, "maximum repeatability"}}) {
        if (value && (!finite(*value) || *value < 0.0))
            return fail(error, QStringLiteral("block %1: its %2 must be a number of HL, 0 or more")
                                   .arg(block->serial, QLatin1String(what)));
    }
    return inTransaction(QStringLiteral("cannot keep block %1").arg(block->serial), error, [&](QSqlQuery &query) {
        query.prepare(QStringLiteral("SELECT id FROM reference_block WHERE serial = ?"));
        query.addBindValue(block->serial);
        if (!query.exec())
            return fail(error, QStringLiteral("cannot read the blocks"), query.lastError());
        if (query.next())
            return fail(error, QStringLiteral("there is a block %1 already").arg(block->serial));
        query.finish();
        return insertBlock(query, *block, &block->id, error);
    });
}

bool Archive::blocks(QList<ReferenceBlock> *out, QString *error)
{
    out->clear();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM reference_block ORDER BY serial").arg(QLatin1String(BlockColumns))))
        return fail(error, QStringLiteral("cannot read the blocks"), query.lastError());
    while (query.next())
        out->append(blockFromRow(query));
    return true;
}

bool Archive::block(const QString &serial, ReferenceBlock *out, QString *error)
{
    *out = ReferenceBlock();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM reference_block WHERE serial = ?").arg(QLatin1String(BlockColumns)));
    query.addBindValue(serial);
    if (!query.exec())
        return fail(error, QStringLiteral("cannot read the blocks"), query.lastError());
    if (!query.next())
        return fail(error, QStringLiteral("there is no block %1").arg(serial));
    *out = blockFromRow(query);
    return true;
}

bool Archive::addCheck(VerificationCheck *check, QString *error)
{
    if (!check->at.isValid())
        return fail(error, QStringLiteral("a check needs its time"));
    return inTransaction(QStringLiteral("cannot keep the check"), error, [&](QSqlQuery &query) {
        query.prepare(QStringLiteral("SELECT %1 FROM reference_block WHERE id = ?").arg(QLatin1String(BlockColumns)));
        query.addBindValue(check->blockId);
        if (!query.exec())
            return fail(error, QStringLiteral("cannot read the blocks"), query.lastError());
        if (!query.next())
            return fail(error, QStringLiteral("there is no block with id %1").arg(check->blockId));
        const ReferenceBlock block = blockFromRow(query);
        query.finish();
        switch (checkRefusal(*check, block)) {
        case CheckRefusal::TooFewReadings:
            return fail(error, QStringLiteral("a check needs at least %1 readings, not %2")
                                   .arg(MinimumReadings)
                                   .arg(check->readings.size()));
        case CheckRefusal::BadReading:
            return fail(error, QStringLiteral("every reading must be a positive number of HL"));
        case CheckRefusal::BlockExpired:
            return fail(error, QStringLiteral("block %1 was valid until %2: not for a check on %3")
                                   .arg(block.serial, block.validUntil.toString(Qt::ISODate),
                                        check->at.date().toString(Qt::ISODate)));
        case CheckRefusal::None:
            break;
        }
        return insertCheck(query, check, error);
    });
}

bool Archive::checks(qint64 blockId, QList<VerificationCheck> *out, QString *error)
{
    out->clear();
    if (!ensureConnected(error))
        return false;
    const CallGuard call(this, archiveconnection::socketOf(m_db), error, m_location.text());
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    // One row per reading, in reading order within each check.
    query.prepare(QStringLiteral("SELECT c.id, c.block_id, %1, c.operator_name, r.hl FROM verification_check c "
                                 "LEFT JOIN check_reading r ON r.check_id = c.id %2 "
                                 "ORDER BY c.checked_at, c.id, r.reading_no")
                      .arg(localColumn("c.checked_at", m_postgres),
                           blockId ? QStringLiteral("WHERE c.block_id = ?") : QString()));
    if (blockId)
        query.addBindValue(blockId);
    if (!query.exec())
        return fail(error, QStringLiteral("cannot read the checks"), query.lastError());
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        if (out->isEmpty() || out->last().id != id) {
            VerificationCheck check;
            check.id = id;
            check.blockId = query.value(1).toLongLong();
            check.at = QDateTime::fromString(query.value(2).toString(), QLatin1String(LocalFormat));
            check.operatorName = query.value(3).toString();
            out->append(check);
        }
        if (!query.value(4).isNull())
            out->last().readings.append(query.value(4).toInt());
    }
    return true;
}

bool Archive::verificationLog(QList<VerificationCheck> *checks, QHash<qint64, ReferenceBlock> *blocks, QString *error)
{
    blocks->clear();
    QList<ReferenceBlock> list;
    if (!this->blocks(&list, error) || !this->checks(0, checks, error))
        return false;
    for (const ReferenceBlock &block : list)
        blocks->insert(block.id, block);
    return true;
}

bool Archive::restoreVerification(const QList<ReferenceBlock> &blocks, const QList<VerificationCheck> &checks,
                                  QString *error)
{
    return inTransaction(QStringLiteral("cannot restore the verification log"), error, [&](QSqlQuery &query) {
        QHash<qint64, qint64> ids; // old block id -> new
        for (const ReferenceBlock &block : blocks) {
            qint64 id = 0;
            if (!insertBlock(query, block, &id, error))
                return false;
            ids.insert(block.id, id);
        }
        for (VerificationCheck check : checks) {
            if (!ids.contains(check.blockId))
                continue;
            check.blockId = ids.value(check.blockId);
            if (!insertCheck(query, &check, error))
                return false;
        }
        return true;
    });
}
