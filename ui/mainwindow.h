#pragma once

#include "archive.h"
#include "archivecheck.h"
#include "linkstate.h"
#include "measurementgroup.h"
#include "reportcontent.h"
#include "viewstate.h"

#include <QFont>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>

#include <functional>
#include <memory>

namespace Ui {
class MainWindow;
}
class QAction;
class QLabel;
class QStandardItemModel;
class InstrumentLink;
class ArchiveWriter;

// The program's one window: the link to the instrument, the downloaded groups, their table, the detail panel, the
// line chart and the commands.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Ports probed first, before the system's own (given with --port).
    void setExtraPortNames(const QStringList &names);
    // Starts the search for the instrument once the first frame is painted; until then the window opens no port.
    void startLink();
    InstrumentLink *link() const { return m_link; }
    QList<MeasurementGroup> groups() const { return m_groups; }
    // The groups of the selected rows, as indexes into groups() in table order; the current row's alone when no row
    // is selected.
    QList<int> selectedGroupIndexes() const;
    // Parallel to groups(): each group's tags and its part's limit, as the archive has them.
    QList<GroupTrace> traces() const { return m_traces; }
    int language() const { return m_language; }
    // The archive every download is kept in (empty: the default file). It opens, and its latest download of this
    // station shows until the instrument sends one, once the window's first frame is painted: a large archive or a
    // distant server must not keep the window from appearing. A download or the history that comes first opens it
    // at once. Without an archive the window works on and says why. archiveOpened() follows either way.
    void setArchiveLocation(const QString &location);
    ArchiveOpenResult archiveOpenResult() const { return m_archiveResult; }
    // Says for as long as the window is open that the settings file names an archive location that is not used: the
    // file is another user's, or others may change it.
    void warnUntrustedSettings();

    // The text of the link state field at the right of the status bar.
    static QString linkStateText(const LinkState &state);
    // What the table shows and where it came from; the link's latest download attempt.
    ShownData shownData() const { return m_shown; }
    AttemptState attemptState() const { return m_attempt; }
    // Reads the verification log again and marks the groups shown: after a check was added.
    void refreshVerification();

signals:
    // The archive given to setArchiveLocation() was opened, or failed to open: archiveOpenResult() says which.
    void archiveOpened();

protected:
    // The first frame comes first: the archive, the search for the instrument (unless the caller has started it) and
    // the window icon follow it.
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The language switch retranslates the window in place: the view, the row, the link and the geometry stay.
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    // Connected by name by the form.
    void on_pushButton_language_clicked();
    void on_pushButton_history_clicked();
    void on_pushButton_verification_clicked();

