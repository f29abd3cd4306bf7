#pragma once

#include <QList>
#include <QString>
#include <QtCharts/QChartView>

// Qt 5 keeps the chart classes in a namespace of their own, Qt 6 in Qt's.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
namespace QtCharts {
class QLineSeries;
class QValueAxis;
} // namespace QtCharts
using namespace QtCharts;
#else
QT_BEGIN_NAMESPACE
class QLineSeries;
class QValueAxis;
QT_END_NAMESPACE
#endif

// The single impacts of the shown group as a line over their sequence numbers.
class LineChart : public QChartView
{
    Q_OBJECT

public:
    explicit LineChart(QWidget *parent = nullptr);

    // Replaces the drawing: one point per value at x = 1, 2, ..., the y axis up to a third above the highest value.
    // The values are HL whatever the group's measurement type, and the y axis says so.
    void showImpacts(QList<double> values, QString titleText);

    QLineSeries *series() const { return m_series; }
    QValueAxis *axisX() const { return m_axisX; }
    QValueAxis *axisY() const { return m_axisY; }

private:
    QLineSeries *m_series = nullptr;
    QValueAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;
};
