// The verification log's arithmetic on values worked by hand: a check's result against its block, what is refused,
// the control chart's limits and the check that covers a group.
#include "verification.h"

#include <QtTest>

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(VerificationCheck)
Q_DECLARE_METATYPE(CheckRefusal)

namespace {

const QDate Day(2026, 6, 3);

ReferenceBlock block(quint8 device, double nominal, std::optional<double> maxError = {})
{
    ReferenceBlock b;
    b.device = device;
    b.nominalHl = nominal;
    b.maxError = maxError;
    return b;
}

// A check on block 1 (D, 760 HL) or 2 (G, 570 HL): the readings pass or fail (range 8 against 6 for block 1).
VerificationCheck check(qint64 blockId, const QDateTime &at, bool passes)
{
    VerificationCheck c;
    c.blockId = blockId;
    c.at = at;
    c.readings = passes ? QList<int>{760, 761, 759} : QList<int>{758, 762, 765, 757, 761};
    return c;
}

QDateTime on(int hour, int minute, int second = 0, const QDate &day = Day)
{
    return QDateTime(day, QTime(hour, minute, second));
}

} // namespace

class TestVerification : public QObject
{
    Q_OBJECT

private slots:
    void evaluate_data()
    {
        QTest::addColumn<quint8>("device");
        QTest::addColumn<double>("nominal");
        QTest::addColumn<std::optional<double>>("maxError");
        QTest::addColumn<QList<int>>("readings");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("error");
        QTest::addColumn<int>("repeatability");
        QTest::addColumn<double>("toleranceError");
        QTest::addColumn<double>("toleranceRange");
        QTest::addColumn<bool>("passed");
        const std::optional<double> none;
        QTest::newRow("D 760: mean 760.6, error +0.6, range 8 above 6: fail")
            << quint8(DeviceD) << 760.0 << none << QList<int>{758, 762, 765, 757, 761} << 760.6 << 0.6 << 8 << 6.0
            << 6.0 << false;
        QTest::newRow("D 760: range 6 on its limit: pass")
            << quint8(DeviceD) << 760.0 << none << QList<int>{757, 763, 760, 761, 759} << 760.0 << 0.0 << 6 << 6.0
            << 6.0 << true;
        QTest::newRow("D 645: error +6 on the limit of 6: pass")
            << quint8(DeviceD) << 645.0 << none << QList<int>{650, 652, 651} << 651.0 << 6.0 << 2 << 6.0 << 6.0 << true;
        QTest::newRow("D 645: error +7 above 6: fail") << quint8(DeviceD) << 645.0 << none << QList<int>{652, 652, 652}
                                                       << 652.0 << 7.0 << 0 << 6.0 << 6.0 << false;
        QTest::newRow("DC 644: below 645 the limit is 10: +10 passes")
            << quint8(DeviceDC) << 644.0 << none << QList<int>{652, 654, 656} << 654.0 << 10.0 << 4 << 10.0 << 10.0
            << true;
        QTest::newRow("DL 880: 12 and 12 at any level, error -4")
            << quint8(DeviceDL) << 880.0 << none << QList<int>{868, 880, 880} << 876.0 << -4.0 << 12 << 12.0 << 12.0
            << true;
        QTest::newRow("the block's own maximum error of 3: +4 fails")
            << quint8(DeviceD) << 760.0 << std::optional<double>(3.0) << QList<int>{764, 764, 764} << 764.0 << 4.0 << 0
            << 3.0 << 6.0 << false;
        QTest::newRow("mean 760.25 rounds up to 760.3")
            << quint8(DeviceD) << 760.0 << none << QList<int>{760, 760, 760, 761} << 760.3 << 0.3 << 1 << 6.0 << 6.0
            << true;
    }
    void evaluate()
    {
        QFETCH(quint8, device);
        QFETCH(double, nominal);
        QFETCH(std::optional<double>, maxError);
        QFETCH(QList<int>, readings);
        VerificationCheck c;
        c.readings = readings;
        const CheckResult r = evaluateCheck(c, block(device, nominal, maxError));
        QCOMPARE(r.count, readings.size());
        QTEST(r.mean, "mean");
        QTEST(r.error, "error");
        QTEST(r.repeatability, "repeatability");
        QTEST(r.tolerance.maxError, "toleranceError");
        QTEST(r.tolerance.maxRepeatability, "toleranceRange");
        QTEST(r.passed, "passed");
    }

