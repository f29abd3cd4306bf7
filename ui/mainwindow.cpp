#include "mainwindow.h"

#include "excelexport.h"
#include "frame.h"
#include "languagesettings.h"
#include "print.h"
#include "reportsettings.h"
#include "resourcesinit.h"
#include "uart.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDebug>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTranslator>

#include <cmath>

namespace {

constexpr int MessageMs = 3000;
constexpr int GroupRole = 1; // the group's position in the list, read back by the click handler
constexpr int CellAlignment = Qt::AlignHCenter | Qt::AlignVCenter;

enum CommandId { ExportExcel = 0, Reacquire = 2, PrintReport = 3, DeleteAll = 4 };

// Truncation toward zero, as every whole number of the window is shown; a value with no integer shows 0.
int truncated(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 2147483647.0)
        return 0;
    return int(value);
}

// The value of a group in its own measurement type, for the table's first column.
int ownValue(const MeasurementGroup &g)
{
    switch (g.scale) {
    case ScaleHL:
        return truncated(g.hl.value);
    case ScaleHRB:
        return truncated(g.hrb.value);
    case ScaleHRC:
        return truncated(g.hrc.value);
    case ScaleHB:
        return truncated(g.hb.value);
    case ScaleHV:
        return truncated(g.hv.value);
    case ScaleHS:
        return truncated(g.hs.value);
    case ScaleSTR:
        return truncated(g.strength.value);
    default:
        return 0;
    }
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    initResources();
    ui->setupUi(this);

    const QString family = embeddedFontFamily();
    if (!family.isEmpty())
        m_font.setFamily(family);
    m_font.setPointSize(18);
    applyFont(m_font);

    setMinimumSize(1100, 700);

    m_uart = new Uart(this, 115200);
    m_uart->setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
    m_uart->setScanEnabled(true, 2000);
    connect(m_uart, SIGNAL(readyRead(unsigned char, QByteArray)), this,
            SLOT(on_uartReadyRead(unsigned char, QByteArray)));
    connect(m_uart, SIGNAL(connectionStatus(bool)), this, SLOT(on_connectionStatus(bool)));
    connect(m_uart, &Uart::groupsFailed, this, &MainWindow::on_groupsFailed);

    auto *buttons = new QButtonGroup(this);
    buttons->addButton(ui->pushButton_exportExcel, ExportExcel);
    buttons->addButton(ui->pushButton_gain, Reacquire);
    buttons->addButton(ui->pushButton_print, PrintReport);
    buttons->addButton(ui->pushButton_removeAll, DeleteAll);
    connect(buttons, &QButtonGroup::idClicked, this, &MainWindow::on_buttonClicked);

    setWindowIcon(QIcon(QStringLiteral(":/rc/logo.png")));
    setCtrlStatuc(false);
    setupTable();
    ui->horizontalLayout_chart->setStretchFactor(ui->widget_lineChart, 10);
    ui->horizontalLayout_chart->setStretchFactor(ui->tableView, 4);
    loadLanguage();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setExtraPortNames(const QStringList &names)
{
    m_uart->setExtraPortNames(names);
}

void MainWindow::applyFont(QFont font)
{
    QApplication::setFont(font);
    const QList<QWidget *> large = {
        ui->label,
        ui->label_15,
        ui->label_17,
        ui->label_33,
        ui->label_HB,
        ui->label_HL,
        ui->label_HRB,
        ui->label_HRC,
        ui->label_HS,
        ui->label_HV,
        ui->label_STR,
        ui->label_max,
        ui->label_mean,
        ui->label_min,
        ui->label_number,
        ui->pushButton_exportExcel,
        ui->pushButton_gain,
        ui->pushButton_language,
        ui->pushButton_print,
        ui->pushButton_removeAll,
        ui->statusBar,
    };
    for (QWidget *w : large)
        w->setFont(font);
    font.setPointSize(15);
    for (QWidget *w :
         {ui->label_21, ui->label_22, ui->label_23, ui->label_25, ui->label_27, ui->label_29, ui->label_31})
        w->setFont(font);
}

void MainWindow::setupTable()
{
    ui->tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_model = new QStandardItemModel(this);
    m_model->setHorizontalHeaderLabels({tr("测值"), tr("测量类型")});
    ui->tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->tableView->setModel(m_model);
    connect(ui->tableView, &QTableView::clicked, this, &MainWindow::on_itemClicked);
}

void MainWindow::showMessage(const QString &text)
{
    ui->statusBar->showMessage(text, MessageMs);
}

void MainWindow::on_connectionStatus(bool b)
{
    if (b) {
        showMessage(tr("连接成功"));
        // Every new link downloads the instrument's groups at once.
        m_uart->requestGroups();
    } else {
        showMessage(tr("连接断开"));
    }
    setCtrlStatuc(b);
}

void MainWindow::setCtrlStatuc(bool b)
{
    ui->pushButton_gain->setEnabled(b);
    ui->pushButton_removeAll->setEnabled(b);
}

void MainWindow::on_uartReadyRead(unsigned char cmd, QByteArray arr)
{
    switch (cmd) {
    case CmdGroupData: {
        const QList<GroupRecord> records = decodeGroups(arr);
        m_groups = buildGroups(records);
        refreshView();
        // The list stops at the first unused slot; groups behind it must not go unnoticed.
        const int unread = unreadGroups(records);
        if (unread > 0)
            showMessage(tr("空位之后还有 %n 组数据未读取", nullptr, unread));
        break;
    }
    case CmdDeleteDone:
        showMessage(tr("数据删除完成"));
        break;
    default:
        break;
    }
}

void MainWindow::on_groupsFailed()
{
    showMessage(tr("数据校验失败"));
}

void MainWindow::on_buttonClicked(int btnID)
{
    switch (btnID) {
    case ExportExcel:
        exportToExcel();
        break;
    case Reacquire:
        m_uart->requestGroups();
        break;
    case PrintReport:
        openPrintDialog();
        break;
    case DeleteAll:
        confirmDeleteAll();
        break;
    default:
        break;
    }
}

void MainWindow::exportToExcel()
{
    if (m_groups.isEmpty()) {
        showMessage(tr("暂无数据"));
        return;
    }
    const QString fileName = QFileDialog::getSaveFileName(this, tr("保存Excel"), tr("测试数据"), tr("*.xlsx"));
    // A cancelled dialog is no failure: nothing to report.
    if (fileName.isEmpty())
        return;
    QString error;
    const bool saved = exportExcel(fileName, m_groups, &error);
    if (!saved)
        qWarning() << "export failed:" << error;
    showMessage(saved ? tr("保存成功") : tr("保存失败"));
}

void MainWindow::openPrintDialog()
{
    if (m_groups.isEmpty()) {
        showMessage(tr("暂无数据"));
        return;
    }
    auto *dialog = new Print(m_groups, this);
    connect(dialog, SIGNAL(message(QString)), this, SLOT(on_printMessage(QString)));
}

void MainWindow::confirmDeleteAll()
{
    const auto answer = QMessageBox::warning(this, tr("警告"), tr("这将删除仪器上所有的数据，请问是否继续？"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        m_uart->deleteAll();
}

void MainWindow::on_printMessage(QString message)
{
    showMessage(message);
}

void MainWindow::fillTable()
{
    m_model->clear();
    m_model->setHorizontalHeaderLabels({tr("测值"), tr("测量类型")});
    for (int i = 0; i < m_groups.size(); ++i) {
        const MeasurementGroup &g = m_groups.at(i);
        const QStringList texts = {QString::number(ownValue(g)), g.scaleName};
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QStandardItem(texts.at(column));
            item->setTextAlignment(Qt::Alignment(CellAlignment));
            item->setData(i, GroupRole);
            m_model->setItem(i, column, item);
        }
    }
}

void MainWindow::refreshView()
{
    showMessage(tr("获取数据"));
    fillTable();
    // The first group is shown, but no row selected: the panel follows clicks only.
    on_itemClicked(m_model->index(0, 0));
}

void MainWindow::on_itemClicked(QModelIndex item)
{
    const int p = item.data(GroupRole).toInt();
    if (p < 0 || p >= m_groups.size())
        return;
    const MeasurementGroup g = m_groups.at(p);
    ui->widget_lineChart->showImpacts(g.impacts, g.scaleName, QString::number(p + 1));

    const QList<QPair<QLabel *, ConversionResult>> values = {
        {ui->label_HL, g.hl},   {ui->label_HRB, g.hrb}, {ui->label_HS, g.hs},        {ui->label_HB, g.hb},
        {ui->label_HRC, g.hrc}, {ui->label_HV, g.hv},   {ui->label_STR, g.strength},
    };
    for (const auto &[label, result] : values) {
        const QMap<QString, QString> texts = resultTexts(result);
        label->setText(texts.value(QStringLiteral("value")));
        label->setStatusTip(texts.value(QStringLiteral("hint")));
    }
    ui->label_number->setText(QString::number(g.impacts.size()));
    ui->label_max->setText(QString::number(truncated(maximum(g.impacts))));
    ui->label_min->setText(QString::number(truncated(minimum(g.impacts))));
    // A group always has an impact; should one come without, its mean has no number to show.
    ui->label_mean->setText(g.impacts.isEmpty() ? QStringLiteral("---") : QString::number(truncated(mean(g.impacts))));
}

void MainWindow::loadLanguage()
{
    m_language = LanguageSettings::load();
}

void MainWindow::saveLanguage()
{
    if (!LanguageSettings::save(m_language))
        qWarning() << "cannot write the language to" << ReportSettings::fileName;
}

void MainWindow::retranslateTexts()
{
    ui->pushButton_gain->setText(tr("重新获取"));
    ui->pushButton_removeAll->setText(tr("删除所有"));
    ui->pushButton_print->setText(tr("打印"));
    ui->pushButton_exportExcel->setText(tr("导出Excel"));
    ui->pushButton_language->setText(tr("中英切换"));
    ui->label_33->setText(tr("样本数"));
    ui->label_15->setText(tr("最小值"));
    ui->label_17->setText(tr("最大值"));
    ui->label->setText(tr("平均值"));
    m_model->setHorizontalHeaderLabels({tr("测值"), tr("测量类型")});
}

void MainWindow::on_pushButton_language_clicked()
{
    if (!m_translator)
        m_translator = new QTranslator(this);
    m_language ^= 1;
    qDebug() << m_language;
    QCoreApplication::removeTranslator(m_translator);
    if (!m_translator->load(QString::fromLatin1(LanguageSettings::catalogue(m_language))))
        qWarning() << "cannot load" << LanguageSettings::catalogue(m_language);
    QCoreApplication::installTranslator(m_translator);
    retranslateTexts();
    saveLanguage();
    QCoreApplication::exit(RestartExitCode);
}
