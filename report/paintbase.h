#pragma once

#include "measurementgroup.h"
#include "reportcontent.h"
#include "reportheader.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPainter;

// Paints one A4 portrait page of the measurement report onto any painter, laid out in millimetres scaled to the
// width of the page rectangle: the preview, the printer and the PDF all call paintPage, so they show the same page.
// Page 1 carries the header and the summary box, every page the column heads and its rows (reportPageStarts), the
// last one the conversion and signature lines.
class PaintBase : public QObject
{
    Q_OBJECT

public:
    // The painter's origin must be the page's top-left corner; only the rectangle's width counts. Only page 1 shows
    // the header.
    static void paintPage(QPainter *painter, QRectF pageRect, const ReportHeader &header, const ReportContent &content,
                          int page);
    static int pageCount(const ReportContent &content);

    // The line under the table that says what HI, LO and --- stand for.
    static QString legendText();
    // Under a row's value: the values whose conversion succeeded and always the group's own measurement type, as
    // "HL:450 HS:60", "HL:880 HRC:HI" or "HL:300 STR:LO".
    static QString valuesText(const MeasurementGroup &group);

    static void paintHeader(QPainter *painter, const ReportHeader &header, double pageWidth, double unit);
    static void paintSummary(QPainter *painter, const ReportContent &content, double unit);
    static void paintHeads(QPainter *painter, double top, double unit);
    static void paintRows(QPainter *painter, const ReportContent &content, int page, double unit);
    static void paintFoot(QPainter *painter, const ReportContent &content, int page, double unit);
    static void drawLabel(QPainter *painter, int x, int y, int width, const QString &text, double unit);

private:
    PaintBase() = default;
};

// The report's font, the embedded one, at a size in device pixels.
QFont reportFont(int pixelSize, QFont::Weight weight = QFont::Normal);
// The text colours of a passed and a failed result on paper.
QColor passInk();
QColor failInk();

// Paints count pages on a paged device (printer or PDF writer), page by page, the painter's origin at each page's
// top-left corner. False when the painter could not start or the device refused a page or the end of the document.
using PagePainter = std::function<void(QPainter *painter, QRectF pageRect, int page)>;
bool paintPages(QPagedPaintDevice *device, int count, const PagePainter &paintPage);
// Writes such pages into one A4 PDF file without margins (title: its document title, if any): made in memory, then
// written by saveFile (savefile.h). False on any failure, with *error saying why; what names it ("report").
bool savePagesPdf(const QString &fileName, const QString &title, int count, const PagePainter &paintPage,
                  const QString &what, QString *error);

// Paints every page of the report on a paged device (printer or PDF writer), page by page. False when the painter
// could not start or the device refused a page or the end of the document.
bool paintReport(QPagedPaintDevice *device, const ReportHeader &header, const ReportContent &content);

// Writes the whole report, A4 without margins, into one PDF file: made in memory, then written by saveFile
// (savefile.h). False on any failure, with *error saying why (for a failed save, the system's reason).
bool savePdf(const QString &fileName, const ReportHeader &header, const ReportContent &content,
             QString *error = nullptr);
