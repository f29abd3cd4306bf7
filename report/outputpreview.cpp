#include "outputpreview.h"

#include "paintbase.h"

#include <QPainter>
#include <QTimer>

OutputPreview::OutputPreview(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, QOverload<>::of(&QWidget::update));
    m_timer->start(100);
}

void OutputPreview::setData(const QList<MeasurementGroup> &groups)
{
    m_groups = groups;
}

void OutputPreview::setPage(int page)
{
    m_page = page;
}

void OutputPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPaper(&painter);
    painter.translate(m_offsetX, m_offsetY);
    PaintBase::paintPage(&painter, QRectF(m_offsetX, m_offsetY, m_pageWidth, m_pageHeight), m_groups, m_page);
}

void OutputPreview::drawPaper(QPainter *painter)
{
    const double w = width();
    const double h = height();
    // The thresholds differ on purpose (0.7 against 0.71): between them the sheet reaches a little past both sides.
    if (0.7 * h > w) {
        m_pageWidth = w;
        m_pageHeight = 1.41 * w;
        m_offsetX = 0;
        m_offsetY = (h - 1.41 * w) * 0.5;
    } else {
        m_pageWidth = 0.71 * h;
        m_pageHeight = h;
        m_offsetX = (w - 0.71 * h) * 0.5;
        m_offsetY = 0;
    }
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter->drawRect(QRect(int(m_offsetX), int(m_offsetY), int(m_pageWidth), int(m_pageHeight)));
    painter->restore();
}
