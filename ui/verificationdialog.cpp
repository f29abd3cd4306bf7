#include "verificationdialog.h"

#include "controlchart.h"
#include "paintbase.h"
#include "savefile.h"
#include "scales.h"
#include "verificationreport.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QTableWidgetItem *item(const QString &text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setTextAlignment(alignment);
    return cell;
}

QTableWidget *table(QWidget *parent, const char *name)
{
    auto *view = new QTableWidget(parent);
    view->setObjectName(QLatin1String(name));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

// An optional number field: empty is none; anything else must be a number of at least `minimum`.
bool optionalNumber(const QLineEdit *edit, double minimum, std::optional<double> *value)
{
    const QString text = edit->text().trimmed();
    value->reset();
    if (text.isEmpty())
        return true;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < minimum)
        return false;
    *value = v;
    return true;
}

} // namespace

VerificationDialog::VerificationDialog(Archive *archive, QWidget *parent) : QDialog(parent), m_archive(archive)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("verificationDialog"));
    setWindowTitle(tr("仪器验证"));
    // The window's large font would leave the tables, the forms and the chart no room at 1366 x 768: the same face,
    // smaller, as the charts have it.
    QFont smaller = font();
    smaller.setPointSize(11);
    setFont(smaller);
    resize(1300, 660); // within a 1366 x 768 screen, title bar and task bar included

    // Left: the blocks and the form that registers one.
    m_blockTable = table(this, "tableWidget_blocks");
    m_blockTable->setColumnCount(6);
    m_blockTable->setHorizontalHeaderLabels(
        {tr("编号"), tr("冲击装置"), tr("标称值 (HL)"), tr("有效期至"), tr("允许误差 (HL)"), tr("允许重复性 (HL)")});
    connect(m_blockTable, &QTableWidget::itemSelectionChanged, this, &VerificationDialog::showBlock);

    const auto edit = [this](const char *name) {
        auto *line = new QLineEdit(this);
        line->setObjectName(QLatin1String(name));
        return line;
    };
    m_serial = edit("lineEdit_serial");
    m_device = new QComboBox(this);
    m_device->setObjectName(QStringLiteral("comboBox_device"));
    for (const char *name : {"D", "DC", "DL", "D_15", "C1", "G", "E"}) {
        quint8 code = 0;
        if (deviceFromName(QLatin1String(name), &code))
            m_device->addItem(QLatin1String(name), int(code));
    }
    m_nominal = edit("lineEdit_nominal");
    m_uncertainty = edit("lineEdit_uncertainty");
    m_certificate = edit("lineEdit_certificate");
    m_validUntil = edit("lineEdit_validUntil");
    m_validUntil->setPlaceholderText(tr("YYYY-MM-DD，可空"));
    m_maxError = edit("lineEdit_maxError");
    m_maxRepeatability = edit("lineEdit_maxRepeatability");
    connect(m_device, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &VerificationDialog::updateDefaults);
    connect(m_nominal, &QLineEdit::textChanged, this, &VerificationDialog::updateDefaults);
    m_addBlock = new QPushButton(tr("添加标准块"), this);
    m_addBlock->setObjectName(QStringLiteral("pushButton_addBlock"));
    connect(m_addBlock, &QPushButton::clicked, this, &VerificationDialog::addBlock);

    auto *blockBox = new QGroupBox(tr("新的标准块"), this);
    auto *blockForm = new QFormLayout(blockBox);
    blockForm->addRow(tr("编号"), m_serial);
    blockForm->addRow(tr("冲击装置"), m_device);
    blockForm->addRow(tr("标称值 (HL)"), m_nominal);
    blockForm->addRow(tr("不确定度 (HL)"), m_uncertainty);
    blockForm->addRow(tr("证书编号"), m_certificate);
    blockForm->addRow(tr("有效期至"), m_validUntil);
    blockForm->addRow(tr("允许误差 ± (HL)"), m_maxError);
    blockForm->addRow(tr("允许重复性 (HL)"), m_maxRepeatability);
    blockForm->addRow(QString(), m_addBlock);

    auto *leftSide = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(leftSide);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(tr("标准硬度块"), this));
    leftLayout->addWidget(m_blockTable, 1);
    leftLayout->addWidget(blockBox);

    // Right: the selected block's checks, its chart and the form that records a check.
    m_blockTitle = new QLabel(this);
    m_blockTitle->setObjectName(QStringLiteral("label_block"));
    m_checkTable = table(this, "tableWidget_checks");
    m_checkTable->setColumnCount(8);
    m_checkTable->setHorizontalHeaderLabels({tr("时间"), tr("操作员"), QStringLiteral("n"), tr("平均值"),
                                             tr("示值误差"), tr("重复性"), tr("结论"), tr("受控")});
    m_chart = new ControlChart(this);
    m_chart->setMinimumHeight(320);

    m_readings = edit("lineEdit_readings");
    m_readings->setPlaceholderText(tr("读数 (HL)，以逗号或空格分隔，如 758, 762, 765, 757, 761"));
    m_at = new QDateTimeEdit(QDateTime::currentDateTime(), this);
    m_at->setObjectName(QStringLiteral("dateTimeEdit_at"));
    m_at->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    m_at->setCalendarPopup(true);
    m_operator = edit("lineEdit_operator");
    m_operator->setPlaceholderText(tr("操作员"));
    m_addCheck = new QPushButton(tr("添加检查"), this);
    m_addCheck->setObjectName(QStringLiteral("pushButton_addCheck"));
    connect(m_addCheck, &QPushButton::clicked, this, &VerificationDialog::addCheck);
    m_fromGroup = new QPushButton(tr("取自当前数据组"), this);
    m_fromGroup->setObjectName(QStringLiteral("pushButton_fromGroup"));
    connect(m_fromGroup, &QPushButton::clicked, this, &VerificationDialog::takeCurrentGroup);
    m_export = new QPushButton(tr("导出PDF"), this);
    m_export->setObjectName(QStringLiteral("pushButton_exportPdf"));
    connect(m_export, &QPushButton::clicked, this, &VerificationDialog::exportPdf);

    auto *checkRow = new QHBoxLayout;
    checkRow->addWidget(m_readings, 3);
    checkRow->addWidget(m_at);
    checkRow->addWidget(m_operator, 1);
    auto *checkButtons = new QHBoxLayout;
    checkButtons->addWidget(m_fromGroup);
    checkButtons->addWidget(m_addCheck);
    checkButtons->addStretch(1);
    checkButtons->addWidget(m_export);

    auto *rightSide = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(rightSide);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_blockTitle);
    auto *checksAndChart = new QSplitter(Qt::Vertical, this);
    checksAndChart->addWidget(m_checkTable);
    checksAndChart->addWidget(m_chart);
    checksAndChart->setSizes({170, 400});
    rightLayout->addWidget(checksAndChart, 1);
    rightLayout->addLayout(checkRow);
    rightLayout->addLayout(checkButtons);

    auto *sides = new QSplitter(Qt::Horizontal, this);
    sides->addWidget(leftSide);
    sides->addWidget(rightSide);
    sides->setSizes({540, 760});

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("label_message"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(sides, 1);
    layout->addWidget(m_message);

    updateDefaults();
    setCurrentGroup({}, QDateTime(), QString());
    reloadBlocks(QString());
}

