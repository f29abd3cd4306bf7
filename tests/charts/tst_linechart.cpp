// The line chart after successive groups: every call replaces points, ranges and title; the values are always HL.
#include "linechart.h"

#include <QtCharts>
#include <QtTest>

class TestLineChart : public QObject
{
    Q_OBJECT

private slots:
    void showImpacts_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("yMax");
        QTest::addColumn<double>("xMax"); // the x range starts at 0.5: half a step before impact 1
        QTest::addColumn<double>("labelStep");
        QTest::newRow("three impacts: y a third above the highest")
            << QList<double>{450, 462, 455} << 616.0 << 3.5 << 1.0;
        QTest::newRow("one impact: a range around its tick") << QList<double>{600} << 800.0 << 1.5 << 1.0;
        QTest::newRow("16 impacts: every number labelled") << QVector<double>(16, 300).toList() << 400.0 << 16.5 << 1.0;
        QTest::newRow("32 impacts: every second number") << QVector<double>(32, 300).toList() << 400.0 << 32.5 << 2.0;
        QTest::newRow("none: the line goes") << QList<double>{} << 0.0 << 1.5 << 1.0;
    }

    void showImpacts()
    {
        QFETCH(QList<double>, values);
        LineChart chart;
        chart.showImpacts(QVector<double>(20, 900).toList(), QStringLiteral("7"));
        chart.showImpacts(values, QStringLiteral("2"));

        QCOMPARE(chart.series()->count(), values.size());
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(chart.series()->at(i), QPointF(i + 1, values.at(i)));
        // A single point has no line: only its marker shows it.
        QVERIFY(chart.series()->pointsVisible() && chart.axisX()->tickType() == QValueAxis::TicksDynamic);
        // y from 0; labels on the impact numbers 1, 1 + step, ...
        QFETCH(double, yMax);
        QFETCH(double, xMax);
        QFETCH(double, labelStep);
        QCOMPARE((QList<double>{chart.axisY()->min(), chart.axisY()->max(), chart.axisX()->min(), chart.axisX()->max(),
                                chart.axisX()->tickAnchor(), chart.axisX()->tickInterval()}),
                 (QList<double>{0, yMax, 0.5, xMax, 1, labelStep}));
        QCOMPARE(chart.axisY()->titleText() + ' ' + chart.chart()->title(), QStringLiteral("HL 2"));
    }
};

QTEST_MAIN(TestLineChart)
#include "tst_linechart.moc"
