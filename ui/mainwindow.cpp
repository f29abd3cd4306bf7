#include "mainwindow.h"

#include "archivewriter.h"
#include "excelexport.h"
#include "historydialog.h"
#include "instrumentlink.h"
#include "languagesettings.h"
#include "print.h"
#include "resourcesinit.h"
#include "savefile.h"
#include "settings.h"
#include "ui_mainwindow.h"
#include "verificationdialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QSysInfo>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int ScanIntervalMs = 2000;
// What follows the first frame waits no longer for it than this: a window started minimized is not exposed at all.
constexpr int FirstFrameWaitMs = 500;
// While another program rebuilds a damaged archive: the window's own connection waits this long, then says why.
constexpr int WindowLockWaitMs = 3000;
const QColor CaptionColour(14, 110, 123); // the values' background

enum CommandId { ExportExcel = 0, Reacquire = 2, PrintReport = 3, DeleteAll = 4, Tags = 5 };

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    initResources();
    // Before the form: its widgets are made in the application font, rather than made in the default one, measured,
    // and then all changed and measured again.
    m_font = setEmbeddedApplicationFont();
    ui->setupUi(this);
    applyFont(m_font);

    fitToAvailableScreen();
    // Where the operator left it, if it was ever changed.
    const QByteArray geometry = Settings::windowGeometry();
    if (!geometry.isEmpty() && restoreGeometry(geometry))
        fitToAvailableScreen();

    m_link = new InstrumentLink(this);
    m_link->setLastPort(Settings::lastPort()); // as older versions wrote it; the archive's latest download comes first
    m_linkState = new QLabel(this);
    m_linkState->setObjectName(QStringLiteral("label_linkState"));
    // A long reason must not widen the window: the field gives way, the tooltip keeps the whole text.
    m_linkState->setMinimumWidth(1);
    ui->statusBar->addPermanentWidget(m_linkState);
    connect(m_link, &InstrumentLink::stateChanged, this, &MainWindow::on_link_stateChanged);
    on_link_stateChanged(m_link->state());
    connect(m_link, &InstrumentLink::downloadReceived, this, &MainWindow::on_link_downloadReceived);
    connect(m_link, &InstrumentLink::downloadFailed, this, &MainWindow::on_link_downloadFailed);
    connect(m_link, &InstrumentLink::deleteDone, this, &MainWindow::on_link_deleteDone);
    // Left of the link state: what the table shows, and a warning while it is not kept. Set apart by a background of
    // their own, in a palette: a style sheet would cost each a style to polish and draw with.
    const auto field = [this](const char *name, const QColor &background, const QColor &text) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        QPalette colours = label->palette();
        colours.setColor(QPalette::Window, background);
        colours.setColor(QPalette::WindowText, text);
        label->setPalette(colours);
        label->setAutoFillBackground(true);
        label->setContentsMargins(8, 0, 8, 0);
        return label;
    };
    m_shownField = field("label_shownData", QColor(0xe3, 0xf1, 0xf3), QColor(0x0e, 0x4e, 0x57));
    m_notArchived = field("label_notArchived", QColor(0xfd, 0xe2, 0xe1), QColor(0x8a, 0x1c, 0x14));
    ui->statusBar->insertPermanentWidget(0, m_shownField);
    ui->statusBar->insertPermanentWidget(1, m_notArchived);

    auto *buttons = new QButtonGroup(this);
    buttons->addButton(ui->pushButton_exportExcel, ExportExcel);
    buttons->addButton(ui->pushButton_gain, Reacquire);
    buttons->addButton(ui->pushButton_print, PrintReport);
    buttons->addButton(ui->pushButton_removeAll, DeleteAll);
    buttons->addButton(ui->pushButton_tags, Tags);
    connect(buttons, &QButtonGroup::idClicked, this, &MainWindow::on_buttonClicked);

    setCtrlStatuc(false);
    updateVerificationCommand();
    setupTable();
    updateStatusFields();
    ui->horizontalLayout_chart->setStretchFactor(ui->widget_lineChart, 10);
    ui->horizontalLayout_chart->setStretchFactor(ui->verticalLayout_table, 16);
    loadLanguage();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setExtraPortNames(const QStringList &names)
{
    m_link->setNamedPorts(names);
}

void MainWindow::startLink()
{
    // Listing the system's ports walks the device tree, a thousand system calls and more: after the first frame.
    m_linkWanted = true;
    if (m_started)
        m_link->start(ScanIntervalMs);
}

