// Damaged, foreign and older SQLite archives: schema upgrades, leeb-archive check, racing starters, a file moved aside,
// the files' modes.
#include "../program.h"
#include "measurementgroup.h"
#include "station.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sys/stat.h>

namespace {

const QByteArray Payload = encodeGroups({group(700, DeviceD15, 0, ScaleHRC, 12, 30)});

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int permissions(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Runs statements on an SQLite file past the archive, on a connection of the test's own.
bool sqlOn(const QString &path, const QStringList &statements, QVariantList *firstRow = nullptr)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            ok = ok && query.exec(statement);
            if (!ok)
                qWarning() << statement << query.lastError().text();
        }
        for (int i = 0; ok && firstRow && (i || query.next()) && i < query.record().count(); ++i)
            firstRow->append(query.value(i));
    }
    QSqlDatabase::removeDatabase("raw");
    return ok;
}

int downloadCount(const QString &location)
{
    Archive archive;
    QList<DownloadInfo> listed;
    if (!archive.open(location, Archive::ReadOnly).ok() ||
        !archive.downloads(DownloadFilter(), 0, 1000, &listed, nullptr))
        return -1;
    return listed.size();
}

// Downloads from..to-1 of two groups, i measured on i + 1 May 2026, received i minutes after DownloadTime.
bool storeMay(const QString &path, int from, int to)
{
    Archive archive;
    const bool opened = archive.open(path).ok();
    for (int i = from; i < to && opened; ++i)
        archive.storeDownload(makeDownload(encodeGroups({group(400 + i, DeviceD, 0, 0, 5, quint8(1 + i)),
                                                         group(500 + i, DeviceD, 0, 0, 5, quint8(1 + i))}),
                                           "p", DownloadTime.addSecs(60 * i)),
                              "lab-3");
    return opened;
}

// An archive of ten such downloads; the fourth one confirmed later and kept by an older version.
QString tenDownloads(const QString &folder)
{
    const QString path = folder + "/a.sqlite";
    if (!storeMay(path, 0, 10))
        return QString();
    sqlOn(path, {"UPDATE download SET program_version = '0.0.9', confirmed_at = '2027-01-03T08:00:00.000Z' "
                 "WHERE id = 4"});
    return path;
}

// Overwrites the download table's first leaf page, three downloads, with garbage.
bool damageTablePage(const QString &path)
{
    QVariantList page;
    if (!sqlOn(path,
               {"SELECT pageno, ncell, (SELECT page_size FROM pragma_page_size) FROM dbstat "
                "WHERE name = 'download' AND pagetype = 'leaf' ORDER BY pageno LIMIT 1"},
               &page) ||
        page.value(1).toInt() != 3)
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek((page[0].toLongLong() - 1) * page[2].toLongLong()) &&
           file.write(QByteArray(page[2].toInt(), '\xab')) == page[2].toInt();
}

// Leaves the date index without the groups of the last three downloads: SQLite's own rows and pages stay sound.
bool damageIndex(const QString &path)
{
    const QString index = "UPDATE sqlite_master SET sql = %1 WHERE name = 'measurement_group_by_date'";
    return sqlOn(path, {"DELETE FROM measurement_group WHERE download_id > 7", "DELETE FROM download WHERE id > 7",
                        "PRAGMA writable_schema = ON", index.arg("sql || ' WHERE 0'")}) &&
           storeMay(path, 7, 10) &&
           sqlOn(path, {"PRAGMA writable_schema = ON", index.arg("replace(sql, ' WHERE 0', '')")});
}

// The groups measured in May as an export sees them, through the date index.
int groupsInMay(const QString &path)
{
    Archive archive;
    QList<ArchivedGroup> found;
    return archive.open(path, Archive::ReadOnly).ok() &&
                   archive.groupsMeasuredBetween(QDate(2026, 5, 1), QDate(2026, 5, 31), &found, nullptr)
               ? int(found.size())
               : -1;
}

} // namespace

