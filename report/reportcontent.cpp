#include "reportcontent.h"

#include <QObject>
#include <QStringList>

namespace {

// Rows of 12 mm: page 1 has 14 under its header and summary, every further page 21; on the last page the two lines
// under the table take the room of one row on page 1 and of two on the others.
constexpr int firstPageRows = 14;
constexpr int pageRows = 21;
constexpr int firstLastPageRows = 13;
constexpr int lastPageRows = 19;

// The one text all values share, "several" when they differ.
QString commonText(const QStringList &values)
{
    if (values.isEmpty())
        return QString();
    for (const QString &value : values) {
        if (value != values.first())
            return QObject::tr("多个");
    }
    return values.first();
}

bool sameLimit(const PartLimit &a, const PartLimit &b)
{
    return a.scale == b.scale && a.low == b.low && a.high == b.high;
}

} // namespace

QList<Verdict> ReportContent::verdicts() const
{
    QList<Verdict> list;
    list.reserve(groups.size());
    for (int i = 0; i < groups.size(); ++i)
        list.append(judge(groups.at(i), trace(i).limit));
    return list;
}

QVector<int> reportPageStarts(int groupCount)
{
    QVector<int> starts = {0};
    int rest = qMax(0, groupCount);
    for (bool first = true;; first = false) {
        if (rest <= (first ? firstLastPageRows : lastPageRows))
            return starts;
        const int full = first ? firstPageRows : pageRows;
        // A full page would leave the signatures alone on the next one: one row goes with them.
        const int taken = rest <= full ? rest - 1 : full;
        rest -= taken;
        starts.append(starts.last() + taken);
    }
}

QString limitText(const PartLimit &limit)
{
    const QString scale = scaleName(limit.scale);
    if (limit.low && limit.high)
        return QStringLiteral("%1 %2–%3").arg(scale).arg(*limit.low).arg(*limit.high);
    if (limit.low)
        return QStringLiteral("%1 ≥ %2").arg(scale).arg(*limit.low);
    if (limit.high)
        return QStringLiteral("%1 ≤ %2").arg(scale).arg(*limit.high);
    return QString();
}

ReportSummary reportSummary(const ReportContent &content)
{
    ReportSummary summary;
    QStringList parts, heats;
    std::optional<PartLimit> limit;
    bool severalLimits = false;
    for (int i = 0; i < content.groups.size(); ++i) {
        const GroupTrace trace = content.trace(i);
        parts << trace.tags.part;
        heats << trace.tags.heat;
        if (!trace.limit.isSet())
            continue;
        severalLimits = severalLimits || (limit && !sameLimit(*limit, trace.limit));
        limit = trace.limit;
    }
    summary.part = commonText(parts);
    summary.heat = commonText(heats);
    summary.limit = severalLimits ? QObject::tr("多个") : limit ? limitText(*limit) : QString();
    summary.numbers = summarise(content.groups, content.verdicts());
    return summary;
}

QString conversionText(const QList<MeasurementGroup> &groups)
{
    QStringList materials;
    for (const MeasurementGroup &group : groups) {
        if (!group.materialName.isEmpty() && !materials.contains(group.materialName))
            materials << group.materialName;
    }
    if (materials.isEmpty())
        return QString();
    return QObject::tr("按仪器%1材料换算表换算；换算硬度值仅供参考").arg(materials.join(QObject::tr("、")));
}
