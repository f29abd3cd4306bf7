#include "verification.h"

#include <algorithm>
#include <cmath>

namespace {

// Means and limits are compared as shown; a limit computed in floating point must not turn a point that lies on it
// into one outside.
constexpr double Slack = 1e-9;

// + 0.0: an error that rounds to nothing is 0.0, never -0.0.
double oneDecimal(double value)
{
    return std::round(value * 10.0) / 10.0 + 0.0;
}

} // namespace

Tolerance defaultTolerance(quint8 device, double nominalHl)
{
    switch (device) {
    case DeviceD:
    case DeviceDC:
        return nominalHl >= 645.0 ? Tolerance{6.0, 6.0} : Tolerance{10.0, 10.0};
    case DeviceDL:
    case DeviceD15:
    case DeviceC1:
    case DeviceG:
    case DeviceE:
        return Tolerance{12.0, 12.0};
    default:
        break;
    }
    // No device: nothing to check against, so nothing passes.
    return Tolerance{};
}

Tolerance blockTolerance(const ReferenceBlock &block)
{
    Tolerance tolerance = defaultTolerance(block.device, block.nominalHl);
    if (block.maxError)
        tolerance.maxError = *block.maxError;
    if (block.maxRepeatability)
        tolerance.maxRepeatability = *block.maxRepeatability;
    return tolerance;
}

CheckResult evaluateCheck(const VerificationCheck &check, const ReferenceBlock &block)
{
    CheckResult result;
    result.tolerance = blockTolerance(block);
    result.count = check.readings.size();
    if (check.readings.isEmpty())
        return result;
    qint64 sum = 0;
    for (int reading : check.readings)
        sum += reading;
    // One division of whole numbers: a mean that ends in five hundredths rounds up as written.
    result.mean = std::round(double(sum) * 10.0 / result.count) / 10.0;
    result.error = oneDecimal(result.mean - block.nominalHl);
    const auto [low, high] = std::minmax_element(check.readings.cbegin(), check.readings.cend());
    result.repeatability = *high - *low;
    result.passed = std::abs(result.error) <= result.tolerance.maxError + Slack &&
                    result.repeatability <= result.tolerance.maxRepeatability + Slack;
    return result;
}

CheckRefusal checkRefusal(const VerificationCheck &check, const ReferenceBlock &block)
{
    if (check.readings.size() < MinimumReadings)
        return CheckRefusal::TooFewReadings;
    for (int reading : check.readings) {
        if (reading <= 0)
            return CheckRefusal::BadReading;
    }
    if (block.validUntil.isValid() && check.at.date() > block.validUntil)
        return CheckRefusal::BlockExpired;
    return CheckRefusal::None;
}

ControlLimits controlLimits(const QList<double> &means)
{
    constexpr int MinimumChecks = 5;
    constexpr int BasisChecks = 20;
    ControlLimits limits;
    if (means.size() < MinimumChecks)
        return limits;
    limits.set = true;
    limits.basis = std::min(int(means.size()), BasisChecks);
    double sum = 0.0;
    double ranges = 0.0;
    for (int i = 0; i < limits.basis; ++i) {
        sum += means.at(i);
        if (i > 0)
            ranges += std::abs(means.at(i) - means.at(i - 1));
    }
    limits.centre = sum / limits.basis;
    limits.mrBar = ranges / (limits.basis - 1);
    limits.lcl = limits.centre - 2.66 * limits.mrBar;
    limits.ucl = limits.centre + 2.66 * limits.mrBar;
    limits.mrUcl = 3.267 * limits.mrBar;
    return limits;
}

QList<ChartPoint> chartPoints(const QList<double> &means, const ControlLimits &limits)
{
    QList<ChartPoint> points;
    points.reserve(means.size());
    for (int i = 0; i < means.size(); ++i) {
        ChartPoint point;
        point.mean = means.at(i);
        if (i > 0)
            point.movingRange = std::abs(means.at(i) - means.at(i - 1));
        if (limits.set) {
            const bool inside = point.mean >= limits.lcl - Slack && point.mean <= limits.ucl + Slack;
            const bool rangeOk = !point.movingRange || *point.movingRange <= limits.mrUcl + Slack;
            point.inControl = inside && rangeOk;
        }
        points.append(point);
    }
    return points;
}

BlockLog blockLog(const ReferenceBlock &block, const QList<VerificationCheck> &checks)
{
    BlockLog log;
    QList<double> means;
    for (const VerificationCheck &check : checks) {
        log.results << evaluateCheck(check, block);
        means << log.results.last().mean;
    }
    log.limits = controlLimits(means);
    log.points = chartPoints(means, log.limits);
    return log;
}

QString hlText(double value)
{
    return QString::number(oneDecimal(value), 'f', 1); // never "-0.0"
}

QString signedHlText(double value)
{
    return (value > 0.0 ? QStringLiteral("+") : QString()) + hlText(value);
}

int coveringCheck(const MeasurementGroup &group, const QList<VerificationCheck> &checks,
                  const QHash<qint64, ReferenceBlock> &blocks)
{
    if (!group.measured.isValid())
        return -1;
    const QDate day = group.measured.date();
    const QTime time = group.measured.time();
    int found = -1;
    for (int i = 0; i < checks.size(); ++i) {
        const VerificationCheck &check = checks.at(i);
        const auto block = blocks.constFind(check.blockId);
        if (block == blocks.constEnd() || block->device != group.device || check.at.date() != day)
            continue;
        // Groups are dated to the minute: a check within the group's minute came before it.
        if (QTime(check.at.time().hour(), check.at.time().minute()) > time)
            continue;
        if (found < 0)
            found = i;
        const VerificationCheck &best = checks.at(found);
        if (check.at.time() > best.at.time() || (check.at.time() == best.at.time() && check.id > best.id))
            found = i;
    }
    return found;
}

bool isVerified(const MeasurementGroup &group, const QList<VerificationCheck> &checks,
                const QHash<qint64, ReferenceBlock> &blocks)
{
    const int index = coveringCheck(group, checks, blocks);
    return index >= 0 && evaluateCheck(checks.at(index), blocks.value(checks.at(index).blockId)).passed;
}
