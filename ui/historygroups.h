#pragma once

#include "archive.h"
#include "judgement.h"

#include <QAbstractTableModel>
#include <QList>

// The groups that carry a part and/or heat, each measurement once, in measuring order, judged against their part's
// limit. They are read and judged at once, for the summary; the view takes them a page at a time, so that a part with
// many thousands of groups does not hold up the dialog.
class HistoryGroupsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        MeasuredColumn,
        ValueColumn,
        PartColumn,
        HeatColumn,
        LocationColumn,
        OperatorColumn,
        VerdictColumn,
        DownloadColumn,
        ColumnCount
    };
    static constexpr int PageSize = 200;

    explicit HistoryGroupsModel(Archive *archive, QObject *parent = nullptr);

    // Without a part and a heat the list is empty.
    void setFilter(const GroupFilter &filter);
    bool isFiltered() const { return !m_filter.part.isEmpty() || !m_filter.heat.isEmpty(); }
    qint64 downloadId(int row) const;
    int slot(int row) const; // -1 when row is none
    // Every group the filter matches, not only those listed yet.
    int groupCount() const { return m_rows.size(); }
    Summary summary() const { return m_summary; }
    // "12 组：平均 452 HL，标准差 4.2 HL，合格 10/12", translated when called.
    static QString summaryText(const Summary &summary, const QString &countText = QString());
    QString error() const { return m_error; } // why the groups could not be read; empty when they could

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    struct Row
    {
        ArchivedGroup group;
        QString measured; // date and time, or the invalid date mark
        QString value;    // in its own measurement type, with the scale
        Verdict verdict = Verdict::None;
    };
    bool read();

    Archive *m_archive;
    GroupFilter m_filter;
    QList<Row> m_rows;
    int m_listed = 0; // rows the view has taken
    Summary m_summary;
    QString m_error;
};
