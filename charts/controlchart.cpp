#include "controlchart.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <cmath>
#include <tuple>

namespace {

const QColor InControlColour(0x1f, 0x5f, 0xa8);
const QColor OutOfControlColour(0xc8, 0x10, 0x10);
const QColor LimitColour(0xb0, 0x60, 0x00);
const QColor CentreColour(0x30, 0x80, 0x30);

QLineSeries *line(QChart *chart, const QColor &colour, Qt::PenStyle style)
{
    auto *series = new QLineSeries(chart);
    QPen pen(colour);
    pen.setWidthF(style == Qt::SolidLine ? 2 : 1.5);
    pen.setStyle(style);
    series->setPen(pen);
    chart->addSeries(series);
    return series;
}

QScatterSeries *markers(QChart *chart, const QColor &colour, QScatterSeries::MarkerShape shape, double size)
{
    auto *series = new QScatterSeries(chart);
    series->setMarkerShape(shape);
    series->setMarkerSize(size);
    series->setColor(colour);
    series->setBorderColor(colour);
    chart->addSeries(series);
    return series;
}

// A horizontal line across the whole x range; no points without a value.
void setLevel(QLineSeries *series, bool shown, double y, int count)
{
    if (shown)
        series->replace(QList<QPointF>{QPointF(0.5, y), QPointF(count + 0.5, y)});
    else
        series->clear();
}

// A y range that holds every value with a tenth of their spread free above and below (and a step when all agree).
void fitRange(QValueAxis *axis, QList<double> values, bool fromZero)
{
    if (values.isEmpty()) {
        axis->setRange(0, 1);
        return;
    }
    double low = values.first();
    double high = low;
    for (double v : values) {
        low = qMin(low, v);
        high = qMax(high, v);
    }
    const double margin = high > low ? (high - low) / 10 : 1;
    // A range is never negative: its axis starts at 0.
    axis->setRange(fromZero ? qMax(0.0, std::floor(low - margin)) : std::floor(low - margin), std::ceil(high + margin));
}

} // namespace

ControlChart::ControlChart(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QChart *individuals = makeChart(&m_individualsView);
    m_centre = line(individuals, CentreColour, Qt::DashLine);
    m_lcl = line(individuals, LimitColour, Qt::DotLine);
    m_ucl = line(individuals, LimitColour, Qt::DotLine);
    m_means = line(individuals, InControlColour, Qt::SolidLine);
    m_meansIn = markers(individuals, InControlColour, QScatterSeries::MarkerShapeCircle, 9);
    m_meansOut = markers(individuals, OutOfControlColour, QScatterSeries::MarkerShapeRectangle, 13);

    QChart *ranges = makeChart(&m_rangesView);
    m_mrUcl = line(ranges, LimitColour, Qt::DotLine);
    m_ranges = line(ranges, InControlColour, Qt::SolidLine);
    m_rangesIn = markers(ranges, InControlColour, QScatterSeries::MarkerShapeCircle, 9);
    m_rangesOut = markers(ranges, OutOfControlColour, QScatterSeries::MarkerShapeRectangle, 13);

    // The chart takes the font of its window (the application's, or the dialog's smaller one).
    const QFont plain = font();
    for (auto [chart, x, y] : {std::make_tuple(individuals, &m_individualsX, &m_individualsY),
                               std::make_tuple(ranges, &m_rangesX, &m_rangesY)}) {
        *x = new QValueAxis(chart);
        (*x)->setLabelFormat(QStringLiteral("%d"));
        (*x)->setTickType(QValueAxis::TicksDynamic);
        (*x)->setTickAnchor(1);
        (*x)->setTickInterval(1);
        *y = new QValueAxis(chart);
        (*y)->setTitleText(QStringLiteral("HL"));
        for (QValueAxis *axis : {*x, *y}) {
            axis->setLabelsFont(plain);
            axis->setTitleFont(plain);
        }
        chart->addAxis(*x, Qt::AlignBottom);
        chart->addAxis(*y, Qt::AlignLeft);
        for (auto *series : chart->series()) {
            series->attachAxis(*x);
            series->attachAxis(*y);
        }
    }

    // The lower chart is the smaller one: fewer labels keep them readable.
    m_rangesY->setTickCount(3);
    m_rangesY->setLabelFormat(QStringLiteral("%.0f"));
    m_individualsY->setLabelFormat(QStringLiteral("%.0f"));

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("label_chartNote"));
    m_note->setWordWrap(true);
    layout->addWidget(m_individualsView, 3);
    layout->addWidget(m_rangesView, 2);
    layout->addWidget(m_note);
    retranslate();
    showChecks({}, {});
}

