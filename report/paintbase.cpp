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

#include <cmath>
#include <cstdlib>

namespace {

// The page's geometry in millimetres, top down; how many rows fit between them is reportPageStarts' to know.
constexpr double tableLeft = 13;
constexpr double tableRight = 198;
constexpr double summaryTop = 72;
constexpr double summaryRow = 7;
// Right of the result's label, between the summary box and the column heads: the checks that cover the groups.
constexpr double checksLeft = 56;
constexpr double checksTop = 86.5;
constexpr double checkLine = 4;
constexpr int checkLines = 3;
constexpr double firstHeadTop = 99;
constexpr double laterHeadTop = 17;
constexpr double headHeight = 10;
constexpr double rowHeight = 12; // two lines of text
constexpr double conversionTop = 267;
// Column widths; they add up to the 185 mm of the table: number, date, part and heat, location and operator, device
// and material, value in its type over the values of every scale, impacts, statistics, verdict.
constexpr int columnCount = 9;
constexpr double columnWidths[columnCount] = {8, 15, 21, 21, 24, 26, 29, 25, 16};
constexpr int valueColumn = 5;
constexpr int impactColumn = 6;
constexpr int verdictColumn = 8;

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

// One to two lines centred in a cell, each in a band of its own and fitted to the cell's width.
void drawLines(QPainter *painter, const QRect &cell, const QStringList &lines, double unit)
{
    const int count = lines.size();
    for (int i = 0; i < count; ++i) {
        const int top = cell.top() + cell.height() * i / count;
        const int bottom = cell.top() + cell.height() * (i + 1) / count;
        drawFitted(painter, QRect(cell.left(), top, cell.width(), bottom - top), lines.at(i), unit);
    }
}

// Words (the impacts, the values of every scale) on as few lines as they fit on, up to four (32 impacts) in a font
// made smaller to stack them.
void drawImpacts(QPainter *painter, const QRect &cell, const QStringList &impacts, double unit)
{
    painter->save();
    QFont font = painter->font();
    const int size = font.pixelSize();
    QStringList lines;
    for (int count = 1; count <= 4; ++count) {
        font.setPixelSize(qMax(1, qMin(size, int(cell.height() / (count * 1.4)))));
        const QFontMetrics metrics(font);
        const int perLine = qMax(1, (int(impacts.size()) + count - 1) / count);
        lines.clear();
        bool fits = true;
        for (int first = 0; first < impacts.size(); first += perLine) {
            lines << impacts.mid(first, perLine).join(QLatin1Char(' '));
            fits = fits && metrics.horizontalAdvance(lines.last()) <= cell.width() - 2 * mm(0.5, unit);
        }
        if (fits)
            break;
    }
    painter->setFont(font);
    drawLines(painter, cell, lines, unit);
    painter->restore();
}

// A text wrapped at word (or Chinese character) boundaries within its box, its font made smaller until it fits.
void drawWrapped(QPainter *painter, const QRect &area, const QString &text)
{
    painter->save();
    QFont font = painter->font();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
    while (font.pixelSize() > 1 && QFontMetrics(font).boundingRect(area, flags, text).height() > area.height())
        font.setPixelSize(font.pixelSize() - 1);
    painter->setFont(font);
    painter->drawText(area, flags, text);
    painter->restore();
}

// The report's font, the embedded one when it loaded, at a size in device pixels.
// The verdict as its text, in bold and a colour of its own: the colour helps, the text says it on any printer. A
// group not verified says so under it, smaller.
void drawVerdict(QPainter *painter, const QRect &cell, Verdict verdict, bool notVerified, double unit)
{
    QRect verdictCell = cell;
    if (notVerified) {
        const int split = cell.top() + cell.height() * 3 / 5;
        verdictCell.setBottom(split - 1);
        painter->save();
        painter->setPen(QColor(150, 80, 0));
        painter->setFont(reportFont(pixels(2.5, unit)));
        drawFitted(painter, QRect(cell.left(), split, cell.width(), cell.bottom() - split), QObject::tr("未验证"),
                   unit);
        painter->restore();
    }
    if (verdict == Verdict::None)
        return;
    painter->save();
    const QColor colour = verdict == Verdict::Pass        ? passInk()
                          : verdict == Verdict::NotJudged ? QColor(110, 110, 110)
                                                          : failInk();
    painter->setPen(colour);
    QFont font = painter->font();
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    drawFitted(painter, verdictCell, verdictText(verdict), unit);
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

QFont reportFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    const QString family = embeddedFontFamily();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QColor passInk()
{
    return QColor(0, 128, 0);
}

QColor failInk()
{
    return QColor(200, 0, 0);
}

int PaintBase::pageCount(const ReportContent &content)
{
    return reportPageStarts(content.groups.size()).size();
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

void PaintBase::paintPage(QPainter *painter, QRectF pageRect, const ReportHeader &header, const ReportContent &content,
                          int page)
{
    const double unit = pageRect.width() / 210;
    if (!painter || !(unit > 0))
        return;
    if (page == 1) {
        paintHeader(painter, header, pageRect.width(), unit);
        paintSummary(painter, content, unit);
    }
    paintRows(painter, content, page, unit);
    paintFoot(painter, content, page, unit);
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

    drawLabel(painter, mm(8, unit), mm(summaryTop + 2 * summaryRow + 3, unit), mm(45, unit),
              QStringLiteral("测量结果(Result):"), unit);
}

void PaintBase::paintSummary(QPainter *painter, const ReportContent &content, double unit)
{
    const ReportSummary summary = reportSummary(content);
    const Summary &numbers = summary.numbers;
    painter->setFont(reportFont(pixels(3.5, unit)));
    const QString mean = summaryMeanText(numbers, QString());
    const QString sd = summarySdText(numbers, QString());
    const QStringList rows[] = {
        {tr("零件: %1").arg(summary.part), tr("炉批号: %1").arg(summary.heat), tr("限值: %1").arg(summary.limit)},
        {tr("组数: %1").arg(numbers.groups), tr("已判定: %1").arg(numbers.judged), tr("合格: %1").arg(numbers.passed),
         tr("平均值: %1 HL").arg(mean), tr("标准差: %1 HL").arg(sd)}};
    const double width = tableRight - tableLeft;
    painter->drawRect(box(tableLeft, summaryTop, width, 2 * summaryRow, unit));
    painter->drawLine(mm(tableLeft, unit), mm(summaryTop + summaryRow, unit), mm(tableRight, unit),
                      mm(summaryTop + summaryRow, unit));
    for (int row = 0; row < 2; ++row) {
        const double top = summaryTop + row * summaryRow;
        const double cell = width / rows[row].size();
        for (int column = 0; column < rows[row].size(); ++column) {
            const double left = tableLeft + column * cell;
            if (column > 0)
                painter->drawLine(mm(left, unit), mm(top, unit), mm(left, unit), mm(top + summaryRow, unit));
            drawFitted(painter, box(left + 1.5, top, cell - 1.5, summaryRow, unit), rows[row].at(column), unit,
                       Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    painter->setFont(reportFont(pixels(3, unit)));
    const QStringList checks = verificationLines(content, checkLines);
    for (int line = 0; line < checks.size(); ++line)
        drawFitted(painter, box(checksLeft, checksTop + line * checkLine, tableRight - checksLeft, checkLine, unit),
                   checks.at(line), unit, Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintBase::paintHeads(QPainter *painter, double top, double unit)
{
    painter->setFont(reportFont(pixels(3, unit), QFont::Bold));
    const QStringList heads[] = {{QStringLiteral("NO.")},
                                 {tr("测量日期")},
                                 {QObject::tr("零件"), QObject::tr("炉批号")},
                                 {QObject::tr("位置"), QObject::tr("操作员")},
                                 {tr("冲击装置"), tr("材料")},
                                 {tr("测量值"), tr("测量类型")},
                                 {tr("冲击值"), QStringLiteral("(HL)")},
                                 {tr("统计"), QStringLiteral("(HL)")},
                                 {QObject::tr("判定")}};
    const int headTop = mm(top, unit);
    const int headBottom = int((top + headHeight) * unit);
    painter->drawLine(mm(tableLeft, unit), headTop, mm(tableRight, unit), headTop);
    painter->drawLine(mm(tableLeft, unit), headBottom, mm(tableRight, unit), headBottom);
    painter->drawLine(mm(tableLeft, unit), headTop, mm(tableLeft, unit), headBottom);
    double x = tableLeft;
    for (int column = 0; column < columnCount; ++column) {
        drawLines(painter, box(x, top, columnWidths[column], headHeight, unit), heads[column], unit);
        x += columnWidths[column];
        painter->drawLine(mm(x, unit), headTop, mm(x, unit), headBottom);
    }
}

void PaintBase::paintRows(QPainter *painter, const ReportContent &content, int page, double unit)
{
    const QVector<int> starts = reportPageStarts(content.groups.size());
    // A page outside the report has no rows.
    if (page < 1 || page > starts.size())
        return;
    const double headTop = page == 1 ? firstHeadTop : laterHeadTop;
    paintHeads(painter, headTop, unit);
    painter->setFont(reportFont(pixels(3, unit)));

    const int first = starts.at(page - 1);
    const int end = page < starts.size() ? starts.at(page) : content.groups.size();
    const int left = mm(tableLeft, unit);
    const int right = mm(tableRight, unit);
    double y = headTop + headHeight;
    for (int i = first; i < end; ++i) {
        const MeasurementGroup &group = content.groups.at(i);
        const GroupTags tags = content.trace(i).tags;
        const Verdict verdict = judge(group, content.trace(i).limit);
        const GroupStatistics statistics = groupStatistics(group);
        // Month/day above hour:minute; the mark of an invalid date alone.
        const QString date = group.shownDateText();
        const int space = date.indexOf(QLatin1Char(' '));
        QStringList impacts;
        for (double impact : group.impacts)
            impacts << QString::number(wholeNumber(impact));
        QStringList spread;
        if (statistics.count > 0) {
            spread << QStringLiteral("n=%1 ").arg(statistics.count) + tr("均值 %1").arg(statistics.meanHl);
            QString second = tr("极差 %1").arg(statistics.rangeHl);
            if (statistics.sdHl)
                second.prepend(tr("标准差 %1").arg(*statistics.sdHl, 0, 'f', 1) + QStringLiteral(" "));
            spread << second;
        }
        const QStringList cells[] = {
            {QString::number(i + 1)},
            space < 0 ? QStringList{date} : QStringList{date.left(space), date.mid(space + 1)},
            {tags.part, tags.heat},
            {tags.location, tags.operatorName},
            {group.deviceName + QLatin1Char(' ') + group.directionName, group.materialName},
            {resultTexts(group.ownResult()).value(QStringLiteral("value")) + QLatin1Char(' ') + group.scaleName},
            {}, // the impacts and the verdict are drawn on their own
            spread,
            {}};
        double x = tableLeft;
        for (int column = 0; column < columnCount; ++column) {
            const QRect cell = box(x, y, columnWidths[column], rowHeight, unit);
            if (column == impactColumn) {
                drawImpacts(painter, cell, impacts, unit);
            } else if (column == valueColumn) {
                // The group's own value above what every scale converted to.
                const int split = cell.top() + cell.height() / 3;
                drawLines(painter, QRect(cell.left(), cell.top(), cell.width(), split - cell.top()), cells[column],
                          unit);
                drawImpacts(painter, QRect(cell.left(), split, cell.width(), cell.bottom() - split),
                            valuesText(group).split(QLatin1Char(' ')), unit);
            } else if (column == verdictColumn)
                drawVerdict(painter, cell, verdict, content.verificationKnown && !content.verified(i), unit);
            else
                drawLines(painter, cell, cells[column], unit);
            x += columnWidths[column];
            painter->drawLine(mm(x, unit), mm(y, unit), mm(x, unit), mm(y + rowHeight, unit));
        }
        painter->drawLine(left, mm(y, unit), left, mm(y + rowHeight, unit));
        y += rowHeight;
        painter->drawLine(left, mm(y, unit), right, mm(y, unit));
    }
}

void PaintBase::paintFoot(QPainter *painter, const ReportContent &content, int page, double unit)
{
    const int count = pageCount(content);
    if (page == count) {
        painter->setFont(reportFont(pixels(3, unit)));
        drawWrapped(painter, box(tableLeft, conversionTop, tableRight - tableLeft, 9, unit),
                    conversionText(content.groups));
        painter->setFont(reportFont(pixels(3.5, unit)));
        drawFitted(painter, box(tableLeft, conversionTop + 9, tableRight - tableLeft, 7, unit),
                   tr("检验员：__________    审核：__________    日期：__________"), unit,
                   Qt::AlignLeft | Qt::AlignVCenter);
    }
    // What the marks in the value column stand for, beside the page number.
    painter->setFont(reportFont(pixels(3, unit)));
    drawFitted(painter, box(tableLeft, 285, 80, 10, unit), legendText(), unit, Qt::AlignLeft | Qt::AlignVCenter);
    painter->setFont(reportFont(pixels(4, unit)));
    painter->drawText(box(0, 285, 210, 10, unit), Qt::AlignCenter, QStringLiteral("%1/%2").arg(page).arg(count));
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

bool paintPages(QPagedPaintDevice *device, int count, const PagePainter &paintPage)
{
    QPainter painter;
    if (!device || !painter.begin(device))
        return false;
    bool ok = true;
    for (int page = 1; page <= count && ok; ++page) {
        // The viewport is the page (or the printer's printable area); the page scales to its width.
        paintPage(&painter, QRectF(painter.viewport()), page);
        if (page < count)
            ok = device->newPage();
    }
    return painter.end() && ok;
}

bool savePagesPdf(const QString &fileName, const QString &title, int count, const PagePainter &paintPage,
                  const QString &what, QString *error)
{
    // In memory first (a report is well under a megabyte), so that the file is written the one way the workbook is.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool painted;
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        if (!title.isEmpty())
            writer.setTitle(title);
        painted = paintPages(&writer, count, paintPage);
    }
    if (!painted) {
        if (error)
            *error = QStringLiteral("the %1 could not be painted").arg(what);
        return false;
    }
    return saveFile(fileName, buffer.data(), error);
}

bool paintReport(QPagedPaintDevice *device, const ReportHeader &header, const ReportContent &content)
{
    return paintPages(device, PaintBase::pageCount(content), [&](QPainter *painter, QRectF pageRect, int page) {
        PaintBase::paintPage(painter, pageRect, header, content, page);
    });
}

bool savePdf(const QString &fileName, const ReportHeader &header, const ReportContent &content, QString *error)
{
    return savePagesPdf(
        fileName, QString(), PaintBase::pageCount(content),
        [&](QPainter *painter, QRectF pageRect, int page) {
            PaintBase::paintPage(painter, pageRect, header, content, page);
        },
        QStringLiteral("report"), error);
}