void MainWindow::applyFont(QFont font)
{
    // Everything else has the application font; the scales' names are smaller, and so is the status bar, which holds
    // a message and three fields side by side at 1155 px and less. One size for both: each size is a font to look up
    // at start.
    font.setPointSize(15);
    const QList<QWidget *> scaleNames = {ui->label_21, ui->label_22, ui->label_23, ui->label_25,
                                         ui->label_27, ui->label_29, ui->label_31};
    for (QWidget *w : scaleNames)
        w->setFont(font);
    ui->statusBar->setFont(font);
    // The captions in the colour of the values below them. A palette rather than a style sheet each: a style sheet
    // costs every label a style of its own to polish and draw with.
    QPalette caption = palette();
    caption.setColor(QPalette::WindowText, CaptionColour);
    const QList<QLabel *> statistics = {ui->label_33,
                                        ui->label_15,
                                        ui->label_17,
                                        ui->label,
                                        ui->label_sdCaption,
                                        ui->label_rangeCaption,
                                        ui->label_verdictCaption};
    for (QWidget *w : scaleNames + QList<QWidget *>{ui->statusBar})
        w->setPalette(caption);
    // Seven statistics side by side fit in English too only in the smaller size, their captions and the verdict
    // free to take two lines; the selection's line under the table is as small.
    for (QLabel *label : statistics) {
        label->setPalette(caption);
        label->setFont(font);
        label->setWordWrap(label != ui->label_33); // one word, which must not be cut
    }
    ui->label_selection->setFont(font);
    ui->label_verdict->setWordWrap(true);
}

void MainWindow::requestGroups()
{
    m_attempt.pending = true;
    m_attempt.failed = false;
    updateStatusFields();
    m_link->requestGroups();
}

void MainWindow::on_link_stateChanged(const LinkState &state)
{
    m_linkState->setText(linkStateText(state));
    m_linkState->setToolTip(m_linkState->text());
    // Only the link coming up or going down speaks; the search moving from port to port shows in the field alone.
    const bool up = state.isConnected();
    if (up == m_attempt.linkUp)
        return;
    // A new connection may hold other data: nothing it has not downloaded may be deleted.
    m_attempt = AttemptState{up, m_attempt.connection + (up ? 1 : 0), false, false, false};
    if (up) {
        showMessage(tr("连接成功"));
        // Every new link downloads the instrument's groups at once.
        requestGroups();
    } else {
        showMessage(tr("连接断开"));
    }
    setCtrlStatuc(up);
    updateStatusFields();
}

QString MainWindow::linkStateText(const LinkState &state)
{
    const QString &port = state.port;
    if (state.phase == LinkState::Connected)
        return tr("已连接 %1").arg(port);
    if (state.phase == LinkState::NotFound) {
        switch (state.reason) {
        case PortStatus::PermissionDenied:
        case PortStatus::InUse: {
            const PortHint hint = portHint(port, state.reason);
            switch (hint.kind) {
            case PortHint::JoinGroup:
                return tr("无权打开 %1：用户须属于拥有该设备的用户组 %2").arg(port, hint.detail);
            case PortHint::OwnerOnly:
                return tr("无权打开 %1：该设备只允许 %2 使用").arg(port, hint.detail);
            case PortHint::StaleLock:
                return tr("%1 被过时的锁文件 %2 占用（进程已不存在）").arg(port, hint.detail);
            case PortHint::None:
                break;
            }
            return state.reason == PortStatus::InUse ? tr("%1 已被其他程序占用").arg(port)
                                                     : tr("无权打开 %1").arg(port);
        }
        case PortStatus::Missing:
            return tr("%1 不存在").arg(port);
        case PortStatus::OpenFailed:
            return tr("无法打开 %1").arg(port);
        case PortStatus::NoPort:
            return tr("没有任何串口");
        case PortStatus::NoAnswer:
        case PortStatus::Ok:
            return port.isEmpty() ? tr("没有仪器应答") : tr("%1 上没有仪器应答").arg(port);
        }
    }
    return port.isEmpty() ? tr("正在查找仪器…") : QStringLiteral("%1 %2").arg(tr("正在查找仪器…"), port);
}

void MainWindow::setCtrlStatuc(bool b)
{
    // "删除所有" follows its own rule, in updateStatusFields().
    ui->pushButton_gain->setEnabled(b);
}

