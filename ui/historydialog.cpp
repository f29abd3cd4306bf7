#include "historydialog.h"

#include "archivelocation.h"
#include "historygroups.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int TypingPauseMs = 300;

// The date edits stand at this day for "no limit": a QDateEdit cannot be empty.
const QDate NoLimit(2000, 1, 1);

QDate limit(const QDateEdit *edit)
{
    return edit->date() == edit->minimumDate() ? QDate() : edit->date();
}

} // namespace

HistoryModel::HistoryModel(Archive *archive, QObject *parent) : QAbstractTableModel(parent), m_archive(archive)
{
    m_filter.timeSpec = Qt::LocalTime;
}

void HistoryModel::setFilter(const DownloadFilter &filter)
{
    beginResetModel(); // the header too: the groups column counts matches under a text filter
    m_filter = filter;
    m_rows.clear();
    m_complete = false;
    m_error.clear();
    endResetModel();
}

qint64 HistoryModel::downloadId(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).id : 0;
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const DownloadInfo &d = m_rows.at(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() == GroupsColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                              : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case DateColumn:
        return d.downloadedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case StationColumn:
        return d.station;
    case PortColumn:
        return d.port;
    case GroupsColumn:
        // A download with no groups stands out; with a text filter, how many of its groups match.
        if (d.groupCount == 0)
            return HistoryDialog::tr("0（无数据组）");
        if (d.matchingGroups >= 0)
            return QStringLiteral("%1/%2").arg(d.matchingGroups).arg(d.groupCount);
        return d.groupCount;
    default:
        return QVariant();
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case DateColumn:
        return HistoryDialog::tr("下载时间");
    case StationColumn:
        return HistoryDialog::tr("工作站");
    case PortColumn:
        return HistoryDialog::tr("串口");
    case GroupsColumn:
        return m_filter.text.trimmed().isEmpty() ? HistoryDialog::tr("组数") : HistoryDialog::tr("匹配组数/组数");
    default:
        return QVariant();
    }
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_complete;
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    QList<DownloadInfo> page;
    if (!m_archive->downloads(m_filter, m_rows.size(), PageSize, &page, &m_error)) {
        m_complete = true; // an archive that fails once is not asked again for every scroll step
        emit layoutAboutToBeChanged();
        emit layoutChanged(); // the dialog shows the reason
        return;
    }
    m_complete = page.size() < PageSize;
    if (page.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + page.size() - 1);
    m_rows += page;
    endInsertRows();
}

