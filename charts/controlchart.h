#pragma once

#include "chartclasses.h"

#include "verification.h"

#include <QList>
#include <QWidget>

class QLabel;

// A block's check means in check order (individuals, above) and their moving ranges (below), each under its limits.
// Checks out of control are drawn red AND as squares, so that a grey print or a colour-blind eye still tells them.
// Without limits (fewer than five checks) the points alone, and a note that says why.
class ControlChart : public QWidget
{
    Q_OBJECT

public:
    explicit ControlChart(QWidget *parent = nullptr);

    // points and limits as chartPoints() and controlLimits() give them; x is the check's number from 1.
    void showChecks(const QList<ChartPoint> &points, const ControlLimits &limits);

    // The individuals: every mean on the line, the in-control ones and the out-of-control ones as markers.
    QLineSeries *means() const { return m_means; }
    QScatterSeries *meansInControl() const { return m_meansIn; }
    QScatterSeries *meansOutOfControl() const { return m_meansOut; }
    // The centre line and the limits; empty without limits.
    QLineSeries *centre() const { return m_centre; }
    QLineSeries *lowerLimit() const { return m_lcl; }
    QLineSeries *upperLimit() const { return m_ucl; }
    QScatterSeries *rangesOutOfControl() const { return m_rangesOut; }
    QLineSeries *rangeLimit() const { return m_mrUcl; }
    QLabel *note() const { return m_note; }

    // The chart's words in the language of the moment.
    void retranslate();

protected:
    void changeEvent(QEvent *event) override;

private:
    QChart *makeChart(QChartView **view);

    QChartView *m_individualsView = nullptr;
    QChartView *m_rangesView = nullptr;
    QLineSeries *m_means = nullptr;
    QScatterSeries *m_meansIn = nullptr;
    QScatterSeries *m_meansOut = nullptr;
    QLineSeries *m_centre = nullptr;
    QLineSeries *m_lcl = nullptr;
    QLineSeries *m_ucl = nullptr;
    QLineSeries *m_ranges = nullptr;
    QScatterSeries *m_rangesIn = nullptr;
    QScatterSeries *m_rangesOut = nullptr;
    QLineSeries *m_mrUcl = nullptr;
    QValueAxis *m_individualsX = nullptr;
    QValueAxis *m_individualsY = nullptr;
    QValueAxis *m_rangesX = nullptr;
    QValueAxis *m_rangesY = nullptr;
    QLabel *m_note = nullptr;
    ControlLimits m_limits;
};
