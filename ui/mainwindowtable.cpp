// The table of groups with their tags and verdicts, the detail panel of the current row, the statistics of the
// selected rows and the tag command.
#include "mainwindow.h"

#include "historygroups.h"
#include "tagdialog.h"
#include "ui_mainwindow.h"
#include "verdictcolours.h"

#include <QAction>
#include <QDebug>
#include <QHeaderView>
#include <QStandardItemModel>

#include <algorithm>

namespace {

constexpr int GroupRole = Qt::UserRole + 1; // the group's position in the list, read back by the click handler
constexpr int CellAlignment = Qt::AlignHCenter | Qt::AlignVCenter;

enum Column {
    ValueColumn,
    TypeColumn,
    VerdictColumn,
    VerifiedColumn,
    PartColumn,
    HeatColumn,
    LocationColumn,
    OperatorColumn,
    DateColumn,
    MaterialColumn,
    DeviceColumn,
    DirectionColumn,
    ColumnCount
};

// The panel's label for a scale: the form names each after its scale.
QLabel *scaleLabel(const QWidget *window, HardnessScale scale)
{
    return window->findChild<QLabel *>(QLatin1String("label_") + scaleName(scale));
}

// A group not verified stands out like a group to look at again; a verified one needs no colour.
const VerdictColours NotVerifiedColours = {QColor(0xff, 0xe8, 0xcc), QColor(0x7a, 0x3e, 0x00)};

// The panel's value labels share one look; the verdict's takes the verdict's colours.
QString panelStyle(const QColor &background, const QColor &text)
{
    return QStringLiteral("font: 25 18pt \"Microsoft YaHei\"; border-radius: 4px; background-color: %1; color: %2;")
        .arg(background.name(), text.name());
}

} // namespace

void MainWindow::setupTable()
{
    QTableView *table = ui->tableView;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_model = new QStandardItemModel(this);
    setTableHeaders();
    // Twelve columns do not fit beside the chart: each as wide as its texts, the table scrolls sideways.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows as high as the style has them. Made in the large application font, the header makes them higher, and
    // holds the height to its minimum for the font: that is lifted while the height is set, then left to the font.
    QHeaderView *rows = table->verticalHeader();
    rows->setMinimumSectionSize(0);
    rows->setDefaultSectionSize(rows->style()->pixelMetric(QStyle::PM_HeaderDefaultSectionSizeVertical, nullptr, rows));
    rows->setMinimumSectionSize(-1);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setModel(m_model);
    // Under the verdict, in the captions' size: whether a check covers the current group.
    m_verifiedMark = new QLabel(this);
    m_verifiedMark->setObjectName(QStringLiteral("label_verified"));
    m_verifiedMark->setAlignment(Qt::AlignCenter);
    m_verifiedMark->setAutoFillBackground(true);
    m_verifiedMark->setFont(ui->label_verdictCaption->font());
    ui->verticalLayout_verdict->addWidget(m_verifiedMark);
    // A long line of statistics must not widen the table: the label gives way, its tip keeps the whole text.
    ui->label_selection->setMinimumWidth(1);
    // The panel and the chart follow the current row, whether the mouse or the keyboard moves it.
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &MainWindow::on_currentRowChanged);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        updateSelectionField();
        updateTagCommand();
    });

    // The tag command: its button, Ctrl+T anywhere in the window and the table's context menu.
    m_tagAction = new QAction(this);
    m_tagAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    addAction(m_tagAction);
    table->addAction(m_tagAction);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_tagAction, &QAction::triggered, this, &MainWindow::openTagDialog);
}

void MainWindow::setTableHeaders()
{
    m_model->setHorizontalHeaderLabels({tr("测值"), tr("测量类型"), tr("判定"), tr("验证状态"), tr("零件"),
                                        tr("炉批号"), tr("位置"), tr("操作员"), tr("测量日期"), tr("材料"),
                                        tr("冲击装置"), tr("冲击方向")});
}

void MainWindow::fillTable()
{
    m_model->clear();
    setTableHeaders();
    for (int i = 0; i < m_groups.size(); ++i)
        fillRow(i);
}

