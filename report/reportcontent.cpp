#include "reportcontent.h"

#include <QObject>
#include <QStringList>

#include <algorithm>

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

bool ReportContent::verified(int index) const
{
    const int check = covering.value(index, -1);
    return verificationKnown && check >= 0 && check < checks.size() && checks.at(check).result.passed;
}

void setVerification(ReportContent *content, const VerificationLog &log)
{
    content->verificationKnown = true;
    content->checks.clear();
    content->covering.clear();
    // Each check once, however many groups it covers; listed in time order.
    QList<int> used;
    for (const MeasurementGroup &group : std::as_const(content->groups)) {
        const int check = coveringCheck(group, log.checks, log.blocks);
        if (check >= 0 && !used.contains(check))
            used << check;
        content->covering << check;
    }
    std::sort(used.begin(), used.end(), [&log](int a, int b) {
        const VerificationCheck &x = log.checks.at(a), &y = log.checks.at(b);
        return x.at != y.at ? x.at < y.at : x.id < y.id;
    });
    for (int check : std::as_const(used)) {
        const VerificationCheck &c = log.checks.at(check);
        const ReferenceBlock block = log.blocks.value(c.blockId);
        content->checks << CoveringCheck{block.serial, c.at, evaluateCheck(c, block)};
    }
    for (int &check : content->covering)
        check = check < 0 ? -1 : int(used.indexOf(check));
}

QString checkText(const CoveringCheck &check)
{
    const CheckResult &r = check.result;
    return QObject::tr("验证：试块 %1，%2，误差 %3 HL，重复性 %4 HL，%5")
        .arg(check.blockSerial, check.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")), signedHlText(r.error))
        .arg(r.repeatability)
        .arg(r.passed ? QObject::tr("通过") : QObject::tr("未通过"));
}

QStringList verificationLines(const ReportContent &content, int maxLines)
{
    QStringList lines;
    if (!content.verificationKnown)
        return lines;
    if (content.checks.isEmpty())
        return {QObject::tr("没有验证记录覆盖这些组")};
    const int count = content.checks.size();
    const int shown = count <= maxLines ? count : qMax(0, maxLines - 1);
    for (int i = 0; i < shown; ++i)
        lines << checkText(content.checks.at(i));
    if (shown < count)
        lines << QObject::tr("另有 %n 次验证", nullptr, count - shown);
    return lines;
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
