#include "verificationreport.h"

#include "paintbase.h"
#include "scales.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// The page's geometry in millimetres.
constexpr double left = 13;
constexpr double right = 198;
constexpr double firstHeadTop = 176;
constexpr double laterHeadTop = 15;
constexpr double rowHeight = 6;
constexpr double tableBottom = 284;
constexpr int firstPageRows = int((tableBottom - firstHeadTop - rowHeight) / rowHeight);
constexpr int laterPageRows = int((tableBottom - laterHeadTop - rowHeight) / rowHeight);
// Number, time, operator, n, readings, mean, error, repeatability, verdict, in control: the table's 185 mm.
constexpr int columnCount = 10;
constexpr double columnWidths[columnCount] = {8, 27, 22, 7, 42, 16, 15, 19, 15, 14};

QFont pageFont(double millimetres, double unit, bool bold = false)
{
    return reportFont(qMax(1, int(millimetres * unit)), bold ? QFont::Bold : QFont::Normal);
}

QRectF box(double x, double y, double width, double height, double unit)
{
    return QRectF(x * unit, y * unit, width * unit, height * unit);
}

// A text in its cell, in a smaller font when it is wider than the cell.
void drawFitted(QPainter *painter, const QRectF &cell, const QString &text, Qt::Alignment alignment = Qt::AlignCenter)
{
    const double room = cell.width() * 0.95;
    const double width = painter->fontMetrics().horizontalAdvance(text);
    painter->save();
    if (width > room && room > 0) {
        QFont font = painter->font();
        font.setPixelSize(qMax(1, int(font.pixelSize() * room / width)));
        painter->setFont(font);
    }
    painter->drawText(cell, int(alignment), text);
    painter->restore();
}

// One line chart: the values at x = 1..n, dashed levels with their names at the right, the points out of control
// drawn as red squares, the others as blue dots.
struct Trace
{
    QString title;
    QList<std::optional<double>> values;
    QList<bool> outOfControl;
    QList<QPair<QString, double>> levels;
    bool fromZero = false; // a range is never negative: its axis starts at 0
};

void paintTrace(QPainter *painter, const QRectF &area, const Trace &trace, double unit)
{
    painter->save();
    painter->setFont(pageFont(3.2, unit, true));
    painter->drawText(QRectF(area.left(), area.top(), area.width(), 5 * unit), Qt::AlignLeft | Qt::AlignVCenter,
                      trace.title);
    const QRectF plot(area.left() + 14 * unit, area.top() + 6 * unit, area.width() - 46 * unit,
                      area.height() - 12 * unit);
    double low = INFINITY, high = -INFINITY;
    for (const auto &v : trace.values) {
        if (v) {
            low = qMin(low, *v);
            high = qMax(high, *v);
        }
    }
    for (const auto &level : trace.levels) {
        low = qMin(low, level.second);
        high = qMax(high, level.second);
    }
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    const double margin = high > low ? (high - low) / 10 : 1;
    low = std::floor(low - margin);
    high = std::ceil(high + margin);
    if (trace.fromZero)
        low = qMax(0.0, low);
    const int count = qMax(1, int(trace.values.size()));
    const auto at = [&](int i, double v) {
        return QPointF(plot.left() + plot.width() * (i + 0.5) / count,
                       plot.bottom() - plot.height() * (v - low) / (high - low));
    };
    painter->setPen(QPen(Qt::black, 0.2 * unit));
    painter->drawRect(plot);
    painter->setFont(pageFont(2.6, unit));
    for (double y : {low, high})
        painter->drawText(QRectF(area.left(), at(0, y).y() - 2 * unit, 13 * unit, 4 * unit),
                          Qt::AlignRight | Qt::AlignVCenter, hlText(y));
    const int step = count > 20 ? 5 : 1;
    for (int i = 0; i < count; i += step)
        painter->drawText(QRectF(at(i, low).x() - 4 * unit, plot.bottom(), 8 * unit, 4 * unit), Qt::AlignCenter,
                          QString::number(i + 1));
    for (const auto &level : trace.levels) {
        QPen pen(QColor(0xb0, 0x60, 0x00), 0.3 * unit, Qt::DashLine);
        painter->setPen(pen);
        const double y = at(0, level.second).y();
        painter->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter->setPen(Qt::black);
        painter->drawText(QRectF(plot.right() + 1 * unit, y - 2 * unit, 31 * unit, 4 * unit),
                          Qt::AlignLeft | Qt::AlignVCenter, level.first);
    }
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    bool started = false;
    for (int i = 0; i < trace.values.size(); ++i) {
        if (!trace.values.at(i))
            continue;
        const QPointF p = at(i, *trace.values.at(i));
        started ? path.lineTo(p) : path.moveTo(p);
        started = true;
    }
    painter->setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 0.35 * unit));
    painter->drawPath(path);
    for (int i = 0; i < trace.values.size(); ++i) {
        if (!trace.values.at(i))
            continue;
        const QPointF p = at(i, *trace.values.at(i));
        if (trace.outOfControl.value(i)) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(failInk());
            painter->drawRect(QRectF(p.x() - 1.2 * unit, p.y() - 1.2 * unit, 2.4 * unit, 2.4 * unit));
        } else {
            painter->setPen(Qt::NoPen);
            painter->setBrush(QColor(0x1f, 0x5f, 0xa8));
            painter->drawEllipse(p, 0.8 * unit, 0.8 * unit);
        }
    }
    painter->restore();
}