void MainWindow::on_link_downloadReceived(const Download &download)
{
    // Handed to the archive before it is shown, and shown at once: the store runs on the writer's thread, its
    // answer updates this download's mark if it is still on screen.
    openPendingArchive(false);
    m_awaitedStore = m_writer ? m_writer->store(download) : 0;
    const QString archiveError = m_writer ? QString() : QStringLiteral("no archive is set");
    m_groups = download.groups;
    m_attempt.pending = false;
    m_attempt.failed = false;
    m_attempt.deleted = false;
    m_shown = ShownData{ShownData::Live,      download.port, download.receivedUtc, int(download.groups.size()),
                        m_attempt.connection, false,         archiveError,         QString()};
    m_shown.archiving = m_writer != nullptr;
    clearFailure();
    refreshView();
    updateStatusFields();
    // The list stops at the first unused slot; groups behind it must not go unnoticed.
    const int unread = download.unreadGroups;
    const bool empty = download.groups.isEmpty();
    if (unread > 0 || empty || !archiveError.isEmpty())
        showFailure([this, unread, empty, archiveError] {
            QStringList notes;
            if (empty)
                notes << tr("仪器中没有数据");
            if (unread > 0)
                notes << tr("空位之后还有 %n 组数据未读取", nullptr, unread);
            if (!archiveError.isEmpty())
                notes << archiveFailureText(archiveError);
            return notes.join(QStringLiteral("  "));
        });
}

void MainWindow::on_writer_stored(qint64 request, const StoreResult &result)
{
    if (!result.ok())
        qWarning() << "download not archived:" << result.reason;
    // Only the download it was asked for, and only while it is on screen.
    if (request != m_awaitedStore || m_shown.origin != ShownData::Live)
        return;
    m_awaitedStore = 0;
    m_shown.archiving = false;
    m_shown.archived = result.ok();
    m_shown.notArchivedReason = result.reason;
    m_shown.downloadId = result.downloadId;
    updateStatusFields();
    // Its groups may carry tags already: the same measurements kept from an earlier download.
    if (result.ok())
        refreshTraces();
    if (!result.ok())
        showFailure([this, earlier = m_failure, reason = result.reason] {
            const QString notes = earlier ? earlier() : QString();
            return (notes.isEmpty() ? QString() : notes + QStringLiteral("  ")) + archiveFailureText(reason);
        });
}

void MainWindow::on_link_deleteDone()
{
    // What the instrument holds from now on has not been seen.
    m_attempt.deleted = true;
    updateStatusFields();
    clearFailure();
    showMessage(tr("数据删除完成"));
}

