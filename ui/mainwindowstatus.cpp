// The status bar's messages and fields, the archive's background check, the language switch and the window's place
// on the screen.
#include "mainwindow.h"

#include "instrumentlink.h"
#include "languagesettings.h"
#include "settings.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardItemModel>
#include <QWindow>

namespace {

constexpr int MessageMs = 3000;

} // namespace

void MainWindow::openFailedArchiveAgain()
{
    // The archive may be back: a server up again, another program done rebuilding a damaged file.
    if (!m_archive || m_archive->isOpen() || m_archiveResult.outcome != ArchiveOpenResult::Failed)
        return;
    m_archiveResult = m_archive->open(m_archiveLocation);
    if (!m_archiveResult.ok())
        return;
    clearFailure();
    refreshVerification(); // the rows shown without a log are marked now
    updateTagCommand();
    updateVerificationCommand();
}

void MainWindow::startArchiveCheck()
{
    ArchiveLocation location;
    if (!parseArchiveLocation(m_archiveLocation, &location, nullptr) || location.kind != ArchiveLocation::SQLite)
        return; // a server checks its own data
    if (!m_checker) {
        m_checker = new ArchiveChecker(this);
        connect(m_checker, &ArchiveChecker::finished, this, &MainWindow::on_checker_finished);
    }
    m_checker->start(location.path);
}

void MainWindow::on_checker_finished(const ArchiveCheckResult &result)
{
    switch (result.outcome) {
    case ArchiveCheckResult::Sound:
        return;
    case ArchiveCheckResult::Reindexed:
        qWarning() << "archive indexes rebuilt:" << result.problems.mid(0, 3);
        showFailure([] { return tr("存档的索引已损坏，已重建"); });
        return;
    case ArchiveCheckResult::Recovered:
        qWarning() << "archive damaged, moved to" << result.movedAsidePath << "recovered" << result.recovered;
        // The connection still holds the file set aside: the archive is the new one at the path.
        if (m_archive)
            m_archiveResult = m_archive->open(m_archiveLocation);
        // The new archive numbers its downloads afresh: the id of the one shown may now name another download, and
        // tags or a report header must never land there. Opened again from History, it is tagged again.
        m_shown.downloadId = 0;
        updateStatusFields();
        showFailure(
            [result] { return archiveRecoveredText(result.movedAsidePath, result.recovered, result.unreadable); });
        return;
    case ArchiveCheckResult::Failed:
        qWarning() << "archive check failed:" << result.reason;
        showFailure([reason = result.reason] { return tr("存档检查失败") + QStringLiteral(": ") + reason; });
        return;
    }
}

QString MainWindow::archiveRecoveredText(const QString &movedTo, int recovered, int unreadable)
{
    QString text =
        tr("存档已损坏，已移至 %1；新的存档收入了其中 %2 次下载").arg(QDir::toNativeSeparators(movedTo)).arg(recovered);
    if (unreadable > 0)
        text += tr("，%1 次下载无法读取").arg(unreadable);
    return text;
}

void MainWindow::fitToAvailableScreen()
{
    const QScreen *shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return;
    // Until the window is on screen its frame is not known: a title bar and borders as most desktops draw them.
    const QMargins frame =
        windowHandle() && windowHandle()->isExposed() ? windowHandle()->frameMargins() : QMargins(4, 32, 4, 4);
    const FittedSize fitted = fitToScreen(size(), QSize(1100, 700), shown->availableGeometry().size(), frame);
    setMinimumSize(fitted.minimum);
    resize(fitted.size);
    // A new window is placed by the desktop; one placed by a remembered geometry, or already shown, is kept wholly
    // inside the available area, the title bar included.
    if (!isVisible() && !testAttribute(Qt::WA_Moved))
        return;
    const QRect area = shown->availableGeometry().marginsRemoved(frame);
    QRect placed(pos() + QPoint(frame.left(), frame.top()), fitted.size);
    placed.moveLeft(qBound(area.left(), placed.left(), qMax(area.left(), area.right() - placed.width() + 1)));
    placed.moveTop(qBound(area.top(), placed.top(), qMax(area.top(), area.bottom() - placed.height() + 1)));
    move(placed.topLeft() - QPoint(frame.left(), frame.top()));
}

void MainWindow::showMessage(const QString &text)
{
    if (!m_failure)
        ui->statusBar->showMessage(text, MessageMs);
}

void MainWindow::showFailure(std::function<QString()> text)
{
    m_failure = std::move(text);
    ui->statusBar->showMessage(m_failure());
    // The fields beside it may leave too little room for the whole text.
    ui->statusBar->setToolTip(ui->statusBar->currentMessage());
}

void MainWindow::clearFailure()
{
    if (!m_failure)
        return;
    m_failure = nullptr;
    ui->statusBar->clearMessage();
    ui->statusBar->setToolTip(QString());
}