QStringList checkRow(int number, const VerificationCheck &check, const CheckResult &result, const ChartPoint &point,
                     bool limitsSet)
{
    QStringList readings;
    for (int r : check.readings)
        readings << QString::number(r);
    return {QString::number(number),
            check.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            check.operatorName,
            QString::number(result.count),
            readings.join(QLatin1Char(' ')),
            ::hlText(result.mean),
            signedHlText(result.error),
            QString::number(result.repeatability),
            result.passed ? VerificationReport::tr("合格") : VerificationReport::tr("不合格"),
            !limitsSet        ? QString()
            : point.inControl ? VerificationReport::tr("是")
                              : VerificationReport::tr("否")};
}

void paintTable(QPainter *painter, const ReferenceBlock &block, const QList<VerificationCheck> &checks, int page,
                double unit)
{
    const int first = page == 1 ? 0 : firstPageRows + (page - 2) * laterPageRows;
    const int rows = page == 1 ? firstPageRows : laterPageRows;
    const double top = page == 1 ? firstHeadTop : laterHeadTop;
    const BlockLog log = blockLog(block, checks);
    const QStringList heads = {VerificationReport::tr("序号"),      VerificationReport::tr("时间"),
                               VerificationReport::tr("操作员"),    QStringLiteral("n"),
                               VerificationReport::tr("读数 (HL)"), VerificationReport::tr("平均值"),
                               VerificationReport::tr("示值误差"),  VerificationReport::tr("重复性"),
                               VerificationReport::tr("结论"),      VerificationReport::tr("受控")};
    painter->save();
    painter->setPen(QPen(Qt::black, 0.2 * unit));
    const auto paintRow = [&](double y, const QStringList &cells, bool bold, int verdict) {
        painter->setFont(pageFont(2.8, unit, bold));
        double x = left;
        for (int c = 0; c < columnCount; ++c) {
            const QRectF cell = box(x, y, columnWidths[c], rowHeight, unit);
            painter->setPen(QPen(Qt::black, 0.2 * unit));
            painter->drawRect(cell);
            if (c == 8 && verdict >= 0)
                painter->setPen(verdict ? passInk() : failInk());
            drawFitted(painter, cell, cells.value(c));
            x += columnWidths[c];
        }
    };
    paintRow(top, heads, true, -1);
    for (int i = first; i < checks.size() && i < first + rows; ++i)
        paintRow(top + rowHeight * (i - first + 1),
                 checkRow(i + 1, checks.at(i), log.results.at(i), log.points.value(i), log.limits.set), false,
                 log.results.at(i).passed ? 1 : 0);
    painter->restore();
}

