#include "linechart.h"

#include "valuetext.h"

#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

LineChart::LineChart(QWidget *parent) : QChartView(parent)
{
    auto *chart = new QChart();
    QFont titleFont = chart->titleFont();
    titleFont.setWeight(QFont::Bold);
    chart->setTitleFont(titleFont);
    chart->setTitle(QString());
    chart->setAnimationOptions(QChart::SeriesAnimations);
    chart->legend()->hide();

    m_series = new QLineSeries(chart);
    chart->addSeries(m_series);

    m_axisX = new QValueAxis(chart);
    m_axisX->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(m_axisX, Qt::AlignBottom);
    m_series->attachAxis(m_axisX);

    m_axisY = new QValueAxis(chart);
    m_axisY->setTitleText(QStringLiteral("HL"));
    chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisY);

    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
}

void LineChart::showImpacts(QList<double> values, QString yTitle, QString titleText)
{
    QList<QPointF> points;
    points.reserve(values.size());
    for (int i = 0; i < values.size(); ++i)
        points.append(QPointF(i + 1, values.at(i)));
    // One replace instead of clear and append: a single redraw for the whole line.
    m_series->replace(points);

    const double m = maximum(values);
    m_axisY->setRange(0, m + m / 3);
    m_axisY->setTitleText(yTitle);

    const int n = values.size();
    m_axisX->setRange(1, n);
    m_axisX->setTickCount(n);

    chart()->setTitle(tr("%1").arg(titleText));
}