void VerificationDialog::setCurrentGroup(const QList<double> &impacts, const QDateTime &measuredAt,
                                         const QString &deviceName)
{
    m_groupImpacts = impacts;
    m_groupAt = measuredAt;
    m_groupDevice = deviceName;
    m_fromGroup->setEnabled(!impacts.isEmpty());
    m_fromGroup->setToolTip(impacts.isEmpty() ? tr("窗口中没有显示数据组") : QString());
}

QString VerificationDialog::selectedSerial() const
{
    const int row = m_blockTable->currentRow();
    return row >= 0 && row < m_blocks.size() ? m_blocks.at(row).serial : QString();
}

bool VerificationDialog::selectBlock(const QString &serial)
{
    for (int row = 0; row < m_blocks.size(); ++row) {
        if (m_blocks.at(row).serial == serial) {
            m_blockTable->selectRow(row);
            return true;
        }
    }
    return false;
}

bool VerificationDialog::parseReadings(const QString &text, QList<int> *readings, QString *bad)
{
    readings->clear();
    const QStringList words = text.split(QRegularExpression(QStringLiteral("[,，\\s]+")), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        bool ok = false;
        const int value = word.toInt(&ok);
        if (!ok) {
            *bad = word;
            return false;
        }
        readings->append(value);
    }
    return true;
}

