#include "paintbase.h"
#include "reporttest.h"

#include <QImage>
#include <QPainter>

using namespace reporttest;

namespace {

QImage paintedPage(const QList<MeasurementGroup> &groups, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintBase::paintPage(&painter, QRectF(0, 0, width, height), groups, 1);
    return image;
}

// Bounding box of the pixels that match, within an area.
template<typename Match> QRect extent(const QImage &image, Match match, const QRect &area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            box |= match(image.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
    return box;
}

bool dark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// The image rows that are dark across the whole table width: its horizontal lines.
QList<int> tableLines(const QImage &image, double unit)
{
    QList<int> lines;
    const QRect table(int(13 * unit) + 1, 0, int(185 * unit) - 1, 1);
    for (int y = 0; y < image.height(); ++y)
        if (extent(image, dark, table.translated(0, y)) == table.translated(0, y))
            lines << y;
    return lines;
}

} // namespace

class TestPaintBase : public QObject
{
    Q_OBJECT

private slots:
    void pageCount_data();
    void pageCount();
    void valuesText_data();
    void valuesText();
    void rowsNumberedAcrossPages_data();
    void rowsNumberedAcrossPages();
    void logoCentredInItsBox_data();
    void logoCentredInItsBox();
    void pageScalesWithItsWidthOnly();
    void longTextsShrinkIntoTheirCells();
};

void TestPaintBase::pageCount_data()
{
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("pages");
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("first page full") << 18 << 1;
    QTest::newRow("one on page 2") << 19 << 2;
    QTest::newRow("page 2 full") << 43 << 2;
    QTest::newRow("one on page 3") << 44 << 3;
}

void TestPaintBase::pageCount()
{
    QFETCH(int, groups);
    QFETCH(int, pages);
    QCOMPARE(PaintBase::pageCount(hardnessGroups(groups)), pages);
}

void TestPaintBase::valuesText_data()
{
    QTest::addColumn<MeasurementGroup>("group");
    QTest::addColumn<QString>("text");
    MeasurementGroup none = hardnessGroup();
    none.hl = none.hs = none.hb = none.hrc = none.hv = status(ConversionStatus::BelowRange);
    QTest::newRow("HRB above range, no strength") << hardnessGroup() << "HL:450 HS:60 HB:300 HRC:45 HV:470";
    QTest::newRow("strength group") << strengthGroup() << "STR:1234";
    QTest::newRow("nothing converted") << none << "";
}

void TestPaintBase::valuesText()
{
    QFETCH(MeasurementGroup, group);
    QFETCH(QString, text);
    QCOMPARE(PaintBase::valuesText(group), text);
}

void TestPaintBase::rowsNumberedAcrossPages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QList<int>>("rows"); // first and last
    QTest::newRow("page 1") << 1 << QList<int>{1, 18};
    QTest::newRow("page 2") << 2 << QList<int>{19, 43};
    QTest::newRow("page 3") << 3 << QList<int>{44, 44};
}

void TestPaintBase::rowsNumberedAcrossPages()
{
    QFETCH(int, page);
    QFETCH(QList<int>, rows);

    PaintBase::s_companyName = QString::fromUtf8("华东检测中心");
    if (!QFile::exists(QStringLiteral("rows.pdf")))
        QVERIFY(savePdf(QStringLiteral("rows.pdf"), hardnessGroups(44)));
    const QString text = pdfText(QStringLiteral("rows.pdf"), page);
    QList<int> numbers; // a row starts with its number, then its date "3/<number> 9:5"
    for (const QString &line : text.split('\n')) {
        const QStringList words = line.simplified().split(' ');
        if (words.size() > 2 && words.at(1) == QStringLiteral("3/") + words.at(0))
            numbers << words.at(0).toInt();
    }
    QCOMPARE(numbers.size(), rows.last() - rows.first() + 1);
    QCOMPARE(numbers.first(), rows.first());
    QCOMPARE(numbers.last(), rows.last());
    QVERIFY(text.contains(QStringLiteral("%1/3").arg(page)));
    QVERIFY(text.contains(QString::fromUtf8("钢和铸钢"))); // Chinese is extractable: the font is embedded
    QCOMPARE(text.contains(QString::fromUtf8("华东检测中心")), page == 1);
}

void TestPaintBase::logoCentredInItsBox_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("drawn");
    // At 2 px/mm the box (5, 10, 45, 22) mm is (10, 20, 90, 44) px. Both rows write the same file name: the second
    // must not be shown the first one's image.
    QTest::newRow("wide: full width, centred vertically") << QSize(900, 100) << QRect(10, 37, 90, 10);
    QTest::newRow("tall: full height, centred across") << QSize(100, 440) << QRect(50, 20, 10, 44);
}

void TestPaintBase::logoCentredInItsBox()
{
    QFETCH(QSize, size);
    QFETCH(QRect, drawn);

    QImage logo(size, QImage::Format_RGB32);
    logo.fill(Qt::red);
    QVERIFY(logo.save(QStringLiteral("logo.png")));
    PaintBase::s_logoPath = QStringLiteral("logo.png");
    const QImage page = paintedPage({}, 420, 594);
    PaintBase::s_logoPath.clear();
    QCOMPARE(extent(
                 page, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60; }, page.rect()),
             drawn);
}

void TestPaintBase::pageScalesWithItsWidthOnly()
{
    const QList<MeasurementGroup> groups = hardnessGroups(20);
    const QImage small = paintedPage(groups, 420, 594);
    const QImage large = paintedPage(groups, 840, 1188);
    QCOMPARE(paintedPage(groups, 420, 300), small.copy(0, 0, 420, 300)); // the height plays no part

    // Info box, head frame and 18 rows at 2 px/mm; at 4 px/mm every line lies twice as far down.
    QList<int> expected = {114, 138, 184}, doubled;
    for (int row = 0; row <= 18; ++row)
        expected << 204 + 20 * row;
    QCOMPARE(tableLines(small, 2), expected);
    for (int y : expected)
        doubled << 2 * y;
    QCOMPARE(tableLines(large, 4), doubled);

    // The English title, 27 to 37 mm down: its text grows with the page too.
    const QRect smallTitle = extent(small, dark, QRect(0, 54, 420, 20));
    const QRect largeTitle = extent(large, dark, QRect(0, 108, 840, 40));
    QVERIFY(smallTitle.width() > 100);
    QVERIFY(qAbs(largeTitle.width() - 2.0 * smallTitle.width()) < 0.05 * largeTitle.width());
    QVERIFY(qAbs(largeTitle.height() - 2 * smallTitle.height()) <= 3);
}

void TestPaintBase::longTextsShrinkIntoTheirCells()
{
    MeasurementGroup group = hardnessGroup();
    group.materialName = QStringLiteral("Super Strength Steel, Cast Aluminium Alloys");
    group.hrb = shown(100);
    group.hl = group.hb = group.hv = shown(999);
    const QImage page = paintedPage({group}, 840, 1188);
    // At 4 px/mm the row is 102 to 112 mm down; materials span 103 to 133 mm, values 133 to 198 mm. A clipped text
    // would reach the cell's edges; a fitted one leaves the outer half millimetre blank.
    for (int edge : {103, 133, 198}) {
        for (int x : {edge * 4 - 2, edge * 4 + 1})
            QVERIFY2(extent(page, dark, QRect(x, 410, 2, 36)).isEmpty(), qPrintable(QString::number(edge)));
    }
}

REPORT_TEST_MAIN(TestPaintBase)
#include "tst_paintbase.moc"