void MainWindow::fillRow(int row)
{
    const MeasurementGroup &g = m_groups.at(row);
    const GroupTags tags = m_traces.value(row).tags;
    const Verdict verdict = m_verdicts.value(row, Verdict::None);
    const std::optional<CoveringCheck> check = coveringCheckOf(row);
    const bool verified = check && check->result.passed;
    // Nothing without the log: a group is not called unverified when the checks could not be looked at.
    const QString verification = !m_logKnown ? QString() : verified ? tr("已验证") : tr("未验证");
    QStringList texts;
    // The same text as the panel shows for this scale: "HI", "LO" or "---" where there is no number.
    texts << resultTexts(g.ownResult()).value(QStringLiteral("value")) << g.scaleName << verdictText(verdict)
          << verification << tags.part << tags.heat << tags.location << tags.operatorName
          << (g.dateValid() ? g.measured.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : invalidDateText())
          << groupMaterialText(g) << g.deviceName << directionText(g.direction);
    const QString remark = tags.remark.isEmpty() ? QString() : tr("备注：%1").arg(tags.remark);
    const VerdictColours colours = verdictColours(verdict);
    for (int column = 0; column < ColumnCount; ++column) {
        QStandardItem *item = m_model->item(row, column);
        if (!item) {
            item = new QStandardItem;
            item->setTextAlignment(Qt::Alignment(CellAlignment));
            item->setData(row, GroupRole);
            m_model->setItem(row, column, item);
        }
        item->setText(texts.at(column));
        const bool tagCell = column >= PartColumn && column <= OperatorColumn;
        item->setToolTip(!g.dateValid() ? invalidDateText() : tagCell ? remark : QString());
        if (column == VerdictColumn) {
            item->setData(colours.background.isValid() ? QVariant(colours.background) : QVariant(), Qt::BackgroundRole);
            item->setData(colours.text.isValid() ? QVariant(colours.text) : QVariant(), Qt::ForegroundRole);
        } else if (column == VerifiedColumn) {
            const bool marked = m_logKnown && !verified;
            item->setData(marked ? QVariant(NotVerifiedColours.background) : QVariant(), Qt::BackgroundRole);
            item->setData(marked ? QVariant(NotVerifiedColours.text) : QVariant(), Qt::ForegroundRole);
            // Which check covers the group, passed or not.
            item->setToolTip(check ? checkText(*check) : QString());
        }
    }
}

void MainWindow::loadVerification()
{
    m_log = VerificationLog();
    m_logKnown = false;
    if (!m_archive || !m_archive->isOpen())
        return;
    VerificationLog log;
    QString error;
    if (!m_archive->verificationLog(&log.checks, &log.blocks, &error)) {
        qWarning() << "cannot read the verification log:" << error;
        showFailure([error] { return tr("无法读取验证记录") + QStringLiteral(": ") + error; });
        return;
    }
    m_log = log;
    m_logKnown = true;
}

std::optional<CoveringCheck> MainWindow::coveringCheckOf(int index) const
{
    if (!m_logKnown || index < 0 || index >= m_groups.size())
        return std::nullopt;
    const int found = coveringCheck(m_groups.at(index), m_log.checks, m_log.blocks);
    if (found < 0)
        return std::nullopt;
    const VerificationCheck &check = m_log.checks.at(found);
    const ReferenceBlock block = m_log.blocks.value(check.blockId);
    return CoveringCheck{block.serial, check.at, evaluateCheck(check, block)};
}

void MainWindow::refreshVerification()
{
    loadVerification();
    for (int row = 0; row < m_model->rowCount() && row < m_groups.size(); ++row)
        fillRow(row);
    on_currentRowChanged(ui->tableView->currentIndex());
}

void MainWindow::loadTraces(const QList<ArchivedGroup> *archived)
{
    m_traces = QList<GroupTrace>();
    m_verdicts = QList<Verdict>();
    for (int i = 0; i < m_groups.size(); ++i) {
        m_traces.append(GroupTrace());
        m_verdicts.append(Verdict::None);
    }
    if (!m_archive || !m_archive->isOpen() || m_shown.downloadId == 0)
        return;
    QList<ArchivedGroup> read;
    QHash<QString, PartLimit> limits;
    QString error;
    if ((!archived && !m_archive->loadArchivedGroups(m_shown.downloadId, &read, &error)) ||
        !m_archive->partLimits(&limits, &error)) {
        qWarning() << "cannot read the tags:" << error;
        showFailure([error] { return tr("无法读取标签") + QStringLiteral(": ") + error; });
        return;
    }
    // Groups are kept by their slot, the position in the download.
    for (const ArchivedGroup &group : archived ? *archived : read) {
        if (group.slot < 0 || group.slot >= m_groups.size())
            continue;
        GroupTrace &trace = m_traces[group.slot];
        trace.tags = group.tags;
        if (!group.tags.part.isEmpty())
            trace.limit = limits.value(group.tags.part);
        m_verdicts[group.slot] = judge(m_groups.at(group.slot), trace.limit);
    }
}

