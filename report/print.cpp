#include "print.h"

#include "resourcesinit.h"
#include "savefile.h"
#include "settings.h"
#include "ui_print.h"

#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const char buttonStyle[] = "QPushButton{border:none; background:rgb(220, 220, 220); border-radius:7px;}"
                           "QPushButton:hover{background:rgb(210, 210, 210);}"
                           "QPushButton:pressed{background:rgb(200, 200, 200);}";

} // namespace

Print::Print(ReportContent content, QWidget *parent, std::optional<ReportHeader> header)
    : QDialog(parent), ui(new Ui::Print), m_content(std::move(content)), m_settingsSaved(header.has_value())
{
    ui->setupUi(this);

    QFont font;
    const QString family = embeddedFontFamily();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(9);
    setFieldFonts(font);

    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    setWindowTitle(tr("打印预览"));

    ui->widget->setMinimumSize(440, 614);
    ui->widget_info->setMinimumWidth(200);

    ui->widget->setData(m_content);

    ui->pushButton_logoPath->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    m_logoNotice = new QLabel(ui->widget_info);
    m_logoNotice->setObjectName(QStringLiteral("label_logoNotice"));
    m_logoNotice->setFont(font);
    m_logoNotice->setWordWrap(true);
    m_logoNotice->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    m_logoNotice->hide();
    ui->verticalLayout_info->insertWidget(ui->verticalLayout_info->indexOf(ui->horizontalLayout_logo) + 1,
                                          m_logoNotice);

    const std::pair<QLineEdit *, QString ReportHeader::*> fields[] = {
        {ui->lineEdit_batch, &ReportHeader::batch},
        {ui->lineEdit_inspector, &ReportHeader::inspector},
        {ui->lineEdit_LOGO, &ReportHeader::logoPath},
        {ui->lineEdit_remark, &ReportHeader::remark},
        {ui->lineEdit_companyName, &ReportHeader::companyName}};
    for (const auto &field : fields) {
        const auto member = field.second;
        connect(field.first, &QLineEdit::textChanged, this,
                [this, member](const QString &text) { editHeader(member, text); });
    }
    connect(ui->pushButton_left, &QPushButton::clicked, this, [this] { flipPage(-1); });
    connect(ui->pushButton_right, &QPushButton::clicked, this, [this] { flipPage(1); });

    updatePageLabel(PaintBase::pageCount(m_content));
    // After the connections, so that every loaded field also reaches the header.
    loadFields(header ? *header : Settings::reportHeader());
    show();
}

Print::~Print()
{
    qDebug() << "~Print";
    // Gone without being closed (with its parent): the fields are still kept, but nobody is left to tell.
    if (!m_settingsSaved)
        saveSettings();
    delete ui;
}

void Print::done(int result)
{
    const bool save = !m_settingsSaved;
    m_settingsSaved = true;
    if (save && !saveSettings())
        emit message(Settings::writeFailureText());
    QDialog::done(result);
}

void Print::setFieldFonts(const QFont &font)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{
             ui->label_7, ui->label_5, ui->label_3, ui->label_4, ui->label_6, ui->label_page, ui->lineEdit_companyName,
             ui->lineEdit_LOGO, ui->lineEdit_batch, ui->lineEdit_remark, ui->lineEdit_inspector, ui->pushButton_left,
             ui->pushButton_right, ui->pushButton_logoPath, ui->pushButton_savePDF, ui->pushButton_print})
        widget->setFont(font);
}

void Print::loadFields(const ReportHeader &header)
{
    ui->lineEdit_batch->setText(header.batch);
    ui->lineEdit_inspector->setText(header.inspector);
    ui->lineEdit_remark->setText(header.remark);
    ui->lineEdit_companyName->setText(header.companyName);
    if (!header.logoPath.isEmpty()) {
        ui->lineEdit_LOGO->setToolTip(header.logoPath);
        ui->lineEdit_LOGO->setText(header.logoPath);
    }
    // Long texts show their beginning, not their end.
    for (QLineEdit *edit :
         {ui->lineEdit_batch, ui->lineEdit_inspector, ui->lineEdit_remark, ui->lineEdit_companyName, ui->lineEdit_LOGO})
        edit->setCursorPosition(0);
}

bool Print::saveSettings()
{
    if (Settings::setReportHeader(m_header))
        return true;
    qWarning() << "cannot write the report fields to" << Settings::fileName;
    return false;
}

void Print::showLogoState(const QString &path)
{
    // The painter leaves out what it cannot read; the operator should know why the logo is missing.
    const bool unreadable = !path.isEmpty() && QImageReader(path).read().isNull();
    m_logoNotice->setText(unreadable ? tr("无法读取图片") + QStringLiteral(": ") + QFileInfo(path).fileName()
                                     : QString());
    m_logoNotice->setToolTip(unreadable ? QDir::toNativeSeparators(path) : QString());
    m_logoNotice->setVisible(unreadable);
}