class TestArchiveDamage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_databases = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(giveToNobody(m_dir.path())); // the stations run as nobody when the test runs as root
    }

    // leeb-archive check: what it finds, what it does, and what the archive at the path then holds.
    void check_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("downloads"); // at the path afterwards
        QTest::addColumn<int>("groups");    // of May, through the date index
        QTest::newRow("sound") << "" << 0 << QByteArray("is sound") << 10 << 20;
        // The quick check at every start finds nothing here, and an export silently lost six groups.
        QTest::newRow("index without the last three downloads: rebuilt, every group back")
            << "index" << 1 << QByteArray("missing from index measurement_group_by_date): rebuilt") << 10 << 20;
        QTest::newRow("table page: kept aside, the readable downloads in a new archive")
            << "table" << 1 << QByteArray("the new archive holds 7 download(s), 3 could not be read") << 7 << 14;
        QTest::newRow("another program's file: refused untouched")
            << "foreign" << 1 << QByteArray("is not a measurement archive: it holds tables of another program (sample)")
            << -1 << -1;
    }

    void check()
    {
        QFETCH(QString, damage);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(int, downloads);
        QFETCH(int, groups);
        const QString folder = m_dir.filePath(QStringLiteral("c%1").arg(++m_databases));
        QVERIFY(QDir().mkpath(folder));
        QString path = folder + "/a.sqlite";
        if (damage == "foreign")
            QVERIFY(sqlOn(path, {"CREATE TABLE sample (x)", "INSERT INTO sample VALUES (1)"}));
        else
            QCOMPARE(tenDownloads(folder), path);
        if (damage == "index") {
            QVERIFY(damageIndex(path));
            QCOMPARE(groupsInMay(path), 14);
        }
        const ReportHeader header{"B-17", "Wang", "", "weld 3", "Lab"};
        if (damage == "table") { // the trace of a download beyond the damaged page must come through
            Archive traced;
            QVERIFY(traced.open(path).ok() &&
                    traced.setGroupTags(4, {0}, {"P-1", "H-9", "", "", ""}, TagWrite::All, nullptr));
            QVERIFY(traced.setPartLimit("P-1", {ScaleHRC, 50, {}}, nullptr) &&
                    traced.setReportHeader(4, header, nullptr));
            ReferenceBlock block{0, "B-1", DeviceD, 760, std::nullopt, "", QDate(), 4.0, std::nullopt};
            QVERIFY(traced.addBlock(&block, nullptr));
            VerificationCheck check{0, block.id, QDateTime(QDate(2027, 1, 2), QTime(8, 0, 30)), "Li", {765, 757, 761}};
            QVERIFY(traced.addCheck(&check, nullptr));
            traced.close();
            QVERIFY(damageTablePage(path));
        }
        const QByteArray before = contents(path);
        if (damage == "foreign") {
            const ArchiveOpenResult opened = Archive().open(path);
            QVERIFY2(opened.reason.toUtf8().contains(output), qPrintable(opened.reason));
        }

        const ProgramRun tool = runProgram(LEEB_ARCHIVE_TOOL, {"--archive", path, "--language", "en", "check"});
        const QByteArray said = tool.out + tool.err;
        QCOMPARE(tool.exitCode, exitCode);
        QVERIFY2(said.contains(output), said.constData());
        QCOMPARE(downloadCount(path), downloads);
        QCOMPARE(groupsInMay(path), groups);
        const QStringList aside = QDir(folder).entryList({"a.sqlite.corrupt-*[0-9]"});
        if (damage == "foreign")
            QCOMPARE(contents(path), before);
        if (damage != "table") {
            QCOMPARE(aside, QStringList());
            return;
        }
        QVERIFY2(aside.size() == 1 && said.contains(folder.toUtf8() + "/" + aside[0].toUtf8()), said.constData());
        QCOMPARE(contents(folder + "/" + aside[0]), before);
        // The first readable download as it was kept, not as it was recovered.
        Archive recovered;
        DownloadInfo first;
        QVERIFY(recovered.open(path, Archive::ReadOnly).ok() && recovered.download(1, &first, nullptr));
        QCOMPARE(QStringList({first.downloadedAt.toString(Qt::ISODate), first.confirmedAt.toString(Qt::ISODate),
                              first.station, first.programVersion}),
                 QStringList({"2027-01-02T10:03:00Z", "2027-01-03T08:00:00Z", "lab-3", "0.0.9"}));
        QList<ArchivedGroup> tagged;
        QHash<QString, PartLimit> limits;
        ReportHeader kept;
        QVERIFY(recovered.loadArchivedGroups(1, &tagged, nullptr) && recovered.partLimits(&limits, nullptr) &&
                recovered.reportHeader(1, &kept, nullptr));
        QCOMPARE(tagged.value(0).tags.heat, QString("H-9"));
        QVERIFY(limits.value("P-1").low == 50 && !limits.value("P-1").high && kept == header);
        QList<ReferenceBlock> blocks;
        QList<VerificationCheck> checks;
        QVERIFY(recovered.blocks(&blocks, nullptr) && blocks.size() == 1 && blocks[0].maxError == 4.0);
        QVERIFY(recovered.checks(blocks[0].id, &checks, nullptr) && checks.size() == 1);
        QVERIFY(checks[0].at == QDateTime(QDate(2027, 1, 2), QTime(8, 0, 30)) && checks[0].operatorName == "Li" &&
                checks[0].readings == (QList<int>{765, 757, 761}));
    }

    // Several programs start at once on a damaged archive, each then storing three downloads.
    void racingStarters()
    {
        const QString folder = m_dir.filePath(QStringLiteral("r%1").arg(++m_databases));
        QVERIFY(QDir().mkpath(folder));
        const QString path = tenDownloads(folder);
        QVERIFY(damageTablePage(path));
        const QByteArray failed = killedStations(path, 4, 3);
        QVERIFY2(failed.isEmpty(), failed.constData());
        // Only the damaged file was set aside, once; every download is in the file at the path.
        QCOMPARE(QDir(folder).entryList({"a.sqlite.corrupt-*[0-9]"}).size(), 1);
        QCOMPARE(downloadCount(path), 7 + 4 * 3);
    }

    // While one program sets a damaged file aside and builds the new archive at its path, another one opening the
    // archive waits: a file it made there meanwhile would have its journal files moved away with the damaged one's.
    void openWaitsForMoveAside()
    {
        const QString folder = m_dir.filePath(QStringLiteral("w%1").arg(++m_databases));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/a.sqlite";
        QLockFile recovering(path + ".lock");
        QVERIFY(recovering.tryLock(0));
        QProcess station;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_LOGGING_RULES", "leeb.archive.info=true");
        station.setProcessEnvironment(env);
        station.start(QCoreApplication::applicationFilePath(), {"--store", path, "p", "1"});
        QByteArray said;
        QVERIFY(QTest::qWaitFor(
            [&] {
                said += station.readAllStandardError();
                return said.contains("is held by another program; waiting") || station.state() == QProcess::NotRunning;
            },
            30000));
        QVERIFY2(station.state() == QProcess::Running && !QFileInfo::exists(path), said.constData());
        recovering.unlock();
        QVERIFY(station.waitForFinished(30000));
        QCOMPARE(station.exitCode(), 0);
        QCOMPARE(downloadCount(path), 1);
    }

    // Another program set the file aside and started a new one at its path while this one held it open.
    void storeAfterMovedAside()
    {
        const QString folder = m_dir.filePath(QStringLiteral("m%1").arg(++m_databases));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/a.sqlite";
        Archive holder;
        QVERIFY(holder.open(path).ok() && holder.storeDownload(makeDownload(Payload, "p")).ok());
        for (const char *suffix : {"", "-wal", "-shm"})
            QVERIFY(QFile::rename(path + suffix, path + ".aside" + suffix));
        Archive other;
        QVERIFY(other.open(path).ok() && other.storeDownload(makeDownload(Payload, "q")).ok());
        const StoreResult stored = holder.storeDownload(makeDownload(Payload, "r"));
        QVERIFY2(stored.ok(), qPrintable(stored.reason));
        QCOMPARE(downloadCount(path), 2);
        holder.close();
        QCOMPARE(downloadCount(path + ".aside"), 1);
    }

    void filePermissions()
    {
        // A new archive in a new folder is this user's alone, whatever the umask.
        const mode_t umask = ::umask(022);
        const QString folder = m_dir.filePath(QStringLiteral("f%1").arg(++m_databases));
        Archive archive;
        QVERIFY(archive.open(folder + "/lab/a.sqlite").ok());
        ::umask(umask);
        QStringList modes;
        for (const QString &name : {folder, folder + "/lab", folder + "/lab/a.sqlite", folder + "/lab/a.sqlite-wal"})
            modes << QString::number(permissions(name), 8);
        QCOMPARE(modes, QStringList({"700", "700", "600", "600"}));
        archive.close();

        // A reader of the read-only file left a read-only -shm: once writable, it takes downloads (as nobody).
        const QString path = folder + "/lab/a.sqlite";
        for (const QString &name : {folder, folder + "/lab", path})
            QVERIFY(giveToNobody(name));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        QByteArray err;
        QCOMPARE(runAsNobody(LEEB_ARCHIVE_TOOL, {"--archive", path, "list"}, folder, &err), 0);
        QCOMPARE(QString::number(permissions(path + "-shm"), 8), "400");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(runAsNobody(QCoreApplication::applicationFilePath(), {"--store", path, "p", "1"}, folder, &err), 0);
        QCOMPARE(downloadCount(path), 1);
    }

    // A version-2 file: upgraded in place to hold the verification log, its groups and tags as they were.
    void upgradeFromVersion2()
    {
        const QString path = m_dir.filePath("v2.sqlite");
        QVERIFY(QFile::copy(QFINDTESTDATA("archive-v2.sqlite"), path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        Archive archive;
        QVERIFY(archive.open(path, Archive::ReadOnly)
                    .reason.endsWith("has schema version 2, this program reads 3: "
                                     "open it once with the program to bring it up "
                                     "to date"));
        QCOMPARE(archive.open(path).outcome, ArchiveOpenResult::Opened);
        QList<DownloadInfo> downloads;
        QList<ArchivedGroup> groups;
        QString error;
        QVERIFY(archive.downloads({}, 0, 10, &downloads, &error) && downloads.size() == 1);
        QVERIFY(archive.loadArchivedGroups(downloads[0].id, &groups, &error) && groups.size() == 2);
        QCOMPARE(groups[0].measuredAt, QDateTime(QDate(2026, 6, 3), QTime(14, 30)));
        QCOMPARE(groups[0].tags.part, QStringLiteral("P-2"));
        QCOMPARE(groups[1].record.device, quint8(DeviceG));
        ReferenceBlock block{0, "B-1", DeviceD, 760, std::nullopt, "", QDate(), std::nullopt, std::nullopt};
        VerificationCheck check{0, 0, QDateTime(QDate(2026, 6, 3), QTime(14, 0)), "", {760, 761, 759}};
        QVERIFY(archive.addBlock(&block, &error));
        check.blockId = block.id;
        QVERIFY2(archive.addCheck(&check, &error), qPrintable(error));
        archive.close();
        QVERIFY(archive.open(path, Archive::ReadOnly).ok());
        QList<VerificationCheck> checks;
        QVERIFY(archive.checks(block.id, &checks, &error) && checks.size() == 1);
    }

    // A version-1 file: upgraded in place at its first writable open, groups intact and keyed as new ones are.
    void upgrade()
    {
        const QString path = m_dir.filePath("v1.sqlite");
        QVERIFY(QFile::copy(QFINDTESTDATA("archive-v1.sqlite"), path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        Archive archive;
        ArchiveOpenResult opened = archive.open(path, Archive::ReadOnly);
        QVERIFY2(opened.reason.endsWith("has schema version 1, this program reads 3: open it once with the program "
                                        "to bring it up to date"),
                 qPrintable(opened.reason));
        QCOMPARE(archive.open(path).outcome, ArchiveOpenResult::Opened);
        QList<DownloadInfo> downloads;
        QString error;
        QVERIFY(archive.downloads({}, 0, 10, &downloads, &error));
        QCOMPARE(downloads.size(), 3);
        QList<ArchivedGroup> groups;
        QVERIFY(archive.loadArchivedGroups(downloads[2].id, &groups, &error) && groups.size() == 1);
        QCOMPARE(groups[0].record.groupValue, quint16(400));
        QCOMPARE(groups[0].measuredAt, QDateTime(QDate(2026, 5, 1), QTime(9, 5)));
        QVERIFY(archive.setGroupTags(downloads[2].id, {0}, {"P-1", "", "", "", ""}, TagWrite::All, &error));
        // The same measurement again, from another port: it carries the tag set before.
        const Download again =
            makeDownload(encodeGroups({group(400, DeviceD, 0, 0, 5, 1)}), "other", downloads[2].downloadedAt);
        const StoreResult stored = archive.storeDownload(again, downloads[2].station);
        QVERIFY(archive.loadArchivedGroups(stored.downloadId, &groups, &error) && groups.size() == 1);
        QCOMPARE(groups[0].tags.part, QStringLiteral("P-1"));
        archive.close();
        QVERIFY(archive.open(path, Archive::ReadOnly).ok());
    }
};

int main(int argc, char *argv[])
{
    return stationOrTest<TestArchiveDamage>(argc, argv);
}

#include "tst_archivedamage.moc"
