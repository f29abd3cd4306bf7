#include "historygroups.h"

#include "historydialog.h"
#include "verdictcolours.h"

#include <QBrush>
#include <QColor>

HistoryGroupsModel::HistoryGroupsModel(Archive *archive, QObject *parent)
    : QAbstractTableModel(parent), m_archive(archive)
{}

void HistoryGroupsModel::setFilter(const GroupFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    m_rows.clear();
    m_listed = 0;
    m_summary = Summary();
    m_error.clear();
    if (isFiltered() && read())
        m_listed = qMin(int(m_rows.size()), int(PageSize));
    endResetModel();
}

bool HistoryGroupsModel::read()
{
    QList<ArchivedGroup> found;
    QHash<QString, PartLimit> limits;
    if (!m_archive->groups(m_filter, &found, &m_error) || !m_archive->partLimits(&limits, &m_error))
        return false;
    QList<MeasurementGroup> groups;
    QList<Verdict> verdicts;
    groups.reserve(found.size());
    verdicts.reserve(found.size());
    m_rows.reserve(found.size());
    for (const ArchivedGroup &archived : qAsConst(found)) {
        const MeasurementGroup g = archived.group();
        Row row{archived, QString(), QString(), judge(g, limits.value(archived.tags.part))};
        row.measured = g.dateValid() ? g.measured.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : g.shownDateText();
        row.value = resultTexts(g.ownResult()).value(QStringLiteral("value"));
        if (!g.scaleName.isEmpty())
            row.value += QLatin1Char(' ') + g.scaleName;
        verdicts.append(row.verdict);
        groups.append(g);
        m_rows.append(row);
    }
    m_summary = summarise(groups, verdicts);
    return true;
}

qint64 HistoryGroupsModel::downloadId(int row) const
{
    return row >= 0 && row < m_listed ? m_rows.at(row).group.downloadId : 0;
}

int HistoryGroupsModel::slot(int row) const
{
    return row >= 0 && row < m_listed ? m_rows.at(row).group.slot : -1;
}

QString HistoryGroupsModel::summaryText(const Summary &s, const QString &countText)
{
    const QString none = QStringLiteral("---");
    QString text =
        (countText.isEmpty() ? HistoryDialog::tr("%n 组", nullptr, s.groups) : countText) +
        HistoryDialog::tr("：平均 %1 HL，标准差 %2 HL").arg(summaryMeanText(s, none), summarySdText(s, none));
    // Pass of the judged: a group of a part without a limit, or with no number in the limit's scale, is neither.
    if (s.judged > 0)
        text += HistoryDialog::tr("，合格 %1/%2").arg(s.passed).arg(s.judged);
    return text;
}

int HistoryGroupsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_listed;
}

int HistoryGroupsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryGroupsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_listed)
        return QVariant();
    const Row &row = m_rows.at(index.row());
    const GroupTags &tags = row.group.tags;
    if (index.column() == VerdictColumn && (role == Qt::BackgroundRole || role == Qt::ForegroundRole)) {
        const VerdictColours colours = verdictColours(row.verdict);
        const QColor &colour = role == Qt::BackgroundRole ? colours.background : colours.text;
        return colour.isValid() ? QVariant(QBrush(colour)) : QVariant();
    }
    if (role == Qt::TextAlignmentRole)
        return index.column() == ValueColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                             : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() == LocationColumn)
        return tags.remark.isEmpty() ? QVariant() : QVariant(tags.remark);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case MeasuredColumn:
        return row.measured;
    case ValueColumn:
        return row.value;
    case PartColumn:
        return tags.part;
    case HeatColumn:
        return tags.heat;
    case LocationColumn:
        return tags.location;
    case OperatorColumn:
        return tags.operatorName;
    case VerdictColumn:
        return verdictText(row.verdict);
    case DownloadColumn:
        return row.group.downloadedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default:
        return QVariant();
    }
}

QVariant HistoryGroupsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case MeasuredColumn:
        return HistoryDialog::tr("测量时间");
    case ValueColumn:
        return HistoryDialog::tr("测值");
    case PartColumn:
        return HistoryDialog::tr("零件");
    case HeatColumn:
        return HistoryDialog::tr("炉批号");
    case LocationColumn:
        return HistoryDialog::tr("测量位置");
    case OperatorColumn:
        return HistoryDialog::tr("操作员");
    case VerdictColumn:
        return HistoryDialog::tr("判定");
    case DownloadColumn:
        return HistoryDialog::tr("所属下载");
    default:
        return QVariant();
    }
}

bool HistoryGroupsModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_listed < m_rows.size();
}

void HistoryGroupsModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const int more = qMin(int(PageSize), int(m_rows.size()) - m_listed);
    beginInsertRows(QModelIndex(), m_listed, m_listed + more - 1);
    m_listed += more;
    endInsertRows();
}