void MainWindow::refreshTraces()
{
    // The checks added meanwhile (by the tool, say) come with it.
    loadVerification();
    loadTraces();
    for (int row = 0; row < m_model->rowCount() && row < m_groups.size(); ++row)
        fillRow(row);
    on_currentRowChanged(ui->tableView->currentIndex());
    updateSelectionField();
}

QList<int> MainWindow::selectedGroupIndexes() const
{
    QList<int> indexes;
    if (!ui->tableView->selectionModel())
        return indexes;
    QModelIndexList rows = ui->tableView->selectionModel()->selectedRows();
    if (rows.isEmpty() && ui->tableView->currentIndex().isValid())
        rows << ui->tableView->currentIndex();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &index : std::as_const(rows)) {
        bool valid = false;
        const int p = index.data(GroupRole).toInt(&valid);
        if (valid && p >= 0 && p < m_groups.size())
            indexes << p;
    }
    return indexes;
}

void MainWindow::makeGroupCurrent(int index)
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->index(row, 0).data(GroupRole).toInt() == index) {
            ui->tableView->setCurrentIndex(m_model->index(row, 0));
            return;
        }
    }
}

void MainWindow::updateSelectionField()
{
    const QList<int> selected = selectedGroupIndexes();
    if (selected.size() < 2) {
        ui->label_selection->clear();
        ui->label_selection->setToolTip(QString());
        return;
    }
    QList<MeasurementGroup> groups;
    QList<Verdict> verdicts;
    for (int i : selected) {
        groups << m_groups.at(i);
        verdicts << m_verdicts.value(i, Verdict::None);
    }
    const Summary s = summarise(groups, verdicts);
    const QString text = HistoryGroupsModel::summaryText(s, tr("已选 %n 组", nullptr, s.groups));
    ui->label_selection->setText(text);
    ui->label_selection->setToolTip(text);
}

void MainWindow::on_currentRowChanged(const QModelIndex &current)
{
    bool valid = false;
    const int p = current.data(GroupRole).toInt(&valid);
    if (!valid || p < 0 || p >= m_groups.size()) {
        clearDetails();
        return;
    }
    const MeasurementGroup g = m_groups.at(p);
    ui->widget_lineChart->showImpacts(g.impacts, QString::number(p + 1));

    for (HardnessScale scale : DisplayScales) {
        if (QLabel *label = scaleLabel(this, scale)) {
            const QMap<QString, QString> texts = resultTexts(g.result(scale));
            label->setText(texts.value(QStringLiteral("value")));
            label->setStatusTip(texts.value(QStringLiteral("hint")));
        }
    }
    showPanelStatistics(p);
}

int MainWindow::currentGroupIndex() const
{
    bool valid = false;
    const int p = ui->tableView->currentIndex().data(GroupRole).toInt(&valid);
    return valid && p >= 0 && p < m_groups.size() ? p : -1;
}

void MainWindow::showPanelStatistics(int index)
{
    // Impacts are whole HL already; their mean is rounded as every shown value is, so that a mean of 429.8 reads
    // 430 as on the instrument.
    const GroupStatistics s = groupStatistics(m_groups.at(index));
    // A group always has an impact; should one come without, it has no numbers to show.
    const auto number = [&s](int value) { return s.count > 0 ? QString::number(value) : QStringLiteral("---"); };
    ui->label_number->setText(QString::number(s.count));
    ui->label_max->setText(number(s.maxHl));
    ui->label_min->setText(number(s.minHl));
    ui->label_mean->setText(number(s.meanHl));
    ui->label_range->setText(number(s.rangeHl));
    ui->label_sd->setText(s.sdHl ? QString::number(*s.sdHl, 'f', 1) : QStringLiteral("---"));
    const Verdict verdict = m_verdicts.value(index, Verdict::None);
    const VerdictColours colours = verdictColours(verdict);
    ui->label_verdict->setText(verdictText(verdict));
    ui->label_verdict->setStyleSheet(verdict == Verdict::None ? panelStyle(QColor(14, 110, 123), Qt::white)
                                                              : panelStyle(colours.background, colours.text));
    showPanelVerification(index);
}

