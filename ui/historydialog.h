#pragma once

#include "archive.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

class HistoryGroupsModel;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

// The downloads of an archive, newest first, fetched a page at a time as the view scrolls down to them.
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { DateColumn, StationColumn, PortColumn, GroupsColumn, ColumnCount };
    static constexpr int PageSize = 100;

    explicit HistoryModel(Archive *archive, QObject *parent = nullptr);

    void setFilter(const DownloadFilter &filter);
    qint64 downloadId(int row) const;
    QString error() const { return m_error; } // why the last page could not be read; empty when it could

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    Archive *m_archive;
    DownloadFilter m_filter;
    QList<DownloadInfo> m_rows;
    bool m_complete = false;
    QString m_error;
};

// "历史记录": the archive's downloads, filtered by a date range, a text, a part and a heat; with a part or heat also
// the groups that carry them. Opening a download hands its id to the window, opening a group its download and slot.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HistoryDialog(Archive *archive, QWidget *parent = nullptr);
    HistoryModel *model() const { return m_model; }
    HistoryGroupsModel *groupsModel() const { return m_groupsModel; }

    // An archive location as the dialog shows it: native separators, and no password in a postgresql:// location.
    static QString shownLocation(const QString &location);

signals:
    void openRequested(qint64 downloadId);
    void openGroupRequested(qint64 downloadId, int slot);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyFilter();
    void openCurrent();
    void showError();

    HistoryModel *m_model = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QTimer *m_typing = nullptr;
    QStringList m_applied; // the filter shown
    QLineEdit *m_text = nullptr;
    QComboBox *m_part = nullptr;
    QComboBox *m_heat = nullptr;
    QTableView *m_view = nullptr;
    HistoryGroupsModel *m_groupsModel = nullptr;
    QGroupBox *m_groupsBox = nullptr;
    QTableView *m_groupsView = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_open = nullptr;
    QLabel *m_error = nullptr;
    QString m_tagError; // why the suggestions of part and heat could not be read
};
