#include "judgement.h"

#include <QObject>

#include <cmath>

namespace {

// Sample standard deviation (n - 1) about mean; none below two values.
std::optional<double> sampleDeviation(const QList<double> &values, double mean)
{
    if (values.size() < 2)
        return std::nullopt;
    double squares = 0.0;
    for (double value : values)
        squares += (value - mean) * (value - mean);
    return std::sqrt(squares / (values.size() - 1));
}

} // namespace

Verdict judge(const MeasurementGroup &group, const PartLimit &limit)
{
    if (!limit.isSet())
        return Verdict::None;
    const ConversionResult result = group.result(limit.scale);
    bool isNumber = false;
    const int shown = shownValue(result.value, &isNumber);
    if (result.status != ConversionStatus::Ok || !isNumber)
        return Verdict::NotJudged;
    if (limit.low && shown < *limit.low)
        return Verdict::Low;
    if (limit.high && shown > *limit.high)
        return Verdict::High;
    return Verdict::Pass;
}

QString verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return QStringLiteral("pass");
    case Verdict::Low:
        return QStringLiteral("low");
    case Verdict::High:
        return QStringLiteral("high");
    case Verdict::NotJudged:
        return QStringLiteral("not_judged");
    case Verdict::None:
        break;
    }
    return QString();
}

QString verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return QObject::tr("合格");
    case Verdict::Low:
        return QObject::tr("偏低");
    case Verdict::High:
        return QObject::tr("偏高");
    case Verdict::NotJudged:
        return QObject::tr("未判定");
    case Verdict::None:
        break;
    }
    return QString();
}

GroupStatistics groupStatistics(const MeasurementGroup &group)
{
    GroupStatistics s;
    s.meanInScale = group.ownResult();
    s.count = group.impacts.size();
    if (group.impacts.isEmpty())
        return s;
    // The panel's numbers: impacts are whole HL, their mean rounded as every shown value is.
    const double average = mean(group.impacts);
    s.meanHl = shownValue(average);
    s.minHl = wholeNumber(minimum(group.impacts));
    s.maxHl = wholeNumber(maximum(group.impacts));
    s.rangeHl = s.maxHl - s.minHl;
    if (const std::optional<double> sd = sampleDeviation(group.impacts, average))
        s.sdHl = shownValue(*sd * 10) / 10.0;
    return s;
}

Summary summarise(const QList<MeasurementGroup> &groups, const QList<Verdict> &verdicts)
{
    Summary s;
    s.groups = groups.size();
    QList<double> values;
    values.reserve(groups.size());
    for (int i = 0; i < groups.size(); ++i) {
        const ConversionResult hl = groups.at(i).result(ScaleHL);
        if (hl.status == ConversionStatus::Ok && std::isfinite(hl.value))
            values.append(hl.value);
        const Verdict verdict = verdicts.value(i, Verdict::None);
        s.judged += verdict == Verdict::Pass || verdict == Verdict::Low || verdict == Verdict::High;
        s.passed += verdict == Verdict::Pass;
    }
    s.mean = mean(values);
    s.sd = sampleDeviation(values, s.mean);
    return s;
}

QString summaryMeanText(const Summary &summary, const QString &none)
{
    return std::isfinite(summary.mean) ? QString::number(shownValue(summary.mean)) : none;
}

QString summarySdText(const Summary &summary, const QString &none)
{
    return summary.sd ? QString::number(shownValue(*summary.sd * 10) / 10.0, 'f', 1) : none;
}