QChart *ControlChart::makeChart(QChartView **view)
{
    *view = new QChartView(this);
    (*view)->setFocusPolicy(Qt::NoFocus);
    (*view)->setRenderHint(QPainter::Antialiasing);
    QChart *chart = (*view)->chart();
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    chart->setTitleFont(bold);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart->legend()->setFont(font());
    chart->setMargins(QMargins(4, 2, 4, 2));
    return chart;
}

void ControlChart::showChecks(const QList<ChartPoint> &points, const ControlLimits &limits)
{
    m_limits = limits;
    QList<QPointF> means, meansIn, meansOut, ranges, rangesIn, rangesOut;
    QList<double> meanValues, rangeValues;
    for (int i = 0; i < points.size(); ++i) {
        const ChartPoint &p = points.at(i);
        const QPointF mean(i + 1, p.mean);
        means << mean;
        (p.inControl ? meansIn : meansOut) << mean;
        meanValues << p.mean;
        if (p.movingRange) {
            const QPointF range(i + 1, *p.movingRange);
            ranges << range;
            // Below, only the range that broke its own limit is marked; the check itself is marked above.
            (limits.set && *p.movingRange > limits.mrUcl ? rangesOut : rangesIn) << range;
            rangeValues << *p.movingRange;
        }
    }
    m_means->replace(means);
    m_meansIn->replace(meansIn);
    m_meansOut->replace(meansOut);
    m_ranges->replace(ranges);
    m_rangesIn->replace(rangesIn);
    m_rangesOut->replace(rangesOut);

    const int count = qMax(1, int(points.size()));
    setLevel(m_centre, limits.set, limits.centre, count);
    setLevel(m_lcl, limits.set, limits.lcl, count);
    setLevel(m_ucl, limits.set, limits.ucl, count);
    setLevel(m_mrUcl, limits.set, limits.mrUcl, count);
    if (limits.set) {
        meanValues << limits.lcl << limits.ucl;
        rangeValues << limits.mrUcl;
    }
    rangeValues << 0;
    fitRange(m_individualsY, meanValues, false);
    fitRange(m_rangesY, rangeValues, true);
    for (QValueAxis *x : {m_individualsX, m_rangesX}) {
        x->setRange(0.5, count + 0.5);
        x->setTickInterval(count > 20 ? 5 : 1);
    }
    retranslate();
}

void ControlChart::retranslate()
{
    m_individualsView->chart()->setTitle(tr("单值图：各次检查的平均值"));
    m_rangesView->chart()->setTitle(tr("移动极差图"));
    m_means->setName(tr("平均值"));
    m_meansIn->setName(tr("受控"));
    m_meansOut->setName(tr("失控"));
    m_ranges->setName(tr("移动极差"));
    m_rangesIn->setName(tr("受控"));
    m_rangesOut->setName(tr("失控"));
    const auto value = [](double v) { return QString::number(v, 'f', 1); };
    m_centre->setName(tr("中心线 %1").arg(value(m_limits.centre)));
    m_lcl->setName(tr("下控制限 %1").arg(value(m_limits.lcl)));
    m_ucl->setName(tr("上控制限 %1").arg(value(m_limits.ucl)));
    m_mrUcl->setName(tr("上控制限 %1").arg(value(m_limits.mrUcl)));
    // A series without points still has its legend entry: the limits' entries only where there are limits.
    for (QLineSeries *limit : {m_centre, m_lcl, m_ucl, m_mrUcl}) {
        const auto legendMarkers = limit->chart()->legend()->markers(limit);
        for (auto *marker : legendMarkers)
            marker->setVisible(m_limits.set);
    }
    // The lower chart has room for few entries; its in-control markers are those of the upper one.
    for (auto *marker : m_rangesIn->chart()->legend()->markers(m_rangesIn))
        marker->setVisible(false);
    for (QScatterSeries *out : {m_meansOut, m_rangesOut}) {
        const auto legendMarkers = out->chart()->legend()->markers(out);
        for (auto *marker : legendMarkers)
            marker->setVisible(out->count() > 0);
    }
    m_note->setText(m_limits.set ? tr("控制限取自前 %1 次检查。失控的检查以红色方块标出。").arg(m_limits.basis)
                                 : tr("检查少于 5 次：尚无控制限，只显示各点。"));
}

void ControlChart::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