void Print::updatePageLabel(int count)
{
    ui->label_page->setText(QStringLiteral("%1/%2").arg(m_currentPage).arg(count));
}

void Print::editHeader(QString ReportHeader::*field, const QString &text)
{
    m_header.*field = text;
    ui->widget->setHeader(m_header);
    if (field == &ReportHeader::logoPath)
        showLogoState(text);
}

void Print::on_pushButton_logoPath_clicked()
{
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("打开文件"), QString(), QStringLiteral("*.bmp *.jpg *.png *.ico"));
    if (fileName.isEmpty())
        return;
    if (fileName == ui->lineEdit_LOGO->text()) {
        // The same file again, perhaps changed since: no field changes, so it is looked at anew here.
        showLogoState(fileName);
        ui->widget->update();
    }
    ui->lineEdit_LOGO->setText(fileName);
    ui->lineEdit_LOGO->setToolTip(fileName);
}

void Print::flipPage(int step)
{
    const int count = PaintBase::pageCount(m_content);
    m_currentPage = qBound(1, m_currentPage + step, count);
    updatePageLabel(count);
    ui->widget->setPage(m_currentPage);
}

void Print::on_pushButton_savePDF_clicked()
{
    const QString fileName =
        askSaveFileName(this, tr("选择文件"), tr("测量报告"), QStringLiteral("*.pdf"), QStringLiteral("pdf"));
    if (fileName.isEmpty())
        return;
    QString error;
    const bool ok = savePdf(fileName, m_header, m_content, &error);
    if (!ok)
        qWarning() << "PDF export failed:" << error;
    if (ok)
        emit reportMade(m_header);
    emit message(ok ? tr("保存成功") + QStringLiteral(": ") +
                          QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath())
                    : tr("保存失败") + QStringLiteral(": ") + error);
}

void Print::on_pushButton_print_clicked()
{
    QDialog *window = new QDialog(this, Qt::Dialog | Qt::WindowCloseButtonHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    window->setMinimumSize(400, 200);
    window->setWindowTitle(tr("打印设置"));

    QComboBox *printers = new QComboBox(window);
    printers->setObjectName(QStringLiteral("comboBox_printer"));
    for (const QPrinterInfo &info : QPrinterInfo::availablePrinters())
        printers->addItem(info.printerName());
    QComboBox *paper = new QComboBox(window);
    paper->setObjectName(QStringLiteral("comboBox_paper"));
    paper->addItem(QStringLiteral("A4"));

    QPushButton *start = new QPushButton(tr("开始打印"), window);
    start->setObjectName(QStringLiteral("pushButton_start"));
    start->setMinimumHeight(30);
    start->setCursor(Qt::PointingHandCursor);
    start->setStyleSheet(QLatin1String(buttonStyle));

    // One grid for both rows, so that the two combo boxes line up.
    QGridLayout *choices = new QGridLayout;
    choices->addWidget(new QLabel(tr("指定打印机"), window), 0, 0);
    choices->addWidget(printers, 0, 1);
    choices->addWidget(new QLabel(tr("指定纸张"), window), 1, 0);
    choices->addWidget(paper, 1, 1);
    choices->setColumnStretch(1, 1);
    QVBoxLayout *layout = new QVBoxLayout(window);
    layout->addLayout(choices);
    if (printers->count() == 0) {
        // Printing to no printer would silently write nowhere.
        QLabel *none = new QLabel(tr("没有可用的打印机"), window);
        none->setObjectName(QStringLiteral("label_noPrinter"));
        layout->addWidget(none);
        start->setEnabled(false);
    }
    layout->addWidget(start);

    connect(start, &QPushButton::clicked, this,
            [this, printers, window] { printReport(printers->currentText(), window); });
    window->exec();
}

void Print::printReport(const QString &printerName, QDialog *window)
{
    // The printer may have gone since the window listed it, and a name the system does not know would silently
    // print nowhere (an empty one even turns the printer into a PDF writer without a file).
    bool ok = QPrinterInfo::availablePrinterNames().contains(printerName);
    if (ok) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(printerName);
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setPageSize(QPageSize(QPageSize::A4));
        ok = printer.outputFormat() == QPrinter::NativeFormat && printer.printerName() == printerName &&
             paintReport(&printer, m_header, m_content);
    }
    if (ok)
        emit reportMade(m_header);
    emit message(ok ? tr("打印完成") : tr("打印失败"));
    window->close();
}
