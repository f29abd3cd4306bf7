// The line chart after successive groups: every call replaces points, ranges and titles.
#include "linechart.h"

#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

using namespace QtCharts;

class TestLineChart : public QObject
{
    Q_OBJECT

private slots:
    void startsEmpty();
    void showImpacts_replacesEverything();
    void showImpacts_singleAndNone();
};

void TestLineChart::startsEmpty()
{
    LineChart chart;
    QCOMPARE(chart.series()->count(), 0);
    QVERIFY(chart.chart()->title().isEmpty());
    QCOMPARE(chart.axisY()->titleText(), QStringLiteral("HL"));
    QVERIFY(chart.chart()->titleFont().bold());
    QVERIFY(!chart.chart()->legend()->isVisible());
    QCOMPARE(chart.axisX()->labelFormat(), QStringLiteral("%d"));
}

void TestLineChart::showImpacts_replacesEverything()
{
    LineChart chart;
    chart.showImpacts({400, 410, 405, 420, 415}, QStringLiteral("HRC"), QStringLiteral("7"));
    chart.showImpacts({450, 462, 455}, QStringLiteral("HB"), QStringLiteral("2"));

    QCOMPARE(chart.series()->points(), (QList<QPointF>{{1, 450}, {2, 462}, {3, 455}}));
    QCOMPARE(chart.axisY()->min(), 0.0);
    QCOMPARE(chart.axisY()->max(), 616.0);
    QCOMPARE(chart.axisY()->titleText(), QStringLiteral("HB"));
    QCOMPARE(chart.axisX()->min(), 1.0);
    QCOMPARE(chart.axisX()->max(), 3.0);
    QCOMPARE(chart.axisX()->tickCount(), 3);
    QCOMPARE(chart.chart()->title(), QStringLiteral("2"));
}

void TestLineChart::showImpacts_singleAndNone()
{
    LineChart chart;
    chart.showImpacts({500}, QStringLiteral("HL"), QStringLiteral("1"));
    QCOMPARE(chart.series()->points(), (QList<QPointF>{{1, 500}}));
    QVERIFY(qAbs(chart.axisY()->max() - 666.6667) < 0.001);

    chart.showImpacts({}, QStringLiteral("HV"), QStringLiteral("3"));
    QCOMPARE(chart.series()->count(), 0);
    QCOMPARE(chart.axisY()->titleText(), QStringLiteral("HV"));
    QCOMPARE(chart.chart()->title(), QStringLiteral("3"));
}

QTEST_MAIN(TestLineChart)
#include "tst_linechart.moc"
