#pragma once

// The Qt Charts classes the chart widgets name: Qt 5 keeps them in a namespace of their own, Qt 6 in Qt's.

#include <QtGlobal>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
namespace QtCharts {
class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
} // namespace QtCharts
using namespace QtCharts;
#else
QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE
#endif
