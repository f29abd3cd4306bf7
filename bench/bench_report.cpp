#include "excelexport.h"
#include "paintbase.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

ConversionResult ok(double value)
{
    return {value, ConversionStatus::Ok};
}

// A realistic download: hardness groups with long material names and 10 impacts each.
QList<MeasurementGroup> groups(int count)
{
    QList<MeasurementGroup> list;
    for (int i = 0; i < count; ++i) {
        MeasurementGroup g;
        for (int k = 0; k < 10; ++k)
            g.impacts << 440 + (i + k) % 30;
        g.dateText = QStringLiteral("%1/%2 %3:%4").arg(1 + i % 12).arg(1 + i % 28).arg(i % 24).arg(i % 60);
        g.measured = QDateTime(QDate(2026, 1 + i % 12, 1 + i % 28), QTime(i % 24, i % 60));
        g.deviceName = QStringLiteral("D");
        g.directionName = QString::fromUtf8("向下");
        g.scaleName = QStringLiteral("HRC");
        g.materialName = QString::fromUtf8("合金工具钢");
        g.setResult(ScaleHL, ok(450 + i % 50));
        g.setResult(ScaleHRB, {0, ConversionStatus::AboveRange});
        g.setResult(ScaleHS, ok(60));
        g.setResult(ScaleHB, ok(300));
        g.setResult(ScaleHRC, ok(45));
        g.setResult(ScaleHV, ok(470));
        g.setResult(ScaleSTR, {0, ConversionStatus::NotAvailable});
        list << g;
    }
    return list;
}

// Every group tagged, its part limited in HRC, so that each row is judged and the summary counts.
QList<GroupTrace> traces(int count)
{
    GroupTrace trace;
    trace.tags = {QStringLiteral("P-2041"), QStringLiteral("H24-117"), QString::fromUtf8("法兰焊缝 3"),
                  QString::fromUtf8("王工"), QString()};
    trace.limit.scale = ScaleHRC, trace.limit.low = 40, trace.limit.high = 50;
    return QVector<GroupTrace>(count, trace).toList();
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// The header as an operator fills it in; the logo, when asked for, is a photo-sized image.
ReportHeader filledHeader(int logoWidth)
{
    ReportHeader header;
    header.companyName = QString::fromUtf8("华东精密铸造有限公司");
    header.batch = QStringLiteral("2024-0415-B");
    header.remark = QString::fromUtf8("出厂检验");
    header.inspector = QString::fromUtf8("王工");
    if (logoWidth > 0) {
        QImage logo(logoWidth, logoWidth / 2, QImage::Format_RGB32);
        logo.fill(QColor(30, 90, 160));
        header.logoPath = folder().filePath(QStringLiteral("logo%1.png").arg(logoWidth));
        logo.save(header.logoPath);
    }
    return header;
}

// One paint of the preview: the sheet of a 440 x 614 preview widget, antialiased, as after each keystroke in a
// header field or a page flip. The time of one paint is how long an edit takes to show.
void paintPreviewPage(benchmark::State &state)
{
    const ReportHeader header = filledHeader(int(state.range(1)));
    const ReportContent content = {groups(44), traces(44)};
    const int page = int(state.range(0));
    QImage image(440, 614, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(image.rect(), Qt::white);
        painter.translate(2, 0);
        PaintBase::paintPage(&painter, QRectF(2, 0, 435.94, 614), header, content, page);
    }
}
BENCHMARK(paintPreviewPage)
    ->ArgNames({"page", "logoWidth"})
    ->Args({1, 0})
    ->Args({1, 400})
    ->Args({1, 4000})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond);

void pdfOf100Groups(benchmark::State &state)
{
    const ReportHeader header = filledHeader(400);
    const ReportContent content = {groups(100), traces(100)};
    const QString fileName = folder().filePath(QStringLiteral("report.pdf"));
    for (auto _ : state) {
        if (!savePdf(fileName, header, content))
            state.SkipWithError("savePdf failed");
    }
    state.counters["bytes"] = double(QFileInfo(fileName).size());
}
BENCHMARK(pdfOf100Groups)->Unit(benchmark::kMillisecond);

void workbookOf100Groups(benchmark::State &state)
{
    const QList<MeasurementGroup> list = groups(100);
    const QString fileName = folder().filePath(QStringLiteral("groups.xlsx"));
    for (auto _ : state) {
        if (!exportExcel(fileName, list))
            state.SkipWithError("exportExcel failed");
    }
    state.counters["bytes"] = double(QFileInfo(fileName).size());
}
BENCHMARK(workbookOf100Groups)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