    void refusal_data()
    {
        QTest::addColumn<QList<int>>("readings");
        QTest::addColumn<QDate>("validUntil");
        QTest::addColumn<CheckRefusal>("refusal");
        const QList<int> five{760, 761, 759, 760, 760};
        QTest::newRow("five readings, no end date") << five << QDate() << CheckRefusal::None;
        QTest::newRow("on the block's last valid day") << five << Day << CheckRefusal::None;
        QTest::newRow("the day after its valid-until date") << five << Day.addDays(-1) << CheckRefusal::BlockExpired;
        QTest::newRow("two readings") << QList<int>{760, 761} << QDate() << CheckRefusal::TooFewReadings;
        QTest::newRow("a reading of 0") << QList<int>{760, 0, 761} << QDate() << CheckRefusal::BadReading;
    }
    void refusal()
    {
        QFETCH(QList<int>, readings);
        QFETCH(QDate, validUntil);
        ReferenceBlock b = block(DeviceD, 760.0);
        b.validUntil = validUntil;
        VerificationCheck c = check(1, on(8, 0), true);
        c.readings = readings;
        QTEST(checkRefusal(c, b), "refusal");
    }

    void controlChart_data()
    {
        QTest::addColumn<QList<double>>("means");
        QTest::addColumn<int>("basis");            // 0: no limits
        QTest::addColumn<QList<double>>("limits"); // centre, MR-bar, LCL, UCL, MR UCL
        QTest::addColumn<QList<int>>("outOfControl");
        QTest::newRow("4 checks: no limits, all in control")
            << QList<double>{760, 790, 730, 760} << 0 << QList<double>{0, 0, 0, 0, 0} << QList<int>{};
        // Moving ranges 2, 1, 2, 1: MR-bar 1.5, centre 762; 762 -/+ 3.99; 3.267 * 1.5 = 4.9005.
        QTest::newRow("5 checks: limits from all five")
            << QList<double>{760, 762, 761, 763, 764} << 5 << QList<double>{762, 1.5, 758.01, 765.99, 4.9005}
            << QList<int>{};
        // Alternating 760 / 761 (moving ranges 1) with a spike of 770.5 as the 10th: sum 15219.5, centre 760.975;
        // moving ranges 17 * 1 + 2 * 10.5 = 38 over 19: MR-bar 2; limits 760.975 -/+ 5.32, MR UCL 6.534. The
        // spike is out on both charts, the 11th (760, inside) by its moving range alone; the 21st (758, range 3)
        // is in, the 22nd (755.6, range 2.4) is below 755.655. All 22 would give a centre of 760.595.
        QList<double> twenty;
        for (int i = 0; i < 20; ++i)
            twenty << (i == 9 ? 770.5 : i % 2 ? 761 : 760);
        QTest::newRow("22 checks: limits from the first 20")
            << twenty + QList<double>{758, 755.6} << 20 << QList<double>{760.975, 2, 755.655, 766.295, 6.534}
            << QList<int>{9, 10, 21};
    }
    void controlChart()
    {
        QFETCH(QList<double>, means);
        QFETCH(int, basis);
        QFETCH(QList<double>, limits);
        const ControlLimits l = controlLimits(means);
        QCOMPARE(l.set, basis > 0);
        QCOMPARE(l.basis, basis);
        const QList<double> got{l.centre, l.mrBar, l.lcl, l.ucl, l.mrUcl};
        for (int i = 0; i < got.size(); ++i)
            QVERIFY2(qAbs(got[i] - limits[i]) < 1e-9,
                     qPrintable(QString("limit %1: %2").arg(i).arg(got[i], 0, 'g', 12)));
        const QList<ChartPoint> points = chartPoints(means, l);
        QCOMPARE(points.size(), means.size());
        QList<int> out;
        for (int i = 0; i < points.size(); ++i) {
            if (!points[i].inControl)
                out << i;
        }
        QTEST(out, "outOfControl");
        QVERIFY(!points[0].movingRange);
        QCOMPARE(*points[1].movingRange, qAbs(means[1] - means[0]));
    }

