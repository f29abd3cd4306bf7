// The main window against the simulated instrument on a pseudo-terminal: link state, download into the table, the
// detail panel, clicks and keys, the delete-all confirmation, and the English texts.
#include "conversion.h"
#include "frame.h"
#include "groupencoder.h"
#include "instrument.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "samplegroups.h"
#include "uart.h"

#include <QAbstractItemModel>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

namespace {

constexpr int ScanMs = 300; // longer than the 100 ms of silence that completes an answer
constexpr int WaitMs = 10000;

GroupRecord group(quint16 value, quint8 scale, QList<quint16> impacts, quint8 device = DeviceD)
{
    GroupRecord r;
    r.month = 11;
    r.day = 2;
    r.hour = 14;
    r.minute = 30;
    r.groupValue = value;
    r.scale = scale;
    r.device = device;
    r.impactCount = quint8(impacts.size());
    for (int i = 0; i < impacts.size(); ++i)
        r.impacts[i] = impacts.at(i);
    return r;
}

// Three groups with known panels: an HRC group in range, an HRC group above its range, and measurement type 6.
QList<GroupRecord> knownGroups()
{
    return {group(514, ScaleHRC, {500, 520, 514}), group(950, ScaleHRC, {940, 950, 960}), group(600, ScaleNone, {600})};
}

template<typename T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no widget %s", name);
    return c;
}

QString text(QWidget *w, const char *name)
{
    return child<QLabel>(w, name)->text();
}

// Answers the next message box with `button` as soon as it shows.
// Acts on the next modal dialog of type T as soon as it shows.
template<typename T> void answerDialog(std::function<void(T *)> answer)
{
    QTimer::singleShot(0, [answer] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget()))
            answer(dialog);
        else
            answerDialog<T>(answer);
    });
}

void answerMessageBox(QMessageBox::StandardButton button)
{
    answerDialog<QMessageBox>([button](QMessageBox *box) { box->button(button)->click(); });
}

struct Bench
{
    Instrument instrument;
    MainWindow window;
    QStatusBar *status = child<QStatusBar>(&window, "statusBar");
    QTableView *table = child<QTableView>(&window, "tableView");
    QStringList messages;
    QSignalSpy refills{table->model(), &QAbstractItemModel::modelReset};

