#include "excelexport.h"

#include "savefile.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>

namespace {

const char cellFont[] = "Microsoft YaHei";
constexpr int columnCount = 15;
constexpr double rowHeight = 25;

// Collects the first of the library's error codes, so that one check at the end covers every call.
class Sheet
{
public:
    explicit Sheet(lxw_worksheet *sheet) : m_sheet(sheet) {}

    void write(int row, int column, const QString &text, lxw_format *format)
    {
        keep(worksheet_write_string(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), text.toUtf8().constData(),
                                    format));
    }
    void merge(int firstRow, int firstColumn, int lastRow, int lastColumn, const QString &text, lxw_format *format)
    {
        keep(worksheet_merge_range(m_sheet, lxw_row_t(firstRow - 1), lxw_col_t(firstColumn - 1), lxw_row_t(lastRow - 1),
                                   lxw_col_t(lastColumn - 1), text.toUtf8().constData(), format));
    }
    void setRowHeight(int row, double height) { keep(worksheet_set_row(m_sheet, lxw_row_t(row - 1), height, nullptr)); }
    void setColumnWidth(int column, double width)
    {
        keep(worksheet_set_column(m_sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), width, nullptr));
    }
    void writeNumber(int row, int column, double value)
    {
        keep(worksheet_write_number(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), value, nullptr));
    }
    void writeDateTime(int row, int column, const QDateTime &value, lxw_format *format)
    {
        lxw_datetime when = {value.date().year(), value.date().month(),  value.date().day(),
                             value.time().hour(), value.time().minute(), 0};
        keep(worksheet_write_datetime(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), &when, format));
    }
    void freezeHeader() { worksheet_freeze_panes(m_sheet, 1, 0); }
    void autofilter(int firstRow, int firstColumn, int lastRow, int lastColumn)
    {
        keep(worksheet_autofilter(m_sheet, lxw_row_t(firstRow - 1), lxw_col_t(firstColumn - 1), lxw_row_t(lastRow - 1),
                                  lxw_col_t(lastColumn - 1)));
    }
    lxw_error error() const { return m_error; }

private:
    void keep(lxw_error error)
    {
        if (m_error == LXW_NO_ERROR)
            m_error = error;
    }

    lxw_worksheet *m_sheet;
    lxw_error m_error = LXW_NO_ERROR;
};

lxw_format *makeFormat(lxw_workbook *book, double size, bool bold, lxw_format_alignments horizontal)
{
    lxw_format *format = workbook_add_format(book);
    format_set_font_name(format, cellFont);
    format_set_font_size(format, size);
    if (bold)
        format_set_bold(format);
    format_set_align(format, horizontal);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    return format;
}

QString impactsText(const QList<double> &impacts)
{
    QStringList values;
    values.reserve(impacts.size());
    for (double impact : impacts)
        values << QString::number(impact, 'f', 0);
    return values.join(QLatin1Char(','));
}

// The column headers both sheets share: the group's texts, then one column per scale, then the count of impacts.
QStringList groupHeaders()
{
    QStringList headers = {QStringLiteral("NO"),    QObject::tr("测量日期"), QObject::tr("冲击装置"),
                           QObject::tr("冲击方向"), QObject::tr("测量类型"), QObject::tr("材料")};
    for (HardnessScale scale : DisplayScales)
        headers << scaleName(scale);
    headers << QObject::tr("测量次数");
    return headers;
}