void MainWindow::updateStatusFields()
{
    const QString shown = shownDataText(m_shown, m_attempt);
    m_shownField->setText(shown);
    m_shownField->setToolTip(m_shown.origin == ShownData::Archived
                                 ? QStringLiteral("%1, %2").arg(m_shown.station, m_shown.port)
                                 : m_shown.port);
    m_shownField->setVisible(!shown.isEmpty());
    m_notArchived->setText(tr("未存档"));
    m_notArchived->setToolTip(m_shown.notArchivedReason);
    // While the archive has not answered, the download is not yet kept but has not failed either.
    m_notArchived->setVisible(m_shown.origin == ShownData::Live && !m_shown.archived && !m_shown.archiving);
    const QString refusal = deleteAllRefusal(m_shown, m_attempt);
    ui->pushButton_removeAll->setEnabled(refusal.isEmpty());
    ui->pushButton_removeAll->setToolTip(refusal.isEmpty() ? deleteAllTip(m_shown) : refusal);
    updateTagCommand();
}

void MainWindow::warnUntrustedSettings()
{
    if (!m_untrustedSettings) {
        // As the field that marks a download not kept: the same colours, left of it.
        m_untrustedSettings = new QLabel(this);
        m_untrustedSettings->setObjectName(QStringLiteral("label_untrustedSettings"));
        m_untrustedSettings->setPalette(m_notArchived->palette());
        m_untrustedSettings->setAutoFillBackground(true);
        m_untrustedSettings->setContentsMargins(m_notArchived->contentsMargins());
        ui->statusBar->insertPermanentWidget(0, m_untrustedSettings);
    }
    m_untrustedSettings->setText(tr("未采用设置文件中的存档位置"));
    m_untrustedSettings->setToolTip(
        tr("%1 属于其他用户或可被其他用户修改：未采用其中的存档位置，使用默认存档")
            .arg(QDir::toNativeSeparators(QFileInfo(QString::fromLatin1(Settings::fileName)).absoluteFilePath())));
}

void MainWindow::loadLanguage()
{
    m_language = Settings::language();
}

bool MainWindow::saveLanguage()
{
    if (Settings::setLanguage(m_language))
        return true;
    qWarning() << "cannot write the language to" << Settings::fileName;
    return false;
}

void MainWindow::retranslateTexts()
{
    ui->pushButton_gain->setText(tr("重新获取"));
    ui->pushButton_removeAll->setText(tr("删除所有"));
    ui->pushButton_print->setText(tr("打印"));
    ui->pushButton_exportExcel->setText(tr("导出Excel"));
    ui->pushButton_language->setText(tr("中英切换"));
    ui->pushButton_history->setText(tr("历史记录"));
    ui->pushButton_verification->setText(tr("验证"));
    updateVerificationCommand();
    ui->label_33->setText(tr("样本数"));
    ui->label_15->setText(tr("最小值 (HL)"));
    ui->label_17->setText(tr("最大值 (HL)"));
    ui->label->setText(tr("平均值 (HL)"));
    ui->pushButton_tags->setText(tr("标签…"));
    ui->label_sdCaption->setText(tr("标准差 (HL)"));
    ui->label_rangeCaption->setText(tr("极差 (HL)"));
    ui->label_verdictCaption->setText(tr("判定"));
    setTableHeaders();
}

void MainWindow::on_pushButton_language_clicked()
{
    // Any value but 0 reads as English: flipping a bit of a hand-edited 2 would leave it English.
    m_language = m_language == 0 ? 1 : 0;
    const bool saved = saveLanguage();
    // Every widget retranslates itself on the change event the new catalogues bring.
    LanguageSettings::install(m_language);
    // The window speaks the new language all the same; the next start will not.
    if (!saved)
        showFailure([] { return Settings::writeFailureText(); });
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    ui->retranslateUi(this);
    retranslateTexts();
    m_linkState->setText(linkStateText(m_link->state()));
    m_linkState->setToolTip(m_linkState->text());
    updateStatusFields();
    if (m_untrustedSettings)
        warnUntrustedSettings();
    if (m_failure)
        showFailure(m_failure);
    // The panel, the rows' verdicts, texts and tips, and the selection's statistics in the new language; the rows are
    // updated in place, so that the current row and the selection stay.
    on_currentRowChanged(ui->tableView->currentIndex());
    for (int row = 0; row < m_model->rowCount() && row < m_groups.size(); ++row)
        fillRow(row);
    updateSelectionField();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Remembered only once the operator moved or resized it: a first start that changes nothing writes no file.
    const QByteArray geometry = saveGeometry();
    if (!m_startGeometry.isEmpty() && geometry != m_startGeometry && !Settings::setWindowGeometry(geometry))
        qWarning() << "cannot write the window's geometry to" << Settings::fileName;
    QMainWindow::closeEvent(event);
}