void VerificationDialog::reloadBlocks(const QString &select)
{
    QString error;
    QList<ReferenceBlock> blocks;
    if (!m_archive->blocks(&blocks, &error)) {
        showMessage(tr("无法读取标准块：%1").arg(error), true);
        blocks.clear();
    }
    m_blocks = blocks;
    const QSignalBlocker blocker(m_blockTable);
    m_blockTable->setRowCount(int(m_blocks.size()));
    const Qt::Alignment number = Qt::AlignRight | Qt::AlignVCenter;
    for (int row = 0; row < m_blocks.size(); ++row) {
        const ReferenceBlock &b = m_blocks.at(row);
        const Tolerance t = blockTolerance(b);
        m_blockTable->setItem(row, 0, item(b.serial));
        m_blockTable->setItem(row, 1, item(deviceName(b.device)));
        m_blockTable->setItem(row, 2, item(::hlText(b.nominalHl), number));
        m_blockTable->setItem(row, 3, item(b.validUntil.isValid() ? b.validUntil.toString(Qt::ISODate) : tr("不限")));
        m_blockTable->setItem(row, 4, item(QStringLiteral("±") + ::hlText(t.maxError), number));
        m_blockTable->setItem(row, 5, item(::hlText(t.maxRepeatability), number));
        if (b.validUntil.isValid() && b.validUntil < QDate::currentDate())
            m_blockTable->item(row, 3)->setForeground(failInk());
    }
    m_blockTable->resizeColumnsToContents();
    if (!selectBlock(select) && !m_blocks.isEmpty())
        m_blockTable->selectRow(0);
    showBlock();
}

