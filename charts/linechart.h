#pragma once

#include "chartclasses.h"

#include <QList>
#include <QString>
#include <QWidget>

// The single impacts of the shown group as a line over their sequence numbers.
//
// The chart is made once this widget has been painted, or at its first use if that comes sooner: making it costs
// more than the rest of the window together, and the window's first frame shows the empty area it will fill.
class LineChart : public QWidget
{
    Q_OBJECT

public:
    explicit LineChart(QWidget *parent = nullptr);

    // Replaces the drawing: one point per value at x = 1, 2, ..., the y axis up to a third above the highest value.
    // The values are HL whatever the group's measurement type, and the y axis says so.
    void showImpacts(QList<double> values, QString titleText);

    // These make the chart if it is not made yet.
    QChart *chart();
    QLineSeries *series();
    QValueAxis *axisX();
    QValueAxis *axisY();
    bool isChartMade() const { return m_view != nullptr; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void makeChart();

    QChartView *m_view = nullptr;
    QLineSeries *m_series = nullptr;
    QValueAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;
    bool m_makeQueued = false;
};
