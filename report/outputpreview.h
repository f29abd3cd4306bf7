#pragma once

#include "reportcontent.h"
#include "reportheader.h"

#include <QList>
#include <QWidget>

// Live preview of one report page: an A4-shaped white sheet fitted into the widget, with the page painted on it.
// Each setter that changes what the page shows schedules a repaint, so that an edit shows at once and an idle
// preview costs nothing.
class OutputPreview : public QWidget
{
    Q_OBJECT

public:
    explicit OutputPreview(QWidget *parent = nullptr);

    void setData(const ReportContent &content);
    void setPage(int page);
    void setHeader(const ReportHeader &header);
    ReportHeader header() const { return m_header; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawPaper(QPainter *painter);

    double m_pageHeight = 0;
    double m_pageWidth = 0;
    double m_offsetX = 0;
    double m_offsetY = 0;
    ReportContent m_content;
    ReportHeader m_header;
    int m_page = 1;
};