private:
    // Connected explicitly; as slots, the form's connect-by-name would look for children of these names.
    void on_link_stateChanged(const LinkState &state);
    void on_link_downloadReceived(const Download &download);
    void on_link_downloadFailed();
    void on_link_deleteDone();
    void on_buttonClicked(int btnID);
    void setCtrlStatuc(bool b);
    void on_printMessage(const QString &message);
    void on_currentRowChanged(const QModelIndex &current);
    // slot: the group whose row becomes current; the first row when none is given.
    void showArchivedDownload(qint64 id, int slot = -1);
    void afterFirstFrame();
    void openPendingArchive(bool showLatest);
    void openFailedArchiveAgain();
    void loadLanguage();
    bool saveLanguage();
    void retranslateTexts();
    void applyFont(QFont font);
    void setupTable();
    // The table's column titles, in the language of the moment.
    void setTableHeaders();
    void fillTable();
    // A row's texts, tips and verdict colours, its cells made or updated in place.
    void fillRow(int row);
    // Each group's trace and verdict, from the archive when the download shown is kept there; archived: its groups as
    // read already, or none to read them.
    void loadTraces(const QList<ArchivedGroup> *archived = nullptr);
    // After the download was archived or tagged: the traces again, and the rows, panel and statistics in place.
    void refreshTraces();
    // The blocks and checks from the archive; without an archive, or when they cannot be read, none are known. Read
    // when the archive opens, an archived download is shown or stored, or a check was added: a live download is
    // marked by what was read before, so that a slow archive does not hold the window.
    void loadVerification();
    // The check that covers the group at index; none when none does or the log is not known.
    std::optional<CoveringCheck> coveringCheckOf(int index) const;
    void showPanelVerification(int index);
    void updateSelectionField();
    // Enables the tag command, or says in its tip why it is not available.
    void updateTagCommand();
    // The verification log needs an archive: disabled, with the reason, when the window has none.
    void updateVerificationCommand();
    // The group of the table's current row; -1 when none.
    int currentGroupIndex() const;
    QString tagRefusal() const;
    void openTagDialog();
    void storeTags(qint64 downloadId, const QList<int> &indexes, const QList<GroupTags> &tags, const QString &limitPart,
                   const PartLimit &limit);
    void showPanelStatistics(int index);
    void refreshView(const QList<ArchivedGroup> *archived = nullptr);
    void clearDetails();
    // The row of the group at index in groups() becomes current, and the selection.
    void makeGroupCurrent(int index);
    void showMessage(const QString &text);
    // A failure stays in the status bar, in the language shown, until the data shown change or a command's outcome
    // replaces it; routine messages do not cover it.
    void showFailure(std::function<QString()> text);
    void clearFailure();
    void updateStatusFields();
    void requestGroups();
    void fitToAvailableScreen();
    void exportToExcel();
    void openPrintDialog();
    // The header a report of the download was made with is kept with it in the archive.
    void keepReportHeader(qint64 downloadId, const ReportHeader &header);
    void confirmDeleteAll();
    void on_writer_stored(qint64 request, const StoreResult &result);
    QString archiveFailureText(const QString &reason) const;
    // The full check of an SQLite archive runs in the background once it is open; a recovery reopens it.
    void startArchiveCheck();
    void on_checker_finished(const ArchiveCheckResult &result);
    static QString archiveRecoveredText(const QString &movedTo, int recovered, int unreadable);

    int m_language = 0;
    Ui::MainWindow *ui = nullptr;
    InstrumentLink *m_link = nullptr;
    bool m_linkWanted = false; // startLink() was called: the search begins after the first frame
    QList<MeasurementGroup> m_groups;
    QList<GroupTrace> m_traces; // parallel to m_groups
    QList<Verdict> m_verdicts;  // parallel to m_groups
    VerificationLog m_log;
    bool m_logKnown = false;          // m_log was read: each group is verified or not
    QLabel *m_verifiedMark = nullptr; // the panel's mark under the verdict
    QAction *m_tagAction = nullptr;
    QStandardItemModel *m_model = nullptr;
    QFont m_font;
    QLabel *m_linkState = nullptr;
    bool m_started = false;             // afterFirstFrame() has run
    std::unique_ptr<Archive> m_archive; // none until the archive is opened; reads on the window's thread
    ArchiveWriter *m_writer = nullptr;  // stores, on a thread of its own, once the archive was opened here
    qint64 m_awaitedStore = 0;          // the writer's request for the live download shown; 0: none awaited
    QString m_archiveLocation;
    bool m_archivePending = false;     // a location is set, the archive not yet opened
    ArchiveOpenResult m_archiveResult; // its reason says why the archive could not be opened
    ArchiveChecker *m_checker = nullptr;
    QLabel *m_shownField = nullptr;  // which download the table shows
    QLabel *m_notArchived = nullptr; // shown while the download shown is not in the archive
    ShownData m_shown;
    AttemptState m_attempt;
    std::function<QString()> m_failure; // the failure on show, if any
    QByteArray m_startGeometry;         // as the first frame had it: the window is remembered once it was changed

    QLabel *m_untrustedSettings = nullptr; // made by warnUntrustedSettings()
};