    explicit Bench(const QList<GroupRecord> &groups)
    {
        instrument.setGroups(groups);
        instrument.setPacing(false);
        QObject::connect(status, &QStatusBar::messageChanged, status, [this](const QString &m) {
            if (!m.isEmpty())
                messages.append(m);
        });
    }
    bool connect()
    {
        if (!instrument.open())
            return false;
        Uart::resetScanRotation();
        window.setExtraPortNames({instrument.slavePath()});
        window.uart()->setScanEnabled(true, ScanMs);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    bool waitForDownload(int downloads = 1)
    {
        // Every download refills the model from scratch.
        return QTest::qWaitFor([&] { return refills.count() >= downloads; }, WaitMs);
    }
    QString cell(int row, int column) const { return table->model()->index(row, column).data().toString(); }
    void click(int row, int column)
    {
        const QRect rect = table->visualRect(table->model()->index(row, column));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startState();
    void linkUp_downloadsIntoTable();
    void detailPanel_data();
    void detailPanel();
    void clickAndKeyboard();
    void lineDropped_keepsTable();
    void deleteAll_confirmation();
    void exportAndPrint_data();
    void exportAndPrint();
    void englishCatalogue();

private:
    QTemporaryDir m_dir;
};

void TestMainWindow::initTestCase()
{
    initResources();
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TestMainWindow::startState()
{
    MainWindow window;
    QVERIFY(!child<QPushButton>(&window, "pushButton_gain")->isEnabled());
    QVERIFY(!child<QPushButton>(&window, "pushButton_removeAll")->isEnabled());
    for (const char *name : {"pushButton_print", "pushButton_exportExcel", "pushButton_language"})
        QVERIFY2(child<QPushButton>(&window, name)->isEnabled(), name);
    QCOMPARE(child<QTableView>(&window, "tableView")->model()->rowCount(), 0);
    QVERIFY(text(&window, "label_HRC").isEmpty());

    // Export and print with nothing downloaded only say so.
    for (const char *name : {"pushButton_print", "pushButton_exportExcel"}) {
        child<QPushButton>(&window, name)->click();
        QCOMPARE(child<QStatusBar>(&window, "statusBar")->currentMessage(), QStringLiteral("暂无数据"));
        QVERIFY(!QApplication::activeModalWidget());
    }
}

void TestMainWindow::linkUp_downloadsIntoTable()
{
    const QList<GroupRecord> groups = sampleGroups();
    Bench b(groups);
    QVERIFY(b.connect());
    QVERIFY(b.waitForDownload());
    QCOMPARE(b.messages.first(), QStringLiteral("连接成功"));
    QCOMPARE(b.instrument.commandCount(CmdGetData), 1);
    QVERIFY(child<QPushButton>(&b.window, "pushButton_gain")->isEnabled());
    QVERIFY(child<QPushButton>(&b.window, "pushButton_removeAll")->isEnabled());

    // One row per group in instrument order, the first group in the panel, no row selected.
    QCOMPARE(b.table->model()->rowCount(), groups.size());
    const QList<MeasurementGroup> shown = b.window.groups();
    for (int i = 0; i < groups.size(); ++i) {
        QCOMPARE(shown.at(i).dateText, QStringLiteral("%1/%2 %3:%4")
                                           .arg(groups[i].month)
                                           .arg(groups[i].day)
                                           .arg(groups[i].hour)
                                           .arg(groups[i].minute));
        QCOMPARE(b.cell(i, 1), shown.at(i).scaleName);
    }
    QCOMPARE(text(&b.window, "label_number"), QString::number(groups.first().impactCount));
    QVERIFY(!b.table->selectionModel()->hasSelection());

    // Re-acquire downloads again.
    child<QPushButton>(&b.window, "pushButton_gain")->click();
    QVERIFY(b.waitForDownload(2));
    QCOMPARE(b.instrument.commandCount(CmdGetData), 2);
}

void TestMainWindow::detailPanel_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("hrc");
    QTest::addColumn<QString>("hrcTip");
    QTest::addColumn<QStringList>("stats"); // number, min, max, mean
    float hrc = 514;
    QCOMPARE(convertLeebSet1(&hrc, ScaleHRC, DeviceD, 0), ConversionStatus::Ok);
    const QString inRange = QString::number(int(double(hrc) + 0.5));
    QTest::newRow("HRC in range: cell equals the label, HL statistics truncated")
        << 0 << inRange << "HRC" << inRange << "" << QStringList{"3", "500", "520", "511"};
    QTest::newRow("HRC above range: HI with its hint, the cell shows HL")
        << 1 << "950"
        << "HRC"
        << "HI"
        << "测值过大" << QStringList{"3", "940", "960", "950"};
    float hrc600 = 600;
    QCOMPARE(convertLeebSet1(&hrc600, ScaleHRC, DeviceD, 0), ConversionStatus::Ok);
    QTest::newRow("measurement type 6: 0 and no name, still converted")
        << 2 << "0"
        << "" << QString::number(int(double(hrc600) + 0.5)) << "" << QStringList{"1", "600", "600", "600"};
}

void TestMainWindow::detailPanel()
{
    QFETCH(int, row);
    QFETCH(QStringList, stats);
    Bench b(knownGroups());
    QVERIFY(b.connect());
    QVERIFY(b.waitForDownload());
    b.click(row, 0);

    QTEST(b.cell(row, 0), "cell");
    QTEST(b.cell(row, 1), "scale");
    QTEST(text(&b.window, "label_HRC"), "hrc");
    QTEST(child<QLabel>(&b.window, "label_HRC")->statusTip(), "hrcTip");
    QCOMPARE(text(&b.window, "label_STR"), QStringLiteral("---"));
    QCOMPARE(text(&b.window, "label_number"), stats.at(0));
    QCOMPARE(text(&b.window, "label_min"), stats.at(1));
    QCOMPARE(text(&b.window, "label_max"), stats.at(2));
    QCOMPARE(text(&b.window, "label_mean"), stats.at(3));
}

void TestMainWindow::clickAndKeyboard()
{
    Bench b(knownGroups());
    QVERIFY(b.connect());
    QVERIFY(b.waitForDownload());
    QCOMPARE(text(&b.window, "label_max"), QStringLiteral("520"));

    b.click(1, 1); // the type column shows the row's group as well
    QCOMPARE(text(&b.window, "label_max"), QStringLiteral("960"));
    QCOMPARE(text(&b.window, "label_HL"), QStringLiteral("950"));

    // The keyboard moves the selection, not the panel.
    b.table->setFocus();
    QTest::keyClick(b.table, Qt::Key_Down);
    QCOMPARE(b.table->selectionModel()->selectedRows().value(0).row(), 2);
    QCOMPARE(text(&b.window, "label_max"), QStringLiteral("960"));

    b.click(0, 0);
    QCOMPARE(text(&b.window, "label_max"), QStringLiteral("520"));
}

void TestMainWindow::lineDropped_keepsTable()
{
    Bench b(knownGroups());
    QVERIFY(b.connect());
    QVERIFY(b.waitForDownload());
    b.instrument.dropLine();
    QTRY_COMPARE_WITH_TIMEOUT(b.status->currentMessage(), QStringLiteral("连接断开"), WaitMs);
    QVERIFY(!child<QPushButton>(&b.window, "pushButton_gain")->isEnabled());
    QVERIFY(!child<QPushButton>(&b.window, "pushButton_removeAll")->isEnabled());
    QCOMPARE(b.table->model()->rowCount(), 3);
    QCOMPARE(b.window.groups().size(), 3);
}

void TestMainWindow::deleteAll_confirmation()
{
    Bench b(knownGroups());
    QVERIFY(b.connect());
    QVERIFY(b.waitForDownload());
    auto *removeAll = child<QPushButton>(&b.window, "pushButton_removeAll");

    answerMessageBox(QMessageBox::No);
    removeAll->click();
    // Whatever "No" had sent would arrive before the answer to this request.
    child<QPushButton>(&b.window, "pushButton_gain")->click();
    QVERIFY(b.waitForDownload(2));
    QCOMPARE(b.instrument.commandCount(CmdDeleteAll), 0);

    answerMessageBox(QMessageBox::Yes);
    removeAll->click();
    QTRY_COMPARE_WITH_TIMEOUT(b.status->currentMessage(), QStringLiteral("数据删除完成"), WaitMs);
    QCOMPARE(b.instrument.commandCount(CmdDeleteAll), 1);
    QVERIFY(b.instrument.groups().isEmpty());
    QCOMPARE(b.table->model()->rowCount(), 3);
}

void TestMainWindow::exportAndPrint_data()
{
    QTest::addColumn<QString>("fileName"); // empty: the dialog is cancelled
    QTest::addColumn<QString>("message");
    QTest::newRow("cancelled: nothing to report") << ""
                                                  << "";
    QTest::newRow("saved") << "groups.xlsx"
                           << "保存成功: %1";
    QTest::newRow("folder missing") << "missing/groups.xlsx"
                                    << "保存失败: No such file or directory";
}

void TestMainWindow::exportAndPrint()
{
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    Bench b(knownGroups());
    QVERIFY(b.connect());
    QVERIFY(b.waitForDownload());
    b.status->clearMessage();

    const QString path = fileName.isEmpty() ? QString() : QDir::current().absoluteFilePath(fileName);
    answerDialog<QFileDialog>([path](QFileDialog *dialog) {
        if (path.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    child<QPushButton>(&b.window, "pushButton_exportExcel")->click();
    QCOMPARE(b.status->currentMessage(), QString(message).replace("%1", path));
    QCOMPARE(QFile::exists(path), message.startsWith(QStringLiteral("保存成功")));

    // Each print command opens a dialog of its own, which goes away when closed.
    for (int i = 0; i < 2; ++i) {
        child<QPushButton>(&b.window, "pushButton_print")->click();
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QDialog *>(QApplication::activeModalWidget()), WaitMs);
        QPointer<QWidget> dialog = QApplication::activeModalWidget();
        dialog->close();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), WaitMs);
    }
}

void TestMainWindow::englishCatalogue()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/english.qm")));
    QCoreApplication::installTranslator(&english);
    {
        QList<GroupRecord> groups = knownGroups();
        groups[0].material = 3; // Gray Cast Iron has no HRC curve
        groups.append(group(200, ScaleHB, {200, 201}));
        Bench b(groups);
        QCOMPARE(b.window.windowTitle(), QStringLiteral("Hardness tester"));
        QCOMPARE(child<QPushButton>(&b.window, "pushButton_gain")->text(), QStringLiteral("Reacquire"));
        QCOMPARE(child<QPushButton>(&b.window, "pushButton_removeAll")->text(), QStringLiteral("Delete all"));
        QCOMPARE(child<QPushButton>(&b.window, "pushButton_print")->text(), QStringLiteral("Print"));
        QCOMPARE(child<QPushButton>(&b.window, "pushButton_exportExcel")->text(), QStringLiteral("Export Excel"));
        QCOMPARE(child<QPushButton>(&b.window, "pushButton_language")->text(),
                 QStringLiteral("chinese-english switch"));
        QCOMPARE(text(&b.window, "label"), QStringLiteral("Average"));
        QVERIFY(b.connect());
        QVERIFY(b.waitForDownload());
        QCOMPARE(b.messages.first(), QStringLiteral("Connection succeeded"));
        QCOMPARE(b.messages.last(), QStringLiteral("Get data"));
        QCOMPARE(b.table->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Meas.value"));
        QCOMPARE(b.window.groups().first().materialName, QStringLiteral("Gray Cast Iron"));
        QCOMPARE(child<QLabel>(&b.window, "label_HRC")->statusTip(), QStringLiteral("Cannot be calculated"));
        b.click(1, 0);
        QCOMPARE(child<QLabel>(&b.window, "label_HRC")->statusTip(), QStringLiteral("High"));
        b.click(3, 0);
        QCOMPARE(child<QLabel>(&b.window, "label_HB")->statusTip(), QStringLiteral("Low"));
    }
    QCoreApplication::removeTranslator(&english);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