void fillSheet(Sheet &sheet, lxw_workbook *book, const QList<MeasurementGroup> &groups)
{
    lxw_format *title = makeFormat(book, 22, true, LXW_ALIGN_CENTER);
    lxw_format *date = makeFormat(book, 11, false, LXW_ALIGN_RIGHT);
    lxw_format *header = makeFormat(book, 11, true, LXW_ALIGN_CENTER);
    lxw_format *cell = makeFormat(book, 11, false, LXW_ALIGN_CENTER);

    sheet.merge(1, 1, 1, 15, QObject::tr("里氏硬度计测量报告"), title);
    sheet.merge(2, 13, 2, 14, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")), date);
    sheet.merge(2, 1, 2, 2, QObject::tr("LO: 测值过小"), cell);
    sheet.merge(2, 3, 2, 4, QObject::tr("HI: 测值过大"), cell);
    sheet.merge(2, 5, 2, 6, QObject::tr("---: 无法计算"), cell);

    const QStringList headers = groupHeaders() << QObject::tr("测量数值");
    for (int column = 1; column <= columnCount; ++column)
        sheet.write(3, column, headers.at(column - 1), header);

    int row = 4;
    for (const MeasurementGroup &group : groups) {
        QStringList texts = {QString::number(row - 3), group.shownDateText(), group.deviceName,
                             group.directionName,      group.scaleName,       group.materialName};
        for (HardnessScale scale : DisplayScales)
            texts << resultTexts(group.result(scale)).value(QStringLiteral("value"));
        texts << QString::number(group.impacts.size()) << impactsText(group.impacts);
        for (int column = 1; column <= columnCount; ++column)
            sheet.write(row, column, texts.at(column - 1), cell);
        sheet.setRowHeight(row, rowHeight);
        ++row;
    }
    sheet.setRowHeight(3, rowHeight);

    for (int column = 1; column <= columnCount; ++column)
        sheet.setColumnWidth(column, 10);
    const std::pair<int, double> wider[] = {{2, 20}, {3, 20}, {4, 25}, {5, 15}, {6, 25}, {14, 15}, {15, 35}};
    for (const auto &column : wider)
        sheet.setColumnWidth(column.first, column.second);
}

// After the impacts, so that the columns of older workbooks stay where they were.
QStringList traceHeaders()
{
    return {QObject::tr("零件"),        QObject::tr("炉批号"),      QObject::tr("位置"),     QObject::tr("操作员"),
            QObject::tr("限值标尺"),    QObject::tr("下限"),        QObject::tr("上限"),     QObject::tr("判定"),
            QObject::tr("平均值 (HL)"), QObject::tr("标准差 (HL)"), QObject::tr("极差 (HL)")};
}

// Tags as texts, bounds and statistics as numbers; what a group lacks stays an empty cell.
void writeTrace(Sheet &sheet, int row, int column, const MeasurementGroup &group, const GroupTrace &trace)
{
    for (const QString &tag : {trace.tags.part, trace.tags.heat, trace.tags.location, trace.tags.operatorName}) {
        if (!tag.isEmpty())
            sheet.write(row, column, tag, nullptr);
        ++column;
    }
    if (trace.limit.isSet())
        sheet.write(row, column, scaleName(trace.limit.scale), nullptr);
    ++column;
    for (const std::optional<int> &bound : {trace.limit.low, trace.limit.high}) {
        if (bound)
            sheet.writeNumber(row, column, *bound);
        ++column;
    }
    const Verdict verdict = judge(group, trace.limit);
    if (verdict != Verdict::None)
        sheet.write(row, column, verdictText(verdict), nullptr);
    ++column;
    const GroupStatistics statistics = groupStatistics(group);
    if (statistics.count > 0) {
        sheet.writeNumber(row, column, statistics.meanHl);
        if (statistics.sdHl)
            sheet.writeNumber(row, column + 1, *statistics.sdHl);
        sheet.writeNumber(row, column + 2, statistics.rangeHl);
    }
}

// The second sheet, for computing: one row per group with real numbers and dates, filterable.
void fillDataSheet(Sheet &sheet, lxw_workbook *book, const QList<MeasurementGroup> &groups,
                   const QList<GroupTrace> &traces)
{
    lxw_format *header = workbook_add_format(book);
    format_set_bold(header);
    lxw_format *date = workbook_add_format(book);
    format_set_num_format(date, "yyyy-mm-dd hh:mm");

    QStringList headers = groupHeaders();
    const int impactsFrom = headers.size() + 1;
    for (int impact = 1; impact <= groups::MaxImpacts; ++impact)
        headers << QString::number(impact);
    const int traceFrom = headers.size() + 1;
    headers << traceHeaders();
    for (int column = 1; column <= headers.size(); ++column)
        sheet.write(1, column, headers.at(column - 1), header);

    int row = 2;
    for (const MeasurementGroup &group : groups) {
        sheet.writeNumber(row, 1, row - 1);
        if (group.measured.isValid())
            sheet.writeDateTime(row, 2, group.measured, date);
        const QString texts[] = {group.deviceName, group.directionName, group.scaleName, group.materialName};
        for (int i = 0; i < 4; ++i)
            sheet.write(row, 3 + i, texts[i], nullptr);
        int column = 7;
        for (HardnessScale scale : DisplayScales) {
            // The whole number the program shows, not the converted value; no number, no cell.
            const ConversionResult result = group.result(scale);
            bool isNumber = false;
            const int value = shownValue(result.value, &isNumber);
            if (result.status == ConversionStatus::Ok && isNumber)
                sheet.writeNumber(row, column, value);
            ++column;
        }
        sheet.writeNumber(row, column, group.impacts.size());
        for (int i = 0; i < group.impacts.size() && i < groups::MaxImpacts; ++i)
            sheet.writeNumber(row, impactsFrom + i, group.impacts.at(i));
        writeTrace(sheet, row, traceFrom, group, traces.value(row - 2));
        ++row;
    }
    sheet.setColumnWidth(2, 17);
    sheet.freezeHeader();
    sheet.autofilter(1, 1, row - 1, headers.size());
}

bool renderWorkbook(const QByteArray &fileName, const QList<MeasurementGroup> &groups, const QList<GroupTrace> &traces,
                    QString *error)
{
    lxw_workbook *book = workbook_new(fileName.constData());
    if (!book) {
        *error = QStringLiteral("cannot start a workbook");
        return false;
    }
    lxw_worksheet *first = workbook_add_worksheet(book, nullptr);
    lxw_worksheet *data = workbook_add_worksheet(book, "Data");
    if (!first || !data) {
        workbook_close(book);
        *error = QStringLiteral("cannot add a worksheet");
        return false;
    }
    Sheet sheet(first);
    fillSheet(sheet, book, groups);
    Sheet dataSheet(data);
    fillDataSheet(dataSheet, book, groups, traces);
    // Closing writes the file and frees the workbook, so it runs even after a failed cell.
    errno = 0;
    const lxw_error closed = workbook_close(book);
    const int systemError = errno;
    lxw_error failed = sheet.error() != LXW_NO_ERROR ? sheet.error() : dataSheet.error();
    failed = failed != LXW_NO_ERROR ? failed : closed;
    if (failed != LXW_NO_ERROR) {
        *error = QStringLiteral("cannot render the workbook: %1").arg(QString::fromUtf8(lxw_strerror(failed)));
        // The library's own text does not say why a file failed (a full disk, say); the system's does.
        if (failed == closed && systemError != 0)
            *error += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(systemError)));
        return false;
    }
    return true;
}

} // namespace

bool exportExcel(const QString &fileName, const QList<MeasurementGroup> &groups, QString *error)
{
    return exportExcel(fileName, groups, {}, error);
}

bool exportExcel(const QString &fileName, const QList<MeasurementGroup> &groups, const QList<GroupTrace> &traces,
                 QString *error)
{
    QString failure;
    if (fileName.isEmpty()) {
        failure = QStringLiteral("no file name");
    } else {
        // The library writes to a file name only: a private one in the system's temporary folder, read back and
        // saved as the PDF is.
        QTemporaryFile rendered;
        if (!rendered.open()) {
            failure = QStringLiteral("cannot render the workbook: %1").arg(rendered.errorString());
        } else if (renderWorkbook(QFile::encodeName(rendered.fileName()), groups, traces, &failure)) {
            const QByteArray content = rendered.readAll();
            if (rendered.error() != QFileDevice::NoError)
                failure = QStringLiteral("cannot render the workbook: %1").arg(rendered.errorString());
            else
                return saveFile(fileName, content, error);
        }
    }
    if (error)
        *error = failure;
    return false;
}
