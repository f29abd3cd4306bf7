#include "csvfile.h"

#include "measurementgroup.h"
#include "savefile.h"

#include <iterator>

namespace {

QString dateText(const QDateTime &measuredAt)
{
    if (!measuredAt.isValid())
        return QString();
    const QDate d = measuredAt.date();
    const QTime t = measuredAt.time();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", d.year(), d.month(), d.day(), t.hour(), t.minute());
}

// Quoted when it holds the separator, a quote or a line break (quotes doubled), so that every row stays one record.
QString quoted(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) +
                   QLatin1Char('"');
    }
    return text;
}

// A text from outside (a host name, a port name) that a spreadsheet would take for a formula is kept a text by a
// leading apostrophe. Only for text columns: a number, negative or not, stays a number.
QString textField(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.at(0)))
        return quoted(QLatin1Char('\'') + text);
    return quoted(text);
}

} // namespace

QString csvTextField(const QString &text)
{
    return textField(text);
}

QString conversionStatusName(ConversionStatus status)
{
    static const char *const names[] = {"NoTable", "Ok", "AboveRange", "BelowRange", "NotAvailable"};
    const auto index = static_cast<quint8>(status);
    return index < std::size(names) ? QString::fromLatin1(names[index]) : QString::number(index);
}

QList<CsvGroup> csvGroups(const Download &download, qint64 downloadId, const QString &station)
{
    // The used slots come first in the instrument's memory: a record's place in the list is its slot.
    QList<CsvGroup> rows;
    for (int i = 0; i < download.records.size() && i < download.groups.size(); ++i)
        rows.append(
            {downloadId, station, download.port, i, download.groups.at(i).measured, download.records.at(i), {}, {}});
    return rows;
}

QString csvHeader()
{
    QStringList columns = {"download",       "station",     "port",       "slot",          "date",
                           "device",         "device_code", "material",   "material_code", "direction",
                           "direction_code", "scale",       "scale_code", "table_set"};
    for (HardnessScale scale : DisplayScales)
        columns << scaleName(scale) << scaleName(scale) + QStringLiteral("_status");
    columns << QStringLiteral("impact_count") << QStringLiteral("impacts");
    columns << QStringLiteral("part") << QStringLiteral("heat") << QStringLiteral("location")
            << QStringLiteral("operator") << QStringLiteral("limit_scale") << QStringLiteral("limit_low")
            << QStringLiteral("limit_high") << QStringLiteral("verdict") << QStringLiteral("mean_hl")
            << QStringLiteral("sd_hl") << QStringLiteral("range_hl") << QStringLiteral("verified");
    return columns.join(QLatin1Char(',')) + QLatin1Char('\n');
}

// Appended field by field: an export writes one for every group.
QString csvLine(const CsvGroup &g)
{
    const MeasurementGroup m = buildGroup(g.record, QDate()); // the texts and values; the date is g's own
    QString line;
    line.reserve(256);
    const auto add = [&line](const QString &field) {
        line += field;
        line += QLatin1Char(',');
    };
    add(g.downloadId > 0 ? QString::number(g.downloadId) : QString());
    add(textField(g.station));
    add(textField(g.port));
    add(QString::number(g.slot + 1));
    add(dateText(g.measuredAt));
    add(textField(m.deviceName));
    add(QString::number(m.device));
    add(textField(m.materialName));
    add(QString::number(m.material));
    add(textField(m.directionName));
    add(QString::number(m.direction));
    add(textField(m.scaleName));
    add(QString::number(m.scale));
    add(QString::number(g.record.tableSet + 1));
    for (HardnessScale scale : DisplayScales) {
        const ConversionResult r = m.result(scale);
        add(resultTexts(r).value(QStringLiteral("value")));
        add(conversionStatusName(r.status));
    }
    add(QString::number(g.record.impactCount));
    for (int i = 0; i < g.record.impactCount && i < groups::MaxImpacts; ++i) {
        line += QString::number(g.record.impacts[i]);
        line += QLatin1Char(' ');
    }
    if (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    line += QLatin1Char(',');
    add(textField(g.tags.part));
    add(textField(g.tags.heat));
    add(textField(g.tags.location));
    add(textField(g.tags.operatorName));
    const auto bound = [](const std::optional<int> &value) { return value ? QString::number(*value) : QString(); };
    add(g.limit.isSet() ? scaleName(g.limit.scale) : QString());
    add(bound(g.limit.low));
    add(bound(g.limit.high));
    add(verdictName(judge(m, g.limit)));
    const GroupStatistics statistics = groupStatistics(m);
    add(statistics.count > 0 ? QString::number(statistics.meanHl) : QString());
    add(statistics.sdHl ? QString::number(*statistics.sdHl, 'f', 1) : QString());
    add(statistics.count > 0 ? QString::number(statistics.rangeHl) : QString());
    line += g.verified ? QLatin1String("yes") : QLatin1String("no");
    line += QLatin1Char('\n');
    return line;
}

void markVerified(QList<CsvGroup> *rows, const QList<VerificationCheck> &checks,
                  const QHash<qint64, ReferenceBlock> &blocks)
{
    // By day: an export of many groups looks only at the checks of each group's own day.
    QHash<QDate, QList<VerificationCheck>> byDay;
    for (const VerificationCheck &check : checks)
        byDay[check.at.date()].append(check);
    for (CsvGroup &row : *rows) {
        MeasurementGroup group; // what the rule reads: the device and the time
        group.device = row.record.device;
        group.measured = row.measuredAt;
        row.verified = row.measuredAt.isValid() && isVerified(group, byDay.value(row.measuredAt.date()), blocks);
    }
}

bool writeCsvFile(const QString &fileName, const QList<CsvGroup> &groups, QString *error)
{
    QByteArray content = csvHeader().toUtf8();
    for (const CsvGroup &g : groups)
        content += csvLine(g).toUtf8();
    return saveFile(fileName, content, error);
}