void MainWindow::setArchiveLocation(const QString &location)
{
    m_archiveLocation = location;
    m_archivePending = true;
    updateVerificationCommand();
    // After the first frame: at once, and the latest download comes only into an empty window.
    if (m_started)
        QMetaObject::invokeMethod(
            this, [this] { openPendingArchive(m_groups.isEmpty()); }, Qt::QueuedConnection);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_started || !windowHandle())
        return;
    windowHandle()->installEventFilter(this);
    QTimer::singleShot(FirstFrameWaitMs, this, &MainWindow::afterFirstFrame);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The expose paints the window once this returns; what is queued here runs on the next turn of the event loop.
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        QMetaObject::invokeMethod(this, &MainWindow::afterFirstFrame, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::afterFirstFrame()
{
    if (m_started)
        return;
    m_started = true;
    if (windowHandle())
        windowHandle()->removeEventFilter(this);
    // Now that its frame is known, the window fits the screen with it, as it is left for the operator.
    fitToAvailableScreen();
    m_startGeometry = saveGeometry();
    openPendingArchive(true);
    // Unless a caller has started the search with a tick of its own already.
    if (m_linkWanted && m_link->state().phase == LinkState::Idle)
        m_link->start(ScanIntervalMs);
    // The first image decoded loads the image format plugins.
    setWindowIcon(QIcon(QStringLiteral(":/rc/logo.png")));
}

void MainWindow::openPendingArchive(bool showLatest)
{
    if (!m_archivePending)
        return;
    m_archivePending = false;
    m_archive = std::make_unique<Archive>();
    // Not for as long as a store waits: this connection is the window's, and it tries again at its next use.
    m_archive->setLockWait(WindowLockWaitMs);
    m_archiveResult = m_archive->open(m_archiveLocation);
    const ArchiveOpenResult &result = m_archiveResult;
    // Its own connection, opened once this one has checked the archive (and set a damaged file aside); a location
    // that failed here is tried again at every store.
    delete m_writer;
    m_writer = new ArchiveWriter(m_archiveLocation, this);
    connect(m_writer, &ArchiveWriter::stored, this, &MainWindow::on_writer_stored);
    std::function<QString()> message;
    if (result.outcome == ArchiveOpenResult::Failed) {
        message = [this, reason = result.reason] { return archiveFailureText(reason); };
        qWarning() << "no archive:" << result.reason;
    } else if (result.outcome == ArchiveOpenResult::Replaced) {
        message = [result] { return archiveRecoveredText(result.movedAsidePath, result.recovered, result.unreadable); };
        qWarning() << "archive replaced, the damaged file moved to" << result.movedAsidePath;
    } else if (result.outcome == ArchiveOpenResult::Opened) {
        startArchiveCheck();
    }
    // A restart must not leave the screen empty: the last download comes back, unless the instrument has just sent a
    // newer one. Showing it reads the verification log; otherwise it is read here.
    bool shownLatest = false;
    if (result.ok() && showLatest) {
        DownloadInfo latest;
        QString error;
        if (!m_archive->latestDownload(&latest, &error, QSysInfo::machineHostName()))
            message = [this, error] { return archiveFailureText(error); };
        else if (!latest.isNull()) {
            // The port that answered last is probed early: the archive knows it, no settings file need be written.
            m_link->setLastPort(latest.port);
            showArchivedDownload(latest.id);
            shownLatest = m_shown.downloadId == latest.id;
        }
    }
    if (!shownLatest)
        loadVerification();
    // After the latest download is shown, which clears what an earlier download had to say.
    if (message)
        showFailure(message);
    updateTagCommand();
    updateVerificationCommand();
    emit archiveOpened();
}

QString MainWindow::archiveFailureText(const QString &reason) const
{
    return tr("存档失败") + QStringLiteral(": ") + reason;
}

void MainWindow::showArchivedDownload(qint64 id, int slot)
{
    QList<ArchivedGroup> archived;
    DownloadInfo info;
    QString error;
    if (!m_archive || !m_archive->download(id, &info, &error) ||
        !m_archive->loadArchivedGroups(id, &archived, &error)) {
        showFailure([error] { return tr("无法读取存档") + QStringLiteral(": ") + error; });
        return;
    }
    // Read once: the groups shown and their tags.
    m_groups.clear();
    for (const ArchivedGroup &g : std::as_const(archived))
        m_groups.append(g.group());
    m_shown = ShownData{ShownData::Archived, info.port,   info.downloadedAt, int(m_groups.size()), 0, true,
                        QString(),           info.station};
    m_shown.downloadId = id;
    clearFailure();
    loadVerification();
    refreshView(&archived);
    // The archive numbers a download's groups from 0 in the order loadArchivedGroups() lists them.
    if (slot > 0)
        makeGroupCurrent(slot);
    ui->statusBar->clearMessage(); // nothing was fetched from the instrument
    updateStatusFields();
}

void MainWindow::on_pushButton_history_clicked()
{
    openPendingArchive(true);
    openFailedArchiveAgain();
    if (!m_archive || !m_archive->isOpen()) {
        showMessage(tr("没有可用的存档") +
                    (m_archiveResult.reason.isEmpty() ? QString() : QStringLiteral(": ") + m_archiveResult.reason));
        return;
    }
    auto *dialog = new HistoryDialog(m_archive.get(), this);
    connect(dialog, &HistoryDialog::openRequested, this, [this](qint64 id) { showArchivedDownload(id); });
    connect(dialog, &HistoryDialog::openGroupRequested, this, &MainWindow::showArchivedDownload);
    dialog->open();
}

void MainWindow::on_pushButton_verification_clicked()
{
    openPendingArchive(true);
    updateVerificationCommand();
    if (!m_archive || !m_archive->isOpen()) {
        showMessage(ui->pushButton_verification->toolTip());
        return;
    }
    auto *dialog = new VerificationDialog(m_archive.get(), this);
    connect(dialog, &VerificationDialog::checkAdded, this, &MainWindow::refreshVerification);
    const int current = currentGroupIndex();
    if (current >= 0) {
        const MeasurementGroup &g = m_groups.at(current);
        dialog->setCurrentGroup(g.impacts, g.measured, g.deviceName);
    }
    dialog->open();
}

void MainWindow::updateVerificationCommand()
{
    // An archive still to be opened is opened by the click.
    const bool available = m_archivePending || (m_archive && m_archive->isOpen());
    ui->pushButton_verification->setEnabled(available);
    ui->pushButton_verification->setToolTip(
        available ? tr("标准硬度块及其检查记录、控制图")
                  : tr("没有可用的存档") +
                        (m_archiveResult.reason.isEmpty() ? QString() : QStringLiteral(": ") + m_archiveResult.reason));
}

void MainWindow::on_link_downloadFailed()
{
    m_attempt.pending = false;
    m_attempt.failed = true;
    updateStatusFields();
    showFailure([] { return tr("数据校验失败"); });
}

void MainWindow::on_buttonClicked(int btnID)
{
    switch (btnID) {
    case ExportExcel:
        exportToExcel();
        break;
    case Reacquire:
        requestGroups();
        break;
    case PrintReport:
        openPrintDialog();
        break;
    case DeleteAll:
        confirmDeleteAll();
        break;
    case Tags:
        openTagDialog();
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
    const QString fileName =
        askSaveFileName(this, tr("保存Excel"), tr("测试数据"), tr("*.xlsx"), QStringLiteral("xlsx"));
    // A cancelled dialog is no failure: nothing to report.
    if (fileName.isEmpty())
        return;
    QString error;
    const bool saved = exportExcel(fileName, m_groups, m_traces, &error);
    if (!saved) {
        qWarning() << "export failed:" << error;
        showFailure([error] { return tr("保存失败") + QStringLiteral(": ") + error; });
        return;
    }
    clearFailure();
    showMessage(tr("保存成功") + QStringLiteral(": ") +
                QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()));
}

void MainWindow::openPrintDialog()
{
    if (m_groups.isEmpty()) {
        showMessage(tr("暂无数据"));
        return;
    }
    // Several rows selected: the report is of them; otherwise of the whole download.
    QList<int> rows = selectedGroupIndexes();
    if (rows.size() < 2) {
        rows.clear();
        for (int i = 0; i < m_groups.size(); ++i)
            rows << i;
    }
    ReportContent content;
    for (int i : qAsConst(rows)) {
        content.groups << m_groups.at(i);
        content.traces << m_traces.value(i);
    }
    if (m_logKnown)
        setVerification(&content, m_log);
    // A download reported before is reported again with the header it was made with.
    const qint64 downloadId = m_shown.downloadId;
    std::optional<ReportHeader> stored;
    ReportHeader header;
    QString error;
    if (downloadId != 0 && m_archive && m_archive->reportHeader(downloadId, &header, &error) &&
        header != ReportHeader())
        stored = header;
    auto *dialog = new Print(content, this, stored);
    connect(dialog, &Print::message, this, &MainWindow::on_printMessage);
    // After the report's own outcome, so that a header the archive could not keep is said, not covered.
    connect(dialog, &Print::reportMade, this, [this, downloadId](const ReportHeader &made) {
        QTimer::singleShot(0, this, [this, downloadId, made] { keepReportHeader(downloadId, made); });
    });
}

void MainWindow::keepReportHeader(qint64 downloadId, const ReportHeader &header)
{
    // A download not (yet) in the archive has nowhere to keep it.
    if (downloadId == 0 || !m_archive)
        return;
    QString error;
    if (!m_archive->setReportHeader(downloadId, header, &error))
        showFailure([error] { return tr("报告页眉未存档") + QStringLiteral(": ") + error; });
}

void MainWindow::confirmDeleteAll()
{
    // The button is disabled then; a click that was on its way finds the rule checked again.
    if (!deleteAllRefusal(m_shown, m_attempt).isEmpty())
        return;
    // The count and time say what is at stake; No is the default, so that Enter keeps the instrument's data.
    const auto answer = QMessageBox::warning(this, tr("警告"), deleteAllQuestion(m_shown),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    // The question waited on the operator: the link may have gone down or a download failed meanwhile.
    if (answer == QMessageBox::Yes && deleteAllRefusal(m_shown, m_attempt).isEmpty())
        m_link->deleteAll();
}

void MainWindow::on_printMessage(const QString &message)
{
    // The outcome of a print or a saved report, failure or not, stays until the next one.
    showFailure([message] { return message; });
}

void MainWindow::refreshView(const QList<ArchivedGroup> *archived)
{
    showMessage(tr("获取数据"));
    loadTraces(archived);
    fillTable();
    // The first row becomes current, so the table highlights the group the panel shows; a download without groups
    // leaves nothing of the previous one on screen.
    if (m_groups.isEmpty())
        clearDetails();
    else
        ui->tableView->setCurrentIndex(m_model->index(0, 0));
}
