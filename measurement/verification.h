#pragma once

#include "measurementgroup.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// A certified reference (test) block the instrument is checked on before use.
struct ReferenceBlock
{
    qint64 id = 0; // in the archive; 0: not stored
    QString serial;
    quint8 device = 0; // an impact device code (hardness/scales.h), the device the block is certified for
    double nominalHl = 0.0;
    std::optional<double> uncertaintyHl;
    QString certificate;
    QDate validUntil; // null: no end given
    // The block's own tolerances in HL; either one not given takes the default for the device and level.
    std::optional<double> maxError;
    std::optional<double> maxRepeatability;
};

struct Tolerance
{
    double maxError = 0.0;         // |mean - nominal| at most this
    double maxRepeatability = 0.0; // max - min at most this
};

// The usual verification tolerances for Leeb testers: D and DC ±6 HL and 6 HL on a block of 645 HL or more, ±10 and
// 10 below; DL, D_15, C1, G and E ±12 and 12.
Tolerance defaultTolerance(quint8 device, double nominalHl);
// The block's own tolerances where given, the defaults for the rest.
Tolerance blockTolerance(const ReferenceBlock &block);

// One check of the instrument on a block: at least three readings (typically five).
struct VerificationCheck
{
    qint64 id = 0; // in the archive; 0: not stored
    qint64 blockId = 0;
    QDateTime at; // instrument clock (local time)
    QString operatorName;
    QList<int> readings; // HL
};

constexpr int MinimumReadings = 3;

struct CheckResult
{
    int count = 0;
    double mean = 0.0;     // to one decimal
    double error = 0.0;    // mean - nominal, to one decimal
    int repeatability = 0; // max - min
    Tolerance tolerance;
    bool passed = false; // |error| <= maxError and repeatability <= maxRepeatability
};

CheckResult evaluateCheck(const VerificationCheck &check, const ReferenceBlock &block);

// Why a new check on a block cannot be recorded; empty when it can. English, for the tools and archive reasons; the
// window words its own.
enum class CheckRefusal { None, TooFewReadings, BlockExpired, BadReading };
CheckRefusal checkRefusal(const VerificationCheck &check, const ReferenceBlock &block);

// Individuals and moving-range chart of a block's check means, in check order.
struct ControlLimits
{
    bool set = false; // fewer than 5 checks: no limits
    int basis = 0;    // how many checks the limits came from: the first 20, or all while fewer
    double centre = 0.0;
    double lcl = 0.0; // centre - 2.66 * mrBar
    double ucl = 0.0; // centre + 2.66 * mrBar
    double mrBar = 0.0;
    double mrUcl = 0.0; // 3.267 * mrBar
};

ControlLimits controlLimits(const QList<double> &means);

struct ChartPoint
{
    double mean = 0.0;
    std::optional<double> movingRange; // none for the first check
    bool inControl = true;             // outside the individuals limits or above the moving-range limit: false
};

QList<ChartPoint> chartPoints(const QList<double> &means, const ControlLimits &limits);

// A block's checks as the log shows them: each check's result and chart point, and the limits of their means.
struct BlockLog
{
    QList<CheckResult> results;
    ControlLimits limits;
    QList<ChartPoint> points;
};

BlockLog blockLog(const ReferenceBlock &block, const QList<VerificationCheck> &checks);

// An HL figure of the log to one decimal ("760.6"); signed, the error as the mean's distance from the block's value
// ("+0.6", "-1.2", "0.0").
QString hlText(double value);
QString signedHlText(double value);

// The check that covers a group: the latest check made on the group's day (instrument clock), at or before the
// group's time, with a block of the group's impact device; -1 when none. The group is verified when that check
// passed. checks in any order; blocks by id.
int coveringCheck(const MeasurementGroup &group, const QList<VerificationCheck> &checks,
                  const QHash<qint64, ReferenceBlock> &blocks);
bool isVerified(const MeasurementGroup &group, const QList<VerificationCheck> &checks,
                const QHash<qint64, ReferenceBlock> &blocks);