void VerificationDialog::showBlock()
{
    const int row = m_blockTable->currentRow();
    const bool selected = row >= 0 && row < m_blocks.size();
    for (QWidget *w : std::initializer_list<QWidget *>{m_readings, m_at, m_operator, m_addCheck, m_export})
        w->setEnabled(selected);
    m_checks.clear();
    if (selected) {
        const ReferenceBlock &b = m_blocks.at(row);
        QString error;
        if (!m_archive->checks(b.id, &m_checks, &error)) {
            showMessage(tr("无法读取标准块 %1 的检查：%2").arg(b.serial, error), true);
            m_checks.clear();
        }
        m_blockTitle->setText(
            tr("标准块 %1（%2，%3 HL）的检查").arg(b.serial, deviceName(b.device), hlText(b.nominalHl)));
    } else {
        m_blockTitle->setText(tr("没有选中标准块"));
    }

    const BlockLog log = blockLog(m_blocks.value(row), m_checks);
    const ControlLimits &limits = log.limits;
    const QList<ChartPoint> &points = log.points;
    m_checkTable->setRowCount(int(m_checks.size()));
    const Qt::Alignment numeric = Qt::AlignRight | Qt::AlignVCenter;
    for (int i = 0; i < m_checks.size(); ++i) {
        const VerificationCheck &c = m_checks.at(i);
        const CheckResult &r = log.results.at(i);
        m_checkTable->setItem(i, 0, item(c.at.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
        m_checkTable->setItem(i, 1, item(c.operatorName));
        m_checkTable->setItem(i, 2, item(QString::number(r.count), numeric));
        m_checkTable->setItem(i, 3, item(hlText(r.mean), numeric));
        m_checkTable->setItem(i, 4, item(signedHlText(r.error), numeric));
        m_checkTable->setItem(i, 5, item(QString::number(r.repeatability), numeric));
        auto *verdict = item(r.passed ? tr("合格") : tr("不合格"), Qt::AlignCenter);
        verdict->setForeground(r.passed ? passInk() : failInk());
        QFont bold = verdict->font();
        bold.setBold(true);
        verdict->setFont(bold);
        m_checkTable->setItem(i, 6, verdict);
        auto *control = item(!limits.set                 ? QString()
                             : points.value(i).inControl ? tr("是")
                                                         : tr("否"),
                             Qt::AlignCenter);
        if (limits.set && !points.value(i).inControl)
            control->setForeground(failInk());
        m_checkTable->setItem(i, 7, control);
    }
    m_checkTable->resizeColumnsToContents();
    if (!m_checks.isEmpty())
        m_checkTable->scrollToBottom();
    m_chart->showChecks(points, limits);
}

void VerificationDialog::updateDefaults()
{
    bool ok = false;
    const double nominal = m_nominal->text().trimmed().toDouble(&ok);
    const Tolerance t = defaultTolerance(quint8(m_device->currentData().toInt()), ok ? nominal : 0.0);
    // Below the usual levels D and DC have the wider default; with no nominal yet that one is shown.
    m_maxError->setPlaceholderText(tr("默认 %1").arg(hlText(t.maxError)));
    m_maxRepeatability->setPlaceholderText(tr("默认 %1").arg(hlText(t.maxRepeatability)));
}

void VerificationDialog::addBlock()
{
    ReferenceBlock block;
    block.serial = m_serial->text().trimmed();
    block.device = quint8(m_device->currentData().toInt());
    if (block.serial.isEmpty())
        return showMessage(tr("请填写标准块的编号"), true);
    bool ok = false;
    block.nominalHl = m_nominal->text().trimmed().toDouble(&ok);
    if (!ok || !(block.nominalHl > 0) || block.nominalHl > 1000)
        return showMessage(tr("标称值“%1”有误：须为 1 至 1000 HL 的数值").arg(m_nominal->text()), true);
    const struct
    {
        QLineEdit *edit;
        double minimum;
        std::optional<double> *value;
        QString name;
    } optional[] = {{m_uncertainty, 0.0, &block.uncertaintyHl, tr("不确定度")},
                    {m_maxError, 0.1, &block.maxError, tr("允许误差")},
                    {m_maxRepeatability, 0.1, &block.maxRepeatability, tr("允许重复性")}};
    for (const auto &field : optional) {
        if (!optionalNumber(field.edit, field.minimum, field.value))
            return showMessage(tr("%1“%2”有误：须为不小于 %3 的数值，或留空")
                                   .arg(field.name, field.edit->text(), QString::number(field.minimum)),
                               true);
    }
    const QString until = m_validUntil->text().trimmed();
    if (!until.isEmpty()) {
        block.validUntil = QDate::fromString(until, Qt::ISODate);
        if (!block.validUntil.isValid() || until.size() != 10)
            return showMessage(tr("有效期“%1”有误：请用 YYYY-MM-DD").arg(until), true);
    }
    block.certificate = m_certificate->text().trimmed();
    QString error;
    if (!m_archive->addBlock(&block, &error))
        return showMessage(tr("标准块 %1 未能存入存档：%2").arg(block.serial, error), true);
    for (QLineEdit *e :
         {m_serial, m_nominal, m_uncertainty, m_certificate, m_validUntil, m_maxError, m_maxRepeatability})
        e->clear();
    showMessage(tr("已添加标准块 %1").arg(block.serial), false);
    reloadBlocks(block.serial);
}

QString VerificationDialog::refusalText(CheckRefusal refusal, const ReferenceBlock &block) const
{
    switch (refusal) {
    case CheckRefusal::TooFewReadings:
        return tr("读数太少：一次检查至少需要 %1 个读数").arg(MinimumReadings);
    case CheckRefusal::BlockExpired:
        return tr("标准块 %1 的有效期至 %2，已过期：不能用于新的检查")
            .arg(block.serial, block.validUntil.toString(Qt::ISODate));
    case CheckRefusal::BadReading:
        return tr("读数有误：每个读数须为正的整数 HL");
    case CheckRefusal::None:
        break;
    }
    return QString();
}

void VerificationDialog::addCheck()
{
    const int row = m_blockTable->currentRow();
    if (row < 0 || row >= m_blocks.size())
        return showMessage(tr("请先选择一个标准块"), true);
    const ReferenceBlock block = m_blocks.at(row);
    VerificationCheck check;
    check.blockId = block.id;
    check.at = m_at->dateTime();
    check.operatorName = m_operator->text().trimmed();
    QString bad;
    if (!parseReadings(m_readings->text(), &check.readings, &bad))
        return showMessage(tr("读数“%1”不是整数：请以逗号或空格分隔各个整数读数").arg(bad), true);
    const CheckRefusal refusal = checkRefusal(check, block);
    if (refusal != CheckRefusal::None)
        return showMessage(refusalText(refusal, block), true);
    QString error;
    if (!m_archive->addCheck(&check, &error))
        return showMessage(tr("检查未能存入存档：%1").arg(error), true);
    emit checkAdded();
    const CheckResult r = evaluateCheck(check, block);
    m_readings->clear();
    showMessage(tr("已记录检查：平均值 %1，示值误差 %2，重复性 %3，%4")
                    .arg(hlText(r.mean), signedHlText(r.error))
                    .arg(r.repeatability)
                    .arg(r.passed ? tr("合格") : tr("不合格")),
                !r.passed);
    showBlock();
}

void VerificationDialog::takeCurrentGroup()
{
    const int row = m_blockTable->currentRow();
    if (m_groupImpacts.isEmpty() || row < 0 || row >= m_blocks.size())
        return;
    const ReferenceBlock &block = m_blocks.at(row);
    quint8 device = 0;
    if (!deviceFromName(m_groupDevice, &device) || device != block.device)
        return showMessage(tr("当前数据组的冲击装置为 %1，标准块 %2 的为 %3：不能用于此块的检查")
                               .arg(m_groupDevice, block.serial, deviceName(block.device)),
                           true);
    QStringList readings;
    for (double impact : qAsConst(m_groupImpacts))
        readings << QString::number(qRound(impact));
    m_readings->setText(readings.join(QStringLiteral(", ")));
    if (m_groupAt.isValid())
        m_at->setDateTime(m_groupAt);
    showMessage(tr("已填入当前数据组的 %1 个冲击值；核对后点“添加检查”").arg(readings.size()), false);
}

void VerificationDialog::exportPdf()
{
    const int row = m_blockTable->currentRow();
    if (row < 0 || row >= m_blocks.size())
        return;
    const ReferenceBlock &block = m_blocks.at(row);
    const QString fileName = askSaveFileName(this, tr("导出PDF"), tr("验证记录-%1.pdf").arg(block.serial),
                                             tr("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
    if (fileName.isEmpty())
        return;
    QString error;
    if (!saveVerificationPdf(fileName, block, m_checks, &error))
        return showMessage(tr("导出到 %1 失败：%2").arg(fileName, error), true);
    showMessage(tr("已导出到 %1").arg(fileName), false);
}

void VerificationDialog::showMessage(const QString &text, bool failure)
{
    QPalette colours = m_message->palette();
    colours.setColor(QPalette::WindowText, failure ? failInk() : passInk());
    m_message->setPalette(colours);
    m_message->setText(text);
}