void paintBlock(QPainter *painter, const ReferenceBlock &block, const QList<VerificationCheck> &checks, double unit)
{
    painter->save();
    painter->setFont(pageFont(6, unit, true));
    painter->drawText(box(left, 8, right - left, 10, unit), Qt::AlignCenter, VerificationReport::tr("仪器验证记录"));
    const Tolerance tolerance = blockTolerance(block);
    const QString uncertainty =
        block.uncertaintyHl ? QStringLiteral(" ± %1").arg(hlText(*block.uncertaintyHl)) : QString();
    const QStringList lines = {
        VerificationReport::tr("标准硬度块 %1    冲击装置 %2    标称值 %3%4 HL")
            .arg(block.serial, deviceName(block.device), hlText(block.nominalHl), uncertainty),
        VerificationReport::tr("证书编号 %1    有效期至 %2")
            .arg(block.certificate.isEmpty() ? QStringLiteral("—") : block.certificate,
                 block.validUntil.isValid() ? block.validUntil.toString(Qt::ISODate) : QStringLiteral("—")),
        VerificationReport::tr("允许示值误差 ±%1 HL    允许重复性 %2 HL    检查次数 %3")
            .arg(hlText(tolerance.maxError), hlText(tolerance.maxRepeatability))
            .arg(checks.size())};
    painter->setFont(pageFont(3.4, unit));
    for (int i = 0; i < lines.size(); ++i)
        drawFitted(painter, box(left, 21 + 6 * i, right - left, 6, unit), lines.at(i),
                   Qt::AlignLeft | Qt::AlignVCenter);

    const BlockLog log = blockLog(block, checks);
    const ControlLimits &limits = log.limits;
    const QList<ChartPoint> &points = log.points;
    Trace individuals{VerificationReport::tr("单值图：各次检查的平均值 (HL)"), {}, {}, {}};
    Trace ranges{VerificationReport::tr("移动极差图 (HL)"), {}, {}, {}, true};
    for (const ChartPoint &p : points) {
        individuals.values << p.mean;
        individuals.outOfControl << !p.inControl;
        ranges.values << p.movingRange;
        ranges.outOfControl << (limits.set && p.movingRange && *p.movingRange > limits.mrUcl);
    }
    if (limits.set) {
        individuals.levels = {{VerificationReport::tr("上控制限 %1").arg(hlText(limits.ucl)), limits.ucl},
                              {VerificationReport::tr("中心线 %1").arg(hlText(limits.centre)), limits.centre},
                              {VerificationReport::tr("下控制限 %1").arg(hlText(limits.lcl)), limits.lcl}};
        ranges.levels = {{VerificationReport::tr("上控制限 %1").arg(hlText(limits.mrUcl)), limits.mrUcl}};
    }
    paintTrace(painter, box(left, 40, right - left, 74, unit), individuals, unit);
    paintTrace(painter, box(left, 114, right - left, 50, unit), ranges, unit);
    painter->setFont(pageFont(2.8, unit));
    drawFitted(painter, box(left, 164, right - left, 8, unit),
               limits.set
                   ? VerificationReport::tr("控制限取自前 %1 次检查；失控的检查以红色方块标出，表中“受控”为“否”。")
                         .arg(limits.basis)
                   : VerificationReport::tr("检查少于 5 次：尚无控制限。"),
               Qt::AlignLeft | Qt::AlignVCenter);
    painter->restore();
}

} // namespace

int VerificationReport::pageCount(int checkCount)
{
    if (checkCount <= firstPageRows)
        return 1;
    return 1 + (checkCount - firstPageRows + laterPageRows - 1) / laterPageRows;
}

void VerificationReport::paintPage(QPainter *painter, QRectF pageRect, const ReferenceBlock &block,
                                   const QList<VerificationCheck> &checks, int page)
{
    const double unit = pageRect.width() / 210;
    if (!painter || !(unit > 0))
        return;
    if (page == 1)
        paintBlock(painter, block, checks, unit);
    paintTable(painter, block, checks, page, unit);
    painter->save();
    painter->setFont(pageFont(2.8, unit));
    painter->drawText(box(left, 287, right - left, 5, unit), Qt::AlignRight | Qt::AlignVCenter,
                      tr("第 %1 页，共 %2 页").arg(page).arg(pageCount(checks.size())));
    painter->restore();
}

bool saveVerificationPdf(const QString &fileName, const ReferenceBlock &block, const QList<VerificationCheck> &checks,
                         QString *error)
{
    return savePagesPdf(
        fileName, VerificationReport::tr("仪器验证记录") + QStringLiteral(" ") + block.serial,
        VerificationReport::pageCount(checks.size()),
        [&](QPainter *painter, QRectF pageRect, int page) {
            VerificationReport::paintPage(painter, pageRect, block, checks, page);
        },
        QStringLiteral("verification log"), error);
}