HistoryDialog::HistoryDialog(Archive *archive, QWidget *parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("historyDialog"));
    setWindowTitle(tr("历史记录"));
    resize(1200, 680); // within a 1366 x 768 screen, title bar and task bar included

    m_from = new QDateEdit(this);
    m_to = new QDateEdit(this);
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setMinimumDate(NoLimit);
        edit->setSpecialValueText(tr("不限"));
        edit->setDate(NoLimit);
        connect(edit, &QDateEdit::dateChanged, this, &HistoryDialog::applyFilter);
        // The calendar opens at this month rather than at the "no limit" day; a date is typed over "no limit".
        edit->calendarWidget()->installEventFilter(this);
        edit->installEventFilter(this);
    }
    m_from->setObjectName(QStringLiteral("dateEdit_from"));
    m_to->setObjectName(QStringLiteral("dateEdit_to"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("lineEdit_text"));
    m_text->setPlaceholderText(tr("材料、测量类型或冲击装置"));
    m_text->setClearButtonEnabled(true);
    // Typed texts are searched for once the typing pauses: a query per keystroke makes typing lag on a lab's server.
    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(TypingPauseMs);
    connect(m_typing, &QTimer::timeout, this, &HistoryDialog::applyFilter);
    connect(m_text, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    // Part and heat are matched exactly; the values used before are offered.
    QString tagError;
    const auto tagBox = [this, archive, &tagError](const char *name, TagField field) {
        auto *box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(8);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->lineEdit()->setPlaceholderText(tr("不限"));
        box->lineEdit()->setClearButtonEnabled(true);
        QStringList values;
        if (archive->tagValues(field, &values, &tagError))
            box->addItems(QStringList(QString()) + values);
        box->setCurrentIndex(0);
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this, &HistoryDialog::applyFilter);
        connect(box, &QComboBox::editTextChanged, m_typing, qOverload<>(&QTimer::start));
        return box;
    };
    m_part = tagBox("comboBox_part", TagField::Part);
    m_heat = tagBox("comboBox_heat", TagField::Heat);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(tr("从"), this));
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(tr("至"), this));
    filters->addWidget(m_to);
    filters->addWidget(m_text, 1);
    auto *tags = new QHBoxLayout;
    tags->addWidget(new QLabel(tr("零件"), this));
    tags->addWidget(m_part, 1);
    tags->addSpacing(12);
    tags->addWidget(new QLabel(tr("炉批号"), this));
    tags->addWidget(m_heat, 1);

    m_model = new HistoryModel(archive, this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("tableView_history"));
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_view->horizontalHeader()->setSectionResizeMode(HistoryModel::DateColumn, QHeaderView::ResizeToContents);
    connect(m_view, &QTableView::doubleClicked, this, &HistoryDialog::openCurrent);

    m_groupsModel = new HistoryGroupsModel(archive, this);
    m_groupsView = new QTableView(this);
    m_groupsView->setObjectName(QStringLiteral("tableView_groups"));
    m_groupsView->setModel(m_groupsModel);
    m_groupsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_groupsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_groupsView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_groupsView->verticalHeader()->hide();
    QHeaderView *header = m_groupsView->horizontalHeader();
    // Tags are free texts of any length: shown whole, the view scrolls sideways when they do not fit.
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    connect(m_groupsView, &QTableView::doubleClicked, this, &HistoryDialog::openCurrent);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("label_summary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_groupsBox = new QGroupBox(tr("符合条件的测量组"), this);
    auto *groupsLayout = new QVBoxLayout(m_groupsBox);
    groupsLayout->addWidget(m_groupsView, 1);
    groupsLayout->addWidget(m_summary);
    m_groupsBox->hide();
    auto *lists = new QSplitter(Qt::Vertical, this);
    lists->setChildrenCollapsible(false);
    lists->addWidget(m_view);
    lists->addWidget(m_groupsBox);
    lists->setStretchFactor(0, 1);
    lists->setStretchFactor(1, 2); // the groups are what a search by tag is after

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("label_error"));
    m_error->setWordWrap(true);
    m_error->hide();

    auto *buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(tr("打开"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("关闭"), QDialogButtonBox::RejectRole);
    m_open->setObjectName(QStringLiteral("pushButton_open"));
    m_open->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &HistoryDialog::openCurrent);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // One list's selection at a time, so that "open" means the row last picked.
    for (QTableView *view : {m_view, m_groupsView}) {
        QTableView *other = view == m_view ? m_groupsView : m_view;
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, view, other] {
            if (view->selectionModel()->hasSelection())
                other->clearSelection();
            m_open->setEnabled(m_view->selectionModel()->hasSelection() ||
                               m_groupsView->selectionModel()->hasSelection());
        });
    }
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &HistoryDialog::showError);
    connect(m_model, &QAbstractItemModel::modelReset, this, &HistoryDialog::showError);

    auto *location = new QLabel(tr("存档：%1").arg(shownLocation(archive->locationText())), this);
    location->setObjectName(QStringLiteral("label_location"));
    location->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(location);
    layout->addLayout(filters);
    layout->addLayout(tags);
    layout->addWidget(lists, 1);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    // The size limits the layout sets go with the window when it is made, rather than to a window made without them.
    layout->activate();

    m_tagError = tagError;
    applyFilter();
}

