// The history searched by part: the downloads and the groups that carry it, judged, summed up, and opened.
#include "archive.h"
#include "groupencoder.h"
#include "historydialog.h"
#include "historygroups.h"
#include "mainwindow.h"
#include "resourcesinit.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// D on steel, shown in HRC, measured on 14 March at 9:minute. HL 700 is HRC 48, 750 HRC 54, 950 above the HRC range.
GroupRecord group(quint16 value, quint8 minute)
{
    return {3, minute, 14, 9, 0, value, DeviceD, ScaleHRC, 0, 1, {value}, 0};
}

const QDateTime First(QDate(2026, 3, 20), QTime(8, 0), Qt::UTC);

QString localText(const QDateTime &utc)
{
    return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        initResources();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void searchByPart()
    {
        // The second download still holds the first one's two groups: each is listed once, from the first.
        const QString path = m_dir.filePath(QStringLiteral("archive.sqlite"));
        const QList<GroupRecord> groups = {group(700, 0), group(950, 5), group(750, 10), group(600, 15)};
        const QDateTime second = First.addDays(1);
        Archive archive;
        QVERIFY(archive.open(path).ok());
        const StoreResult a = archive.storeDownload(makeDownload(encodeGroups(groups.mid(0, 2)), "COM3", First));
        const StoreResult b = archive.storeDownload(makeDownload(encodeGroups(groups), "COM3", second));
        const StoreResult untagged =
            archive.storeDownload(makeDownload(encodeGroups({group(500, 20)}), "COM3", First.addDays(2)));
        QVERIFY(a.ok() && b.ok() && untagged.ok());
        QVERIFY(archive.setGroupTags(a.downloadId, {0, 1}, {"P1", "H7", "W1", "Li", ""}, TagWrite::All, nullptr));
        QVERIFY(archive.setGroupTags(b.downloadId, {2}, {"P1", "H8", "", "", ""}, TagWrite::All, nullptr));
        QVERIFY(archive.setGroupTags(b.downloadId, {3}, {"P2", "H7", "", "", ""}, TagWrite::All, nullptr));
        PartLimit limit;
        limit.scale = ScaleHRC;
        limit.low = 50;
        limit.high = 60;
        QVERIFY(archive.setPartLimit("P1", limit, nullptr));

        MainWindow window;
        QSignalSpy opened(&window, &MainWindow::archiveOpened);
        window.setArchiveLocation(path);
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 10000);
        window.findChild<QPushButton *>("pushButton_history")->click();
        auto *dialog = window.findChild<HistoryDialog *>();
        QVERIFY(dialog);
        auto *part = dialog->findChild<QComboBox *>("comboBox_part");
        QCOMPARE(part->count(), 3); // no part, then the parts used: P1, P2
        QCOMPARE(part->itemText(2), QStringLiteral("P2"));
        QVERIFY(dialog->findChild<QGroupBox *>()->isHidden());
        part->setCurrentIndex(1);

        // The downloads holding a group of P1, newest first; the untagged one is left out.
        QAbstractItemModel *downloads = dialog->model();
        QCOMPARE(downloads->rowCount(), 2);
        QCOMPARE(dialog->model()->downloadId(0), b.downloadId);
        QCOMPARE(dialog->model()->downloadId(1), a.downloadId);
        // Its groups in measuring order, each with the download it first came in.
        auto *view = dialog->findChild<QTableView *>("tableView_groups");
        QVERIFY(view->isVisible());
        QStringList rows;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < HistoryGroupsModel::ColumnCount; ++column)
                cells << view->model()->index(row, column).data().toString();
            rows << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(rows, QStringList({"2026-03-14 09:00|48 HRC|P1|H7|W1|Li|偏低|" + localText(First),
                                    "2026-03-14 09:05|HI HRC|P1|H7|W1|Li|未判定|" + localText(First),
                                    "2026-03-14 09:10|54 HRC|P1|H8|||合格|" + localText(second)}));
        // The colour goes with the text, never instead of it.
        QVERIFY(view->model()->index(0, HistoryGroupsModel::VerdictColumn).data(Qt::BackgroundRole).isValid());
        // HL 700, 950, 750: mean 800; deviations -100, 150, -50 give sqrt(35000 / 2) = 132.29; of the two judged
        // (HI has no HRC), one passes.
        QCOMPARE(dialog->findChild<QLabel *>("label_summary")->text(),
                 QStringLiteral("3 组：平均 800 HL，标准差 132.3 HL，合格 1/2"));

        // Opening the third group shows its download with its row current.
        view->setCurrentIndex(view->model()->index(2, 0));
        QTest::keyClick(view, Qt::Key_Return);
        auto *table = window.findChild<QTableView *>("tableView");
        QCOMPARE(table->model()->rowCount(), 4);
        QCOMPARE(table->currentIndex().row(), 2);
        QCOMPARE(window.findChild<QLabel *>("label_shownData")->text(),
                 QStringLiteral("存档数据 ") + localText(second));
    }

    // While another program rebuilds a damaged archive (and holds its lock), the window waits a few seconds, not a
    // store's 30, and then says why it has no archive; History finds the archive once the lock is free.
    void archiveHeldByRecovery()
    {
        const QString path = m_dir.filePath(QStringLiteral("held.sqlite"));
        QVERIFY(Archive().open(path).ok());
        QLockFile recovering(path + ".lock");
        QVERIFY(recovering.tryLock(0));
        MainWindow window;
        QSignalSpy opened(&window, &MainWindow::archiveOpened);
        window.setArchiveLocation(path);
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 15000);
        const QString said = window.statusBar()->currentMessage();
        QVERIFY2(said.startsWith("存档失败: ") && said.contains("held.sqlite.lock is held by another program"),
                 qPrintable(said));
        recovering.unlock();
        window.findChild<QPushButton *>("pushButton_history")->click();
        QVERIFY(window.findChild<HistoryDialog *>());
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
