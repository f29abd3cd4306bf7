#pragma once

#include <QList>
#include <QString>
#include <QtCharts/QChartView>

namespace QtCharts {
class QLineSeries;
class QValueAxis;
} // namespace QtCharts

// The single impacts of the shown group as a line over their sequence numbers.
class LineChart : public QtCharts::QChartView
{
    Q_OBJECT

public:
    explicit LineChart(QWidget *parent = nullptr);

    // Replaces the drawing: one point per value at x = 1, 2, ..., the y axis up to a third above the highest value.
    // The values are HL whatever the group's measurement type, and the y axis says so.
    void showImpacts(QList<double> values, QString titleText);

    QtCharts::QLineSeries *series() const { return m_series; }
    QtCharts::QValueAxis *axisX() const { return m_axisX; }
    QtCharts::QValueAxis *axisY() const { return m_axisY; }

private:
    QtCharts::QLineSeries *m_series = nullptr;
    QtCharts::QValueAxis *m_axisX = nullptr;
    QtCharts::QValueAxis *m_axisY = nullptr;
};
