#include "outputpreview.h"

#include "paintbase.h"

#include <QPainter>

OutputPreview::OutputPreview(QWidget *parent) : QWidget(parent) {}

void OutputPreview::setData(const ReportContent &content)
{
    m_content = content;
    update();
}

void OutputPreview::setPage(int page)
{
    if (page == m_page)
        return;
    m_page = page;
    update();
}

void OutputPreview::setHeader(const ReportHeader &header)
{
    if (header == m_header)
        return;
    m_header = header;
    update();
}

void OutputPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPaper(&painter);
    painter.translate(m_offsetX, m_offsetY);
    PaintBase::paintPage(&painter, QRectF(m_offsetX, m_offsetY, m_pageWidth, m_pageHeight), m_header, m_content,
                         m_page);
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