    // A block's log: the limits are of the check means (not of their errors), each point beside its check; the
    // figures as the log writes them, the sign on a positive error only and never "-0.0".
    void logAndTexts()
    {
        QList<VerificationCheck> checks;
        for (int mean : {760, 762, 761, 763, 764}) {
            VerificationCheck c;
            c.readings = {mean - 1, mean, mean + 1};
            checks << c;
        }
        const BlockLog log = blockLog(block(DeviceD, 760.0), checks);
        QVERIFY(log.limits.set && qAbs(log.limits.centre - 762) < 1e-9 && log.points.size() == 5);
        QCOMPARE(log.results[4].error, 4.0);
        QCOMPARE(log.points[4].mean, 764.0);
        QCOMPARE(
            QStringList({hlText(760.6), signedHlText(0.6), signedHlText(-1.2), signedHlText(-0.04), signedHlText(0.0)}),
            QStringList({"760.6", "+0.6", "-1.2", "0.0", "0.0"}));
    }

    void covering_data()
    {
        QTest::addColumn<QList<VerificationCheck>>("checks");
        QTest::addColumn<int>("covering");
        QTest::addColumn<bool>("verified");
        // The group: device D, measured at 14:30 on Day.
        QTest::newRow("a pass in the morning") << QList<VerificationCheck>{check(1, on(8, 0), true)} << 0 << true;
        QTest::newRow("a later failing check wins over an earlier pass")
            << QList<VerificationCheck>{check(1, on(9, 0), false), check(1, on(8, 0), true)} << 0 << false;
        QTest::newRow("a later pass wins over an earlier fail")
            << QList<VerificationCheck>{check(1, on(8, 0), false), check(1, on(9, 0), true)} << 1 << true;
        QTest::newRow("a check after the group's time does not cover")
            << QList<VerificationCheck>{check(1, on(8, 0), true), check(1, on(14, 31), false)} << 0 << true;
        QTest::newRow("a check in the group's own minute covers")
            << QList<VerificationCheck>{check(1, on(8, 0), false), check(1, on(14, 30, 40), true)} << 1 << true;
        QTest::newRow("the day before does not cover")
            << QList<VerificationCheck>{check(1, on(16, 0, 0, Day.addDays(-1)), true)} << -1 << false;
        QTest::newRow("a block of another device does not cover")
            << QList<VerificationCheck>{check(2, on(8, 0), true)} << -1 << false;
        QTest::newRow("a block not known does not cover")
            << QList<VerificationCheck>{check(3, on(8, 0), true)} << -1 << false;
    }
    void covering()
    {
        QFETCH(QList<VerificationCheck>, checks);
        MeasurementGroup g;
        g.device = DeviceD;
        g.measured = on(14, 30);
        const QHash<qint64, ReferenceBlock> blocks{{1, block(DeviceD, 760)}, {2, block(DeviceG, 570)}};
        QTEST(coveringCheck(g, checks, blocks), "covering");
        QTEST(isVerified(g, checks, blocks), "verified");
        g.measured = QDateTime(); // a date that does not exist: never verified
        QCOMPARE(coveringCheck(g, checks, blocks), -1);
    }
};

QTEST_GUILESS_MAIN(TestVerification)
#include "tst_verification.moc"
