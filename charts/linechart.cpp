#include "linechart.h"

#include "valuetext.h"

#include <QFontDatabase>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

namespace {
// Up to this many impacts every impact number has its label at the window's smallest width; beyond, every second
// one (two-digit labels closer together are cut to "...").
constexpr int MaxLabelledImpacts = 16;
} // namespace

LineChart::LineChart(QWidget *parent) : QWidget(parent)
{
    // As the chart view has it: the layout gives the area the same room before and after the chart is made.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Nothing to operate with the keyboard here: Tab passes on to the table and the buttons.
    setFocusPolicy(Qt::NoFocus);
}

void LineChart::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // Made on the next turn of the event loop, once this frame is on screen.
    if (!m_view && !m_makeQueued) {
        m_makeQueued = true;
        QMetaObject::invokeMethod(this, &LineChart::makeChart, Qt::QueuedConnection);
    }
}

void LineChart::makeChart()
{
    if (m_view)
        return;
    m_view = new QChartView(this);
    m_view->setFocusPolicy(Qt::NoFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    // The chart's texts are small, in the desktop's font: a chart takes the application's font of the time it is
    // made, and by now that is the window's large one.
    const QFont plain = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QFont bold = plain;
    bold.setWeight(QFont::Bold);

    // The view comes with a chart of its own: set that one up, since replacing it (setChart) would leave it undeleted.
    QChart *chart = m_view->chart();
    chart->setTitleFont(bold);
    chart->setTitle(QString());
    chart->setAnimationOptions(QChart::SeriesAnimations);
    chart->legend()->hide();

    m_series = new QLineSeries(chart);
    // A marker on every impact: a group of one impact has no line to draw.
    m_series->setPointsVisible(true);
    chart->addSeries(m_series);

    m_axisX = new QValueAxis(chart);
    m_axisX->setLabelFormat(QStringLiteral("%d"));
    // Ticks at the impact numbers 1, 2, ... whatever the range, which keeps half a step free at both ends.
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    m_axisX->setTickAnchor(1);
    m_axisX->setTickInterval(1);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    m_series->attachAxis(m_axisX);

    m_axisY = new QValueAxis(chart);
    m_axisY->setTitleText(QStringLiteral("HL"));
    chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisY);
    for (QValueAxis *axis : {m_axisX, m_axisY}) {
        axis->setLabelsFont(plain);
        axis->setTitleFont(bold);
    }

    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->show(); // now, not on the layout's next turn: this one paints it
}

QChart *LineChart::chart()
{
    makeChart();
    return m_view->chart();
}

QLineSeries *LineChart::series()
{
    makeChart();
    return m_series;
}

QValueAxis *LineChart::axisX()
{
    makeChart();
    return m_axisX;
}

QValueAxis *LineChart::axisY()
{
    makeChart();
    return m_axisY;
}

void LineChart::showImpacts(QList<double> values, QString titleText)
{
    makeChart();
    QList<QPointF> points;
    points.reserve(values.size());
    for (int i = 0; i < values.size(); ++i)
        points.append(QPointF(i + 1, values.at(i)));
    // One replace instead of clear and append: a single redraw for the whole line.
    m_series->replace(points);

    const double m = maximum(values);
    m_axisY->setRange(0, m + m / 3);

    // A single impact (and no impact) still gets a range one step wide, with its tick in the middle.
    const int n = qMax(1, values.size());
    m_axisX->setRange(0.5, n + 0.5);
    m_axisX->setTickInterval(n > MaxLabelledImpacts ? 2 : 1);

    m_view->chart()->setTitle(tr("%1").arg(titleText));
}
