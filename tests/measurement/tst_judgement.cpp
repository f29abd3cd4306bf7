// Verdicts against a part's limit, a group's spread and the summary of several groups, on values worked by hand.
#include "judgement.h"

#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(MeasurementGroup)
Q_DECLARE_METATYPE(PartLimit)

namespace {

// An HRC group of HL 450 whose value in one scale is given; strength is not available for it.
MeasurementGroup group(HardnessScale scale, ConversionResult value, HardnessScale own = ScaleHRC)
{
    MeasurementGroup g;
    g.scale = own;
    g.impacts = {448, 452, 450};
    g.setResult(ScaleHL, {450, ConversionStatus::Ok});
    g.setResult(ScaleHRC, {45, ConversionStatus::Ok});
    g.setResult(ScaleSTR, {0, ConversionStatus::NotAvailable});
    g.setResult(scale, value);
    return g;
}

ConversionResult ok(double value)
{
    return {value, ConversionStatus::Ok};
}

PartLimit limit(HardnessScale scale, std::optional<int> low, std::optional<int> high)
{
    PartLimit l;
    l.scale = scale, l.low = low, l.high = high;
    return l;
}

} // namespace

class TestJudgement : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data()
    {
        QTest::addColumn<MeasurementGroup>("group");
        QTest::addColumn<PartLimit>("limit");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const MeasurementGroup &g, const PartLimit &l, const char *verdict,
                            const char *text) { QTest::newRow(name) << g << l << verdict << QString::fromUtf8(text); };
        const PartLimit hrc = limit(ScaleHRC, 40, 50);
        row("39.5 shows 40: on the lower bound, pass", group(ScaleHRC, ok(39.5)), hrc, "pass", "合格");
        row("39.4 shows 39: low", group(ScaleHRC, ok(39.4)), hrc, "low", "偏低");
        row("50.4 shows 50: on the upper bound, pass", group(ScaleHRC, ok(50.4)), hrc, "pass", "合格");
        row("50.5 shows 51: high", group(ScaleHRC, ok(50.5)), hrc, "high", "偏高");
        row("lower bound only, far above", group(ScaleHRC, ok(70)), limit(ScaleHRC, 50, {}), "pass", "合格");
        row("upper bound only, far below", group(ScaleHB, ok(120)), limit(ScaleHB, {}, 300), "pass", "合格");
        row("HI: not judged", group(ScaleHRC, {0, ConversionStatus::AboveRange}), hrc, "not_judged", "未判定");
        row("LO: not judged", group(ScaleHRC, {0, ConversionStatus::BelowRange}), hrc, "not_judged", "未判定");
        row("not a number: not judged", group(ScaleHRC, ok(std::numeric_limits<double>::quiet_NaN())), hrc,
            "not_judged", "未判定");
        row("strength limit", group(ScaleSTR, ok(1234), ScaleSTR), limit(ScaleSTR, 1200, 1300), "pass", "合格");
        row("strength limit on a hardness group", group(ScaleHB, ok(300)), limit(ScaleSTR, 1200, {}), "not_judged",
            "未判定");
        // Its own HRC 45 would pass 40 to 50; the part's limit is in HB.
        row("own scale HRC, limit in HB", group(ScaleHB, ok(299)), limit(ScaleHB, 300, 400), "low", "偏低");
        row("no bound: no verdict", group(ScaleHRC, ok(45)), limit(ScaleHRC, {}, {}), "", "");
    }

    void verdict()
    {
        QFETCH(MeasurementGroup, group);
        QFETCH(PartLimit, limit);
        const Verdict verdict = judge(group, limit);
        QTEST(verdictName(verdict), "name");
        QTEST(verdictText(verdict), "text");
    }

    void statistics_data()
    {
        QTest::addColumn<QList<double>>("impacts");
        QTest::addColumn<QString>("expected"); // count mean sd range min max, then the own result's text
        // 700..712: deviations 0, 12, -12, 5, -5; squares 338; 338 / 4 = 84.5; its root 9.19.
        QTest::newRow("five impacts") << QList<double>{700, 712, 688, 705, 695} << "5 700 9.2 24 688 712 45";
        // 700.5 shows 701; deviations of 0.5, 0.5 / 1, root 0.707.
        QTest::newRow("mean of .5 rounded up") << QList<double>{700, 701} << "2 701 0.7 1 700 701 45";
        QTest::newRow("one impact: no deviation") << QList<double>{640} << "1 640 - 0 640 640 45";
        QTest::newRow("no impacts") << QList<double>{} << "0 0 - 0 0 0 45";
    }

    void statistics()
    {
        QFETCH(QList<double>, impacts);
        MeasurementGroup g = group(ScaleHB, ok(300));
        g.impacts = impacts;
        const GroupStatistics s = groupStatistics(g);
        const QString sd = s.sdHl ? QString::number(*s.sdHl) : QStringLiteral("-");
        QTEST(QString::asprintf("%d %d ", s.count, s.meanHl) + sd +
                  QString::asprintf(" %d %d %d ", s.rangeHl, s.minHl, s.maxHl) + resultTexts(s.meanInScale)["value"],
              "expected");
    }

    void summary_data()
    {
        QTest::addColumn<QList<double>>("hl"); // -1: no HL number
        QTest::addColumn<QString>("verdicts"); // p pass, l low, h high, n not judged, - none
        QTest::addColumn<QString>("expected"); // groups mean sd judged passed
        // Mean 460; squares 100 + 0 + 100 over 2: 100, root 10.
        QTest::newRow("three values, one group without") << QList<double>{450, 460, -1, 470} << "plnh"
                                                         << "4 460 10 3 1";
        QTest::newRow("verdicts shorter than the groups") << QList<double>{450, 451} << "p"
                                                          << "2 450.5 0.707 1 1";
        QTest::newRow("one group: no deviation") << QList<double>{450} << "-"
                                                 << "1 450 - 0 0";
    }

    void summary()
    {
        QFETCH(QList<double>, hl);
        QFETCH(QString, verdicts);
        QList<MeasurementGroup> groups;
        for (double value : hl)
            groups << group(ScaleHL, value < 0 ? ConversionResult{0, ConversionStatus::NoTable} : ok(value));
        QList<Verdict> list;
        const QString codes = QStringLiteral("-plhn");
        for (const QChar code : verdicts)
            list << Verdict(codes.indexOf(code));
        const Summary s = summarise(groups, list);
        const QString sd = s.sd ? QString::number(*s.sd, 'g', 3) : QStringLiteral("-");
        QTEST(QStringLiteral("%1 %2 %3 %4 %5").arg(s.groups).arg(s.mean).arg(sd).arg(s.judged).arg(s.passed),
              "expected");
    }
};

QTEST_GUILESS_MAIN(TestJudgement)

#include "tst_judgement.moc"