void HistoryDialog::applyFilter()
{
    m_typing->stop();
    DownloadFilter filter;
    filter.from = limit(m_from);
    filter.to = limit(m_to);
    filter.text = m_text->text();
    filter.timeSpec = Qt::LocalTime; // the days the operator picks are local days
    filter.part = m_part->currentText();
    filter.heat = m_heat->currentText();
    // A pick from a list changes its text too: the same search is not made twice.
    const QStringList applied = {filter.from.toString(Qt::ISODate), filter.to.toString(Qt::ISODate), filter.text,
                                 filter.part, filter.heat};
    if (applied == m_applied)
        return;
    m_applied = applied;
    m_model->setFilter(filter);
    m_model->fetchMore(QModelIndex()); // the first page at once, for a dialog that opens filled
    // The groups' days are those they were measured on, by the instrument's clock.
    m_groupsModel->setFilter(GroupFilter{filter.from, filter.to, filter.part, filter.heat, filter.text});
    m_groupsBox->setVisible(m_groupsModel->isFiltered());
    if (!m_groupsModel->error().isEmpty())
        m_summary->clear(); // the error field says why
    else if (m_groupsModel->groupCount() == 0)
        m_summary->setText(tr("没有符合条件的测量组"));
    else
        m_summary->setText(HistoryGroupsModel::summaryText(m_groupsModel->summary()));
    showError();
}

void HistoryDialog::showError()
{
    QStringList reasons;
    for (const QString &reason : {m_tagError, m_model->error(), m_groupsModel->error()}) {
        if (!reason.isEmpty() && !reasons.contains(reason))
            reasons << reason;
    }
    m_error->setText(
        reasons.isEmpty() ? QString() : tr("无法读取存档") + QStringLiteral(": ") + reasons.join(QStringLiteral("; ")));
    m_error->setVisible(!reasons.isEmpty());
}

void HistoryDialog::openCurrent()
{
    if (m_groupsModel->isFiltered() && m_groupsView->selectionModel()->hasSelection()) {
        const int row = m_groupsView->currentIndex().row();
        if (m_groupsModel->downloadId(row) == 0)
            return;
        emit openGroupRequested(m_groupsModel->downloadId(row), m_groupsModel->slot(row));
        accept();
        return;
    }
    const qint64 id = m_model->downloadId(m_view->currentIndex().row());
    if (id == 0)
        return;
    emit openRequested(id);
    accept();
}

QString HistoryDialog::shownLocation(const QString &location)
{
    const QString shown = shownArchiveLocation(location);
    return location.contains(QLatin1String("://")) ? shown : QDir::toNativeSeparators(shown);
}

bool HistoryDialog::eventFilter(QObject *watched, QEvent *event)
{
    for (QDateEdit *edit : {m_from, m_to}) {
        const bool noLimit = edit && edit->date() == NoLimit;
        if (noLimit && watched == edit->calendarWidget() && event->type() == QEvent::Show) {
            const QDate today = QDate::currentDate();
            edit->calendarWidget()->setCurrentPage(today.year(), today.month());
        }
        if (watched != edit || event->type() != QEvent::KeyPress)
            continue;
        const QString typed = static_cast<QKeyEvent *>(event)->text();
        // The special text takes no digits: the first one typed starts a date of its own, year first.
        if (noLimit && typed.size() == 1 && typed.at(0).isDigit()) {
            edit->setDate(QDate::currentDate());
            edit->setSelectedSection(QDateTimeEdit::YearSection);
        }
        // A full year or month moves on to the next field by itself: the separator typed after it would skip one
        // more, and 2025-12-31 would become 2025-12-12.
        const QLineEdit *line = edit->findChild<QLineEdit *>();
        if (line && typed == QLatin1String("-")) {
            const int at = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
            if (at > 0 && line->text().at(at - 1) == QLatin1Char('-'))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