void MainWindow::showPanelVerification(int index)
{
    const std::optional<CoveringCheck> check = coveringCheckOf(index);
    const bool verified = check && check->result.passed;
    const bool marked = m_logKnown && !verified;
    m_verifiedMark->setText(!m_logKnown ? QString() : verified ? tr("已验证") : tr("未验证"));
    m_verifiedMark->setToolTip(check ? checkText(*check) : QString());
    QPalette colours = m_verifiedMark->palette();
    colours.setColor(QPalette::Window, marked ? NotVerifiedColours.background : QColor(Qt::transparent));
    colours.setColor(QPalette::WindowText, marked ? NotVerifiedColours.text : palette().color(QPalette::WindowText));
    m_verifiedMark->setPalette(colours);
}

void MainWindow::clearDetails()
{
    QList<QLabel *> labels = {ui->label_number, ui->label_max, ui->label_min,    ui->label_mean,
                              ui->label_range,  ui->label_sd,  ui->label_verdict};
    for (HardnessScale scale : DisplayScales)
        labels << scaleLabel(this, scale);
    for (QLabel *label : std::as_const(labels)) {
        if (label) {
            label->clear();
            label->setStatusTip(QString());
        }
    }
    ui->label_verdict->setStyleSheet(panelStyle(QColor(14, 110, 123), Qt::white));
    m_verifiedMark->clear();
    m_verifiedMark->setToolTip(QString());
    m_verifiedMark->setPalette(palette());
    ui->widget_lineChart->showImpacts({}, QString());
}

QString MainWindow::tagRefusal() const
{
    if (m_groups.isEmpty())
        return tr("暂无数据");
    if (!m_archive || !m_archive->isOpen())
        return tr("没有可用的存档");
    if (m_shown.downloadId == 0)
        return m_shown.archiving ? tr("存档完成之后才能加标签") : tr("数据未存档，不能加标签");
    if (selectedGroupIndexes().isEmpty())
        return tr("请先选择要加标签的行");
    return QString();
}

void MainWindow::updateTagCommand()
{
    if (!m_tagAction)
        return; // the table is not made yet
    const QString refusal = tagRefusal();
    const QString tip = refusal.isEmpty() ? tr("给选中的各组加标签，设定零件的限值 (Ctrl+T)") : refusal;
    m_tagAction->setText(tr("标签…"));
    m_tagAction->setEnabled(refusal.isEmpty());
    m_tagAction->setToolTip(tip);
    ui->pushButton_tags->setEnabled(refusal.isEmpty());
    ui->pushButton_tags->setToolTip(tip);
}

void MainWindow::openTagDialog()
{
    // The action is disabled then; Ctrl+T on its way finds the rule checked again.
    if (!tagRefusal().isEmpty())
        return;
    const QList<int> indexes = selectedGroupIndexes();
    QList<GroupTags> rows;
    for (int i : indexes)
        rows << m_traces.value(i).tags;
    QList<QStringList> suggestions;
    QHash<QString, PartLimit> limits;
    QString error;
    bool read = m_archive->partLimits(&limits, &error);
    for (TagField field : {TagField::Part, TagField::Heat, TagField::Location, TagField::Operator, TagField::Remark}) {
        QStringList values;
        read = read && m_archive->tagValues(field, &values, &error);
        suggestions << values;
    }
    if (!read) {
        showFailure([error] { return tr("无法读取标签") + QStringLiteral(": ") + error; });
        return;
    }
    auto *dialog = new TagDialog(rows, suggestions, limits, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The download is named now: one that arrives while the dialog is open does not take these tags.
    connect(dialog, &QDialog::accepted, this, [this, dialog, indexes, id = m_shown.downloadId] {
        storeTags(id, indexes, dialog->rowTags(), dialog->limitPart(), dialog->limit());
    });
    dialog->open();
}

void MainWindow::storeTags(qint64 downloadId, const QList<int> &indexes, const QList<GroupTags> &tags,
                           const QString &limitPart, const PartLimit &limit)
{
    // A group's slot is its position in the download.
    QList<QPair<int, GroupTags>> slotTags;
    for (int i = 0; i < indexes.size() && i < tags.size(); ++i)
        slotTags.append({indexes.at(i), tags.at(i)});
    QString error;
    if (!m_archive || !m_archive->setGroupTags(downloadId, slotTags, TagWrite::All, &error, limitPart, limit)) {
        qWarning() << "tags not kept:" << error;
        showFailure([error] { return tr("标签保存失败") + QStringLiteral(": ") + error; });
        return;
    }
    clearFailure();
    showMessage(tr("标签已保存"));
    if (m_shown.downloadId == downloadId)
        refreshTraces();
}
