#include "print.h"
#include "reporttest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

using namespace reporttest;

namespace {

// No printer: the print system is asked at a socket where nothing answers.
const bool noPrinters = qputenv("CUPS_SERVER", "/nonexistent/cups.sock");

const char *const fieldNames[] = {"lineEdit_companyName", "lineEdit_LOGO", "lineEdit_batch", "lineEdit_remark",
                                  "lineEdit_inspector"};
const QStringList keys = {"companyName", "LOGOPath", "batch", "remark", "inspector"};

QStringList fieldTexts(Print *dialog)
{
    QStringList texts;
    for (const char *name : fieldNames)
        texts << dialog->findChild<QLineEdit *>(QLatin1String(name))->text();
    return texts;
}

// Closes the dialog as the operator does and waits until it is gone.
bool closeDialog(Print *dialog)
{
    QPointer<Print> guard(dialog);
    dialog->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 5000);
}

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(QStringLiteral("PrintConfig.ini")); }
    void pageFlipping_data();
    void pageFlipping();
    void fieldsKeptInTheSettingsFile();
    void deletedLogoOpensEmpty();
    void previewSheet_data();
    void previewSheet();
    void previewRepaintsByItself();
    void noPrinterDisablesStart();
};

void TestPrint::pageFlipping_data()
{
    QTest::addColumn<int>("groups");
    QTest::addColumn<QString>("clicks"); // L for "←", R for "→"
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("5 groups, both arrows stay") << 5 << "RL" << QStringList{"1/1", "1/1", "1/1"};
    QTest::newRow("44 groups, right past the end") << 44 << "RRR" << QStringList{"1/3", "2/3", "3/3", "3/3"};
    QTest::newRow("44 groups, left at the start and back")
        << 44 << "LRRLL" << QStringList{"1/3", "1/3", "2/3", "3/3", "2/3", "1/3"};
}

void TestPrint::pageFlipping()
{
    QFETCH(int, groups);
    QFETCH(QString, clicks);
    QFETCH(QStringList, labels);

    Print *dialog = new Print(hardnessGroups(groups), nullptr);
    QLabel *label = dialog->findChild<QLabel *>(QStringLiteral("label_page"));
    OutputPreview *preview = dialog->findChild<OutputPreview *>(QStringLiteral("widget"));
    QCOMPARE(label->text(), labels.first());
    for (int i = 0; i < clicks.size(); ++i) {
        const QString button = clicks.at(i) == 'L' ? "pushButton_left" : "pushButton_right";
        QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(label->text(), labels.at(i + 1));
        // The grey header labels are only on page 1: the preview shows the page of the label.
        const QImage shown = preview->grab().toImage();
        const bool grey = std::count(reinterpret_cast<const QRgb *>(shown.constBits()),
                                     reinterpret_cast<const QRgb *>(shown.constBits()) + shown.width() * shown.height(),
                                     QColor(Qt::gray).rgb()) > 0;
        QCOMPARE(grey, labels.at(i + 1).startsWith(QLatin1String("1/")));
    }
    QVERIFY(closeDialog(dialog));
}

void TestPrint::fieldsKeptInTheSettingsFile()
{
    QVERIFY(QImage(40, 20, QImage::Format_RGB32).save(QStringLiteral("logo.png")));
    QSettings(QStringLiteral("./PrintConfig.ini"), QSettings::IniFormat).setValue("MainWindow/language", 1);
    const QStringList texts = {QString::fromUtf8("华东检测中心"), "logo.png", "B-17", QString::fromUtf8("复检"),
                               QString::fromUtf8("王工")};

    Print *dialog = new Print({}, nullptr);
    for (int i = 0; i < 5; ++i)
        dialog->findChild<QLineEdit *>(QLatin1String(fieldNames[i]))->setText(texts.at(i));
    // Typing reaches the painter's header fields at once.
    QCOMPARE(QStringList({PaintBase::s_companyName, PaintBase::s_logoPath, PaintBase::s_batch, PaintBase::s_remark,
                          PaintBase::s_inspector}),
             texts);
    QVERIFY(closeDialog(dialog));

    QSettings settings(QStringLiteral("./PrintConfig.ini"), QSettings::IniFormat);
    QCOMPARE(settings.value("MainWindow/language").toInt(), 1);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(settings.value("LineEdit/" + keys.at(i)).toString(), texts.at(i));

    PaintBase::s_companyName.clear();
    dialog = new Print({}, nullptr);
    QCOMPARE(fieldTexts(dialog), texts);
    QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_LOGO"))->toolTip(), texts.at(1));
    QCOMPARE(PaintBase::s_companyName, texts.first()); // loading reaches the painter too
    QVERIFY(closeDialog(dialog));
}

void TestPrint::deletedLogoOpensEmpty()
{
    {
        QSettings settings(QStringLiteral("./PrintConfig.ini"), QSettings::IniFormat);
        settings.setValue("LineEdit/LOGOPath", "gone.png");
        settings.setValue("LineEdit/batch", "B-18");
    }
    Print *dialog = new Print({}, nullptr);
    QCOMPARE(fieldTexts(dialog), QStringList({"", "", "B-18", "", ""}));
    QVERIFY(closeDialog(dialog));
    QCOMPARE(QSettings(QStringLiteral("./PrintConfig.ini"), QSettings::IniFormat).value("LineEdit/LOGOPath"),
             QVariant(QString()));
}

void TestPrint::previewSheet_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("sheet");
    QTest::newRow("440 x 614, as in the dialog") << QSize(440, 614) << QRect(2, 0, 435, 614);
    QTest::newRow("500 x 900, narrow") << QSize(500, 900) << QRect(0, 97, 500, 705);
    QTest::newRow("between the thresholds: past both sides") << QSize(432, 614) << QRect(0, 0, 432, 614);
}

void TestPrint::previewSheet()
{
    QFETCH(QSize, size);
    QFETCH(QRect, sheet);

    OutputPreview preview;
    preview.resize(size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    preview.render(&image, QPoint(), QRegion(), QWidget::DrawChildren); // no window background
    QRect painted;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            painted |= image.pixel(x, y) != QColor(Qt::blue).rgb() ? QRect(x, y, 1, 1) : QRect();
    QCOMPARE(painted, sheet);
}

void TestPrint::previewRepaintsByItself()
{
    OutputPreview preview;
    preview.resize(440, 614);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    PaintCounter counter;
    preview.installEventFilter(&counter);
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints >= 3, 5000);
}

void TestPrint::noPrinterDisablesStart()
{
    QVERIFY(noPrinters);
    Print *dialog = new Print(hardnessGroups(3), nullptr);
    QString seen; // read while the window runs modally, checked once it is closed
    QTimer::singleShot(0, dialog, [&] {
        QWidget *window = QApplication::activeModalWidget();
        const QLabel *notice = window->findChild<QLabel *>(QStringLiteral("label_noPrinter"));
        seen = QStringLiteral("%1 printers, start %2, %3")
                   .arg(window->findChild<QComboBox *>(QStringLiteral("comboBox_printer"))->count())
                   .arg(window->findChild<QPushButton *>(QStringLiteral("pushButton_start"))->isEnabled())
                   .arg(notice && notice->isVisible() ? notice->text() : QString());
        window->close();
    });
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_print")), Qt::LeftButton);
    QCOMPARE(seen, QString::fromUtf8("0 printers, start 0, 没有可用的打印机"));
    QVERIFY(closeDialog(dialog));
}

REPORT_TEST_MAIN(TestPrint)
#include "tst_print.moc"
