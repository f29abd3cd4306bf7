#include "paintbase.h"

#include "resourcesinit.h"
#include "savefile.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <cstdlib>

namespace {

constexpr int firstPageRows = 18;
constexpr int pageRows = 25;
constexpr double tableLeft = 13;
constexpr double tableRight = 198;
constexpr double rowHeight = 10;
// Column widths in millimetres; they add up to the 185 mm of the table.
constexpr double columnWidths[] = {10, 18, 23, 19, 20, 30, 65};

// A length of mm millimetres in device units, truncated as all of the page's geometry is.
int mm(double millimetres, double unit)
{
    return int(millimetres * unit);
}

// Font sizes are truncated too; a page painted very small still gets a valid size.
int pixels(double millimetres, double unit)
{
    return qMax(1, mm(millimetres, unit));
}

QRect box(double x, double y, double width, double height, double unit)
{
    return QRect(mm(x, unit), mm(y, unit), mm(width, unit), mm(height, unit));
}

// Draws a text centred in its cell. A text wider than the cell is drawn in a smaller font rather than cut at the
// cell's edges, so that no value or name of a report goes missing; half a millimetre stays free on either side.
void drawFitted(QPainter *painter, const QRect &cell, const QString &text, double unit,
                Qt::Alignment alignment = Qt::AlignCenter)
{
    const int room = cell.width() - 2 * mm(0.5, unit);
    const int width = painter->fontMetrics().horizontalAdvance(text);
    if (width <= room || room <= 0) {
        painter->drawText(cell, int(alignment), text);
        return;
    }
    painter->save();
    QFont font = painter->font();
    font.setPixelSize(qMax(1, int(font.pixelSize() * double(room) / width)));
    painter->setFont(font);
    painter->drawText(cell, int(alignment), text);
    painter->restore();
}

// The logo scaled into its box. The preview paints again at every keystroke in a header field, and decoding and
// scaling a photo-sized image would make typing lag, so the last result is kept for as long as the file, its name
// and the box stay the same. Only the GUI thread paints.
QImage scaledLogo(const QString &path, const QSize &box)
{
    struct Entry
    {
        QString path;
        QDateTime modified;
        qint64 size = -1;
        QSize box;
        QImage image;
    };
    static Entry last;
    if (path.isEmpty())
        return QImage();
    const QFileInfo file(path);
    if (path != last.path || file.lastModified() != last.modified || file.size() != last.size || box != last.box) {
        last = {path, file.lastModified(), file.size(), box, QImage()};
        const QImage image(path);
        if (!image.isNull())
            last.image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return last.image;
}

} // namespace

int PaintBase::pageCount(const QList<MeasurementGroup> &groups)
{
    const int n = groups.size();
    if (n <= firstPageRows)
        return 1;
    return 1 + (n - firstPageRows + pageRows - 1) / pageRows;
}

QString PaintBase::valuesText(const MeasurementGroup &group)
{
    QString text;
    for (HardnessScale scale : DisplayScales) {
        // The group's own scale stays even without a number, so that a row never hides what was measured.
        const ConversionResult result = group.result(scale);
        if (result.status != ConversionStatus::Ok && scale != group.scale)
            continue;
        text +=
            scaleName(scale) + QLatin1Char(':') + resultTexts(result).value(QStringLiteral("value")) + QLatin1Char(' ');
    }
    text.chop(1);
    return text;
}

QString PaintBase::legendText()
{
    // The workbook's texts for the same marks.
    return QObject::tr("HI: 测值过大") + QStringLiteral("  ") + QObject::tr("LO: 测值过小") + QStringLiteral("  ") +
           QObject::tr("---: 无法计算");
}

void PaintBase::paintPage(QPainter *painter, QRectF pageRect, const ReportHeader &header,
                          const QList<MeasurementGroup> &groups, int page)
{
    const double unit = pageRect.width() / 210;
    if (!painter || !(unit > 0))
        return;
    if (page == 1)
        paintHeader(painter, header, pageRect.width(), unit);
    paintRows(painter, groups, page, unit);
}

void PaintBase::paintHeader(QPainter *painter, const ReportHeader &header, double pageWidth, double unit)
{
    const int width = int(pageWidth);
    QFont font;
    const QString family = embeddedFontFamily();
    if (!family.isEmpty())
        font.setFamily(family);

    font.setPixelSize(pixels(8, unit));
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    drawFitted(painter, QRect(0, mm(9, unit), width, mm(10, unit)), header.companyName, unit);
    painter->drawText(QRect(0, mm(20, unit), width, mm(10, unit)), Qt::AlignCenter, QStringLiteral("硬度计测量报告"));

    font.setPixelSize(pixels(6, unit));
    painter->setFont(font);
    painter->drawText(QRect(0, mm(27, unit), width, mm(10, unit)), Qt::AlignCenter,
                      QStringLiteral("Hardness tester measurement report"));

    font.setPixelSize(pixels(3, unit));
    font.setWeight(QFont::Normal);
    painter->setFont(font);
    painter->drawText(box(170, 20, 40, 4, unit), Qt::AlignLeft,
                      QStringLiteral("日期(Date): ") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd")));

    const QImage logo = scaledLogo(header.logoPath, QSize(mm(45, unit), mm(22, unit)));
    if (!logo.isNull()) {
        // Centred in the 45 x 22 mm box at (5, 10).
        const int x = int(5 * unit + std::abs(int(45 * unit - logo.width())) / 2);
        const int y = int(10 * unit + std::abs(int(22 * unit - logo.height())) / 2);
        painter->drawImage(QPoint(x, y), logo);
    }

    drawLabel(painter, mm(8, unit), mm(45, unit), mm(30, unit), QStringLiteral("信息(Info):"), unit);

    font.setPixelSize(pixels(4, unit));
    painter->setFont(font);
    painter->drawRect(box(tableLeft, 57, 185, 12, unit));
    painter->drawLine(mm(75, unit), mm(57, unit), mm(75, unit), mm(69, unit));
    painter->drawLine(mm(137, unit), mm(57, unit), mm(137, unit), mm(69, unit));
    drawFitted(painter, box(13, 57, 62, 12, unit), tr("批次: ") + header.batch, unit);
    drawFitted(painter, box(75, 57, 62, 12, unit), tr("备注: ") + header.remark, unit);
    drawFitted(painter, box(137, 57, 62, 12, unit), tr("检验员: ") + header.inspector, unit);

    drawLabel(painter, mm(8, unit), mm(81, unit), mm(45, unit), QStringLiteral("测量结果(Result):"), unit);

    const int headTop = mm(92, unit);
    const int headBottom = int(92 * unit + rowHeight * unit);
    painter->drawLine(mm(tableLeft, unit), headTop, mm(tableRight, unit), headTop);
    painter->drawLine(mm(tableLeft, unit), headBottom, mm(tableRight, unit), headBottom);
    painter->drawLine(mm(tableLeft, unit), headTop, mm(tableLeft, unit), headBottom);

    font.setPixelSize(pixels(3, unit));
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    const QString heads[] = {QStringLiteral("NO."), tr("测量日期"), tr("冲击装置"), tr("冲击方向"),
                             tr("测量类型"),        tr("材料"),     tr("测量数据")};
    float x = tableLeft * unit;
    for (int column = 0; column < 7; ++column) {
        drawFitted(painter, QRect(int(x), headTop, mm(columnWidths[column], unit), mm(rowHeight, unit)), heads[column],
                   unit);
        x += columnWidths[column] * unit;
        painter->drawLine(int(x), headTop, int(x), headBottom);
    }
}

void PaintBase::paintRows(QPainter *painter, QList<MeasurementGroup> groups, int page, double unit)
{
    // A page before the first has no rows; the row indexes below would run negative.
    if (page < 1)
        return;
    QFont font;
    font.setPixelSize(pixels(3, unit));
    font.setWeight(QFont::Normal);
    painter->setFont(font);

    const int n = groups.size();
    int first = 0;
    int end = qMin(n, firstPageRows);
    float top = 102 * unit;
    if (page > 1) {
        first = firstPageRows + pageRows * (page - 2);
        end = n - first < pageRows ? n : first + pageRows;
        top = 27 * unit;
    }

    const int left = mm(tableLeft, unit);
    const int right = mm(tableRight, unit);
    painter->drawLine(left, int(top), right, int(top));
    float y = top;
    for (int i = first; i < end; ++i) {
        const MeasurementGroup &group = groups.at(i);
        const QString cells[] = {QString::number(i + 1), group.shownDateText(), group.deviceName, group.directionName,
                                 group.scaleName,        group.materialName,    valuesText(group)};
        float x = tableLeft * unit;
        for (int column = 0; column < 7; ++column) {
            drawFitted(painter, QRect(int(x), int(y), mm(columnWidths[column], unit), mm(rowHeight, unit)),
                       cells[column], unit);
            x += columnWidths[column] * unit;
            painter->drawLine(int(x), int(y), int(x), int(y + rowHeight * unit));
        }
        const float rowTop = y;
        y += rowHeight * unit;
        painter->drawLine(left, int(rowTop), left, int(y));
        painter->drawLine(left, int(y), right, int(y));
    }

    // What the marks in the last column stand for, beside the page number.
    drawFitted(painter, box(tableLeft, 285, 80, 10, unit), legendText(), unit, Qt::AlignLeft | Qt::AlignVCenter);

    font.setPixelSize(pixels(4, unit));
    painter->setFont(font);
    painter->drawText(box(0, 285, 210, 10, unit), Qt::AlignCenter,
                      QStringLiteral("%1/%2").arg(page).arg(pageCount(groups)));
}

void PaintBase::drawLabel(QPainter *painter, int x, int y, int width, const QString &text, double unit)
{
    painter->save();
    QPen pen = painter->pen();
    const QRectF rect(x, y, width, 8 * unit);
    QPainterPath path;
    path.addRoundedRect(rect, 2 * unit, 2 * unit, Qt::AbsoluteSize);
    painter->setPen(Qt::NoPen);
    painter->fillPath(path, QBrush(Qt::gray, Qt::SolidPattern));

    pen.setColor(Qt::white);
    painter->setPen(pen);
    QFont font = painter->font();
    font.setWeight(QFont::Bold);
    font.setPixelSize(pixels(4, unit));
    painter->setFont(font);
    painter->drawText(rect, Qt::AlignCenter, text);
    painter->restore();
}

bool paintReport(QPagedPaintDevice *device, const ReportHeader &header, const QList<MeasurementGroup> &groups)
{
    QPainter painter;
    if (!device || !painter.begin(device))
        return false;
    bool ok = true;
    const int count = PaintBase::pageCount(groups);
    for (int page = 1; page <= count && ok; ++page) {
        // The viewport is the page (or the printer's printable area); the report scales to its width.
        PaintBase::paintPage(&painter, QRectF(painter.viewport()), header, groups, page);
        if (page < count)
            ok = device->newPage();
    }
    return painter.end() && ok;
}

bool savePdf(const QString &fileName, const ReportHeader &header, const QList<MeasurementGroup> &groups, QString *error)
{
    // In memory first (a report is well under a megabyte), so that the file is written the one way the workbook is.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool painted;
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        painted = paintReport(&writer, header, groups);
    }
    if (!painted) {
        if (error)
            *error = QStringLiteral("the report could not be painted");
        return false;
    }
    return saveFile(fileName, buffer.data(), error);
}
