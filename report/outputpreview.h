#pragma once

#include "measurementgroup.h"

#include <QList>
#include <QWidget>

class QTimer;

// Live preview of one report page: an A4-shaped white sheet fitted into the widget, with the page painted on it.
// It repaints ten times a second on its own, which is how edits of the header fields and page flips reach it.
class OutputPreview : public QWidget
{
    Q_OBJECT

public:
    explicit OutputPreview(QWidget *parent = nullptr);

    void setData(const QList<MeasurementGroup> &groups);
    void setPage(int page);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawPaper(QPainter *painter);

    QTimer *m_timer = nullptr;
    double m_pageHeight = 0;
    double m_pageWidth = 0;
    double m_offsetX = 0;
    double m_offsetY = 0;
    QList<MeasurementGroup> m_groups;
    int m_page = 1;
};
