// The measurement archive, the same cases on SQLite and on a PostgreSQL server the test starts itself: what a
// download keeps, the year of its groups, the identical-payload rule, listing, writers killed mid-run, damaged and
// unusable archives, and leeb-archive.
#include "archive.h"
#include "groupdate.h"
#include "groupencoder.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <unistd.h>

namespace {

const QDateTime DownloadTime(QDate(2027, 1, 2), QTime(10, 0), Qt::UTC);

GroupRecord group(quint16 hl, quint8 device, quint8 material, quint8 scale, quint8 month, quint8 day,
                  quint8 tableSet = 0)
{
    GroupRecord r;
    r.month = month;
    r.day = day;
    r.hour = 9;
    r.minute = 5;
    r.groupValue = hl;
    r.device = device;
    r.material = material;
    r.scale = scale;
    r.tableSet = tableSet;
    r.impactCount = 3;
    r.impacts[0] = hl - 4;
    r.impacts[1] = hl;
    r.impacts[2] = hl + 4;
    return r;
}

// D_15 steel HRC at HL 700; D steel HRC at HL 505, inside set 1's curve (500 to 880) but below set 2's (510 to 855);
// D Cr-V steel STR at HL 600 on 29 February of a common year; a gap, then a slot that must not count.
const QList<GroupRecord> Groups = {group(700, DeviceD15, 0, ScaleHRC, 12, 30),
                                   group(505, DeviceD, 0, ScaleHRC, 1, 2, 1), group(600, DeviceD, 2, ScaleSTR, 2, 29)};
const QByteArray Payload = encodeGroups(Groups + QList<GroupRecord>{GroupRecord(), group(650, DeviceD, 0, 2, 3, 3)});

// Runs a program as nobody when the test runs as root: the server refuses root, and permissions mean nothing to it.
int run(const QString &program, const QStringList &args, QByteArray *out = nullptr, QByteArray *err = nullptr,
        const QString &dir = QString())
{
    QProcess p;
    p.setWorkingDirectory(dir.isEmpty() ? QDir::tempPath() : dir);
    if (::geteuid() == 0)
        p.start(QStringLiteral("setpriv"),
                QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", program} + args);
    else
        p.start(program, args);
    if (!p.waitForFinished(120000))
        p.kill();
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void giveToNobody(const QString &path)
{
    if (::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
}

} // namespace

class TestArchive : public QObject
{
    Q_OBJECT

public:
    ~TestArchive() override { stopServer(); }

private slots:
    void initTestCase();
    void cleanupTestCase() { stopServer(); }
    void yearRule_data();
    void yearRule();
    void storeAndLoad_data() { backends(); }
    void storeAndLoad();
    void identicalPayload_data() { backends(); }
    void identicalPayload();
    void listing_data();
    void listing();
    void killedWriters_data() { backends(); }
    void killedWriters();
    void damagedFileMovedAside_data();
    void damagedFileMovedAside();
    void unusable_data();
    void unusable();
    void tool_data();
    void tool();

private:
    void backends();
    QString freshLocation();
    QString sharedArchive(qint64 *id);
    void stopServer();

    QTemporaryDir m_dir;
    QString m_pgBin;
    QString m_pgSkip;
    bool m_pgRunning = false;
    int m_databases = 0;
    QMap<QString, QPair<QString, QList<qint64>>> m_shared; // per backend: location, ids of the listing's downloads
};

void TestArchive::initTestCase()
{
    qputenv("TZ", "UTC");
    ::tzset();
    QVERIFY(m_dir.isValid());
    giveToNobody(m_dir.path());
    const QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &version : versions) {
        if (QFileInfo::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(version)))
            m_pgBin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(version);
    }
    if (m_pgBin.isEmpty()) {
        m_pgSkip =
            QStringLiteral("no PostgreSQL server binaries under /usr/lib/postgresql (Debian package postgresql)");
        return;
    }
    const QString data = m_dir.filePath(QStringLiteral("pg"));
    QByteArray err;
    QCOMPARE(run(m_pgBin + "initdb",
                 {"-D", data, "-U", "leeb", "--auth=trust", "--no-locale", "-E", "UTF8", "--no-sync"}, nullptr, &err,
                 m_dir.path()),
             0);
    m_pgRunning = run(m_pgBin + "pg_ctl",
                      {"-D", data, "-l", m_dir.filePath("pg.log"), "-w", "-o",
                       "-k " + m_dir.path() + " -c listen_addresses='' -F", "start"},
                      nullptr, &err, m_dir.path()) == 0;
    QVERIFY2(m_pgRunning, err.constData());
}

void TestArchive::stopServer()
{
    if (m_pgRunning)
        run(m_pgBin + "pg_ctl", {"-D", m_dir.filePath("pg"), "-m", "immediate", "-w", "stop"}, nullptr, nullptr,
            m_dir.path());
    m_pgRunning = false;
}

void TestArchive::backends()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("postgresql") << "postgresql";
}

// A new, empty archive of the row's backend.
QString TestArchive::freshLocation()
{
    const QString name = QStringLiteral("a%1").arg(++m_databases);
    if (QString::fromLatin1(QTest::currentDataTag()).startsWith(QLatin1String("sqlite")))
        return m_dir.filePath(name + ".sqlite");
    if (!m_pgSkip.isEmpty())
        return QString();
    const QString location = QStringLiteral("postgresql://leeb@/%1?host=%2").arg(name, m_dir.path());
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
        admin.setHostName(m_dir.path());
        admin.setUserName(QStringLiteral("leeb"));
        admin.setDatabaseName(QStringLiteral("postgres"));
        if (!admin.open() || !QSqlQuery(admin).exec("CREATE DATABASE " + name))
            qWarning() << "cannot create the test database" << name;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return location;
}

void TestArchive::yearRule_data()
{
    QTest::addColumn<QDate>("downloaded");
    QTest::addColumn<QList<int>>("monthDayHour");
    QTest::addColumn<QDateTime>("expected");
    const QDate jan2(2027, 1, 2);
    QTest::newRow("same day: this year") << jan2 << QList<int>{1, 2, 9} << QDateTime(jan2, QTime(9, 5));
    QTest::newRow("day after: last year") << jan2 << QList<int>{1, 3, 9} << QDateTime(QDate(2026, 1, 3), QTime(9, 5));
    QTest::newRow("new year's eve") << jan2 << QList<int>{12, 31, 23} << QDateTime(QDate(2026, 12, 31), QTime(23, 5));
    QTest::newRow("29 Feb, leap year") << QDate(2028, 3, 1) << QList<int>{2, 29, 9}
                                       << QDateTime(QDate(2028, 2, 29), QTime(9, 5));
    QTest::newRow("29 Feb, common year: none") << QDate(2027, 3, 1) << QList<int>{2, 29, 9} << QDateTime();
    QTest::newRow("29 Feb of the leap year before")
        << QDate(2029, 1, 5) << QList<int>{2, 29, 9} << QDateTime(QDate(2028, 2, 29), QTime(9, 5));
    QTest::newRow("month 13: none") << jan2 << QList<int>{13, 1, 9} << QDateTime();
    QTest::newRow("hour 24: none") << jan2 << QList<int>{1, 1, 24} << QDateTime();
}

void TestArchive::yearRule()
{
    QFETCH(QDate, downloaded);
    QFETCH(QList<int>, monthDayHour);
    QFETCH(QDateTime, expected);
    QCOMPARE(groupDateTime(monthDayHour[0], monthDayHour[1], monthDayHour[2], 5, downloaded), expected);
}

void TestArchive::storeAndLoad()
{
    const QString location = freshLocation();
    if (location.isEmpty())
        QSKIP(qPrintable(m_pgSkip));
    Archive archive;
    QCOMPARE(archive.open(location).outcome, ArchiveOpenResult::Created);
    const StoreResult stored = archive.storeDownload(Payload, "/dev/ttyUSB0", DownloadTime, "lab-3");
    QCOMPARE(stored.outcome, StoreResult::Stored);
    QCOMPARE(stored.groupCount, 3);
    archive.close();
    QCOMPARE(archive.open(location).outcome, ArchiveOpenResult::Opened);

    QList<MeasurementGroup> groups;
    DownloadInfo info;
    QString error;
    QVERIFY2(archive.loadGroups(stored.downloadId, &groups, &info, &error), qPrintable(error));
    QCOMPARE(info.downloadedAt, DownloadTime);
    QCOMPARE(info.station, "lab-3");
    QCOMPARE(info.port, "/dev/ttyUSB0");
    QCOMPARE(info.programVersion, LEEB_VERSION);
    QCOMPARE(info.groupCount, 3);
    QCOMPARE(groups.size(), 3);
    // -92.626 + 0.2661 * 700 - 9.6506e-5 * 700^2 = 46.36; 1976.8 - 7.5915 * 600 + 0.01012 * 600^2 = 1065.1
    QCOMPARE(int(groups[0].hrc.value), 46);
    QCOMPARE(groups[1].hrc.status, ConversionStatus::BelowRange);
    QCOMPARE(int(groups[2].strength.value), 1065);

    QList<ArchivedGroup> archived;
    QVERIFY(archive.loadArchivedGroups(stored.downloadId, &archived, &error));
    const QList<QDateTime> dates = {QDateTime(QDate(2026, 12, 30), QTime(9, 5)),
                                    QDateTime(QDate(2027, 1, 2), QTime(9, 5)), QDateTime()};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(archived[i].measuredAt, dates[i]);
        QVERIFY(archived[i].record == Groups[i]);
    }
    QByteArray payload;
    QVERIFY(archive.payload(stored.downloadId, &payload, &error));
    QCOMPARE(payload, Payload);
    QVERIFY(archive.latestDownload(&info, &error));
    QCOMPARE(info.id, stored.downloadId);
}

void TestArchive::identicalPayload()
{
    const QString location = freshLocation();
    if (location.isEmpty())
        QSKIP(qPrintable(m_pgSkip));
    Archive archive;
    QVERIFY(archive.open(location).ok());
    const QByteArray other = encodeGroups({Groups[0]});
    struct Step
    {
        QByteArray payload;
        QString station, port;
        StoreResult::Outcome outcome;
        int id;
    };
    const QList<Step> steps = {
        {Payload, "s", "p", StoreResult::Stored, 1}, {Payload, "s", "p", StoreResult::Confirmed, 1},
        {Payload, "s", "q", StoreResult::Stored, 2}, {Payload, "t", "p", StoreResult::Stored, 3},
        {other, "s", "p", StoreResult::Stored, 4},   {Payload, "s", "p", StoreResult::Stored, 5}};
    QList<qint64> ids;
    for (int i = 0; i < steps.size(); ++i) {
        const StoreResult r =
            archive.storeDownload(steps[i].payload, steps[i].port, DownloadTime.addSecs(i), steps[i].station);
        QCOMPARE(r.outcome, steps[i].outcome);
        if (r.outcome == StoreResult::Stored)
            ids << r.downloadId;
        QCOMPARE(r.downloadId, ids.value(steps[i].id - 1));
    }
    DownloadInfo first;
    QString error;
    QVERIFY(archive.download(ids[0], &first, &error));
    QCOMPARE(first.downloadedAt, DownloadTime);
    QCOMPARE(first.confirmedAt, DownloadTime.addSecs(1));
    QList<DownloadInfo> all;
    QVERIFY(archive.downloads(DownloadFilter(), 0, 100, &all, &error));
    QCOMPARE(all.size(), 5);
}

// One archive per backend for the listing and the tool: Payload first, then one download a day with another group.
QString TestArchive::sharedArchive(qint64 *id)
{
    const QString backend = QString::fromLatin1(QTest::currentDataTag()).section(':', 0, 0);
    if (!m_shared.contains(backend)) {
        const QString location = freshLocation();
        if (location.isEmpty())
            return QString();
        Archive archive;
        archive.open(location);
        QList<qint64> ids;
        const QList<GroupRecord> others = {group(560, DeviceG, 3, ScaleHB, 1, 4),
                                           group(600, DeviceD, 2, ScaleSTR, 1, 9),
                                           group(650, DeviceDL, 2, ScaleHL, 1, 9)};
        ids << archive.storeDownload(Payload, "/dev/ttyUSB0", DownloadTime, "lab-3").downloadId;
        ids << archive.storeDownload(encodeGroups({others[0]}), "p", DownloadTime.addDays(3), "lab-3").downloadId;
        ids << archive.storeDownload(encodeGroups({others[1]}), "p", DownloadTime.addDays(8), "lab-3").downloadId;
        ids << archive
                   .storeDownload(encodeGroups({others[1], others[2]}), "p", DownloadTime.addDays(8).addSecs(60),
                                  "lab-3")
                   .downloadId;
        m_shared.insert(backend, {location, ids});
    }
    *id = m_shared[backend].second.first();
    return m_shared[backend].first;
}

void TestArchive::listing_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QList<int>>("expected"); // indexes of the downloads, in the order listed
    for (const char *b : {"sqlite", "postgresql"}) {
        const auto row = [b](const char *name) -> QTestData & { return QTest::addRow("%s: %s", b, name); };
        row("all, newest first") << QDate() << QDate() << QString() << 0 << QList<int>{3, 2, 1, 0};
        row("second page") << QDate() << QDate() << QString() << 1 << QList<int>{2, 1};
        row("span of days") << QDate(2027, 1, 3) << QDate(2027, 1, 5) << QString() << 0 << QList<int>{1};
        row("last day included") << QDate(2027, 1, 10) << QDate(2027, 1, 10) << QString() << 0 << QList<int>{3, 2};
        row("scale, any case") << QDate() << QDate() << "hrc" << 0 << QList<int>{0};
        row("hardness material") << QDate() << QDate() << "铸铝合金" << 0 << QList<int>{3};
        row("strength material") << QDate() << QDate() << "铬钒钢" << 0 << QList<int>{3, 2, 0};
        row("device") << QDate() << QDate() << "DL" << 0 << QList<int>{3};
        row("no text matches") << QDate() << QDate() << "xyz" << 0 << QList<int>{};
    }
}

void TestArchive::listing()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(QList<int>, expected);
    qint64 id;
    const QString location = sharedArchive(&id);
    if (location.isEmpty())
        QSKIP(qPrintable(m_pgSkip));
    const QList<qint64> ids = m_shared.value(QString::fromLatin1(QTest::currentDataTag()).section(':', 0, 0)).second;
    Archive archive;
    QVERIFY(archive.open(location).ok());
    QList<DownloadInfo> listed;
    QString error;
    QVERIFY2(archive.downloads({from, to, text}, offset, 2 + 2 * (offset == 0), &listed, &error), qPrintable(error));
    QList<int> indexes;
    for (const DownloadInfo &d : listed)
        indexes << ids.indexOf(d.id);
    QCOMPARE(indexes, expected);
}

void TestArchive::killedWriters()
{
    const QString location = freshLocation();
    if (location.isEmpty())
        QSKIP(qPrintable(m_pgSkip));
    QVERIFY(Archive().open(location).ok()); // created before the race
    QProcess writers[2];
    QByteArray output[2];
    for (int i = 0; i < 2; ++i)
        writers[i].start(ARCHIVE_WRITER, {location, QStringLiteral("port%1").arg(i), "20"});
    QTRY_VERIFY_WITH_TIMEOUT((output[0] += writers[0].readAllStandardOutput()).contains("done") &&
                                 (output[1] += writers[1].readAllStandardOutput()).contains("done"),
                             60000);
    for (QProcess &writer : writers) {
        writer.kill(); // SIGKILL: no destructor, no close
        QVERIFY(writer.waitForFinished());
    }
    Archive archive;
    QVERIFY(archive.open(location).ok());
    QList<DownloadInfo> listed;
    QString error;
    QVERIFY(archive.downloads(DownloadFilter(), 0, 100, &listed, &error));
    QCOMPARE(listed.size(), 40);
    QList<MeasurementGroup> groups;
    QVERIFY(archive.loadGroups(output[1].split('\n').at(19).mid(7).toLongLong(), &groups, nullptr, &error));
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups[0].hl.value, 419.5);
}

void TestArchive::damagedFileMovedAside_data()
{
    QTest::addColumn<bool>("damagedPage");
    QTest::newRow("sqlite: not a database") << false;
    QTest::newRow("sqlite: damaged page") << true;
}

void TestArchive::damagedFileMovedAside()
{
    QFETCH(bool, damagedPage);
    const QString path = freshLocation();
    QFile file(path);
    if (damagedPage) {
        Archive archive;
        QVERIFY(archive.open(path).ok() && archive.storeDownload(Payload, "p").ok());
        archive.close();
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(4096));
        file.write(QByteArray(4096, '\xab'));
    } else {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    }
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray damaged = file.readAll();
    file.close();

    Archive archive;
    const ArchiveOpenResult opened = archive.open(path);
    QCOMPARE(opened.outcome, ArchiveOpenResult::Replaced);
    QVERIFY2(opened.movedAsidePath.startsWith(path + ".corrupt-"), qPrintable(opened.movedAsidePath));
    QFile aside(opened.movedAsidePath);
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), damaged);
    QList<DownloadInfo> listed;
    QString error;
    QVERIFY(archive.downloads(DownloadFilter(), 0, 10, &listed, &error) && listed.isEmpty());
    QVERIFY(archive.storeDownload(Payload, "p").ok());
}

void TestArchive::unusable_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    QTest::newRow("sqlite: read-only folder, as nobody") << "folder"
                                                         << "cannot";
    QTest::newRow("sqlite: read-only file, as nobody") << "file"
                                                       << "readonly";
    QTest::newRow("sqlite: newer schema") << "newer"
                                          << "newer";
    QTest::newRow("postgresql: server down") << "down"
                                             << "cannot open the archive";
}

void TestArchive::unusable()
{
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    const QString folder = m_dir.filePath(QStringLiteral("u%1").arg(++m_databases));
    QVERIFY(QDir().mkpath(folder));
    giveToNobody(folder);
    QString location = folder + "/archive.sqlite";
    QString failure;
    if (setup == "down") {
        location = QStringLiteral("postgresql://leeb@/leeb?host=%1").arg(folder);
    } else if (setup != "folder") {
        QVERIFY(Archive().open(location).ok());
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(location);
        QVERIFY(db.open());
        if (setup == "newer")
            QVERIFY(QSqlQuery(db).exec("UPDATE schema_version SET version = 99"));
        db.close();
    }
    if (setup == "newer" || setup == "down") {
        QSqlDatabase::removeDatabase("raw");
        const ArchiveOpenResult opened = Archive().open(location);
        QCOMPARE(opened.outcome, ArchiveOpenResult::Failed);
        failure = opened.reason;
    } else {
        QSqlDatabase::removeDatabase("raw");
        if (setup == "file")
            giveToNobody(location);
        QFile::setPermissions(setup == "file" ? location : folder,
                              QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        QByteArray err;
        QCOMPARE(run(ARCHIVE_WRITER, {location, "p", "0"}, nullptr, &err), 1);
        failure = QString::fromUtf8(err);
    }
    QVERIFY2(failure.contains(reason), qPrintable(failure));
}

void TestArchive::tool_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArrayList>("output"); // each in standard output or error; "=" first: all of standard output
    for (const char *b : {"sqlite", "postgresql"}) {
        const auto row = [b](const char *name) -> QTestData & { return QTest::addRow("%s: %s", b, name); };
        row("raw: the payload as received") << QStringList{"raw", "@ID"} << 0 << QByteArrayList{"=" + Payload};
        row("list a day") << QStringList{"list", "--from", "2027-01-02", "--to", "2027-01-02"} << 0
                          << QByteArrayList{"=@ID\t2027-01-02T10:00:00.000Z\tlab-3\t/dev/ttyUSB0\t3\n"};
        row("show --csv") << QStringList{"show", "@ID", "--csv"} << 0
                          << QByteArrayList{"download,station,port,slot,date,device,device_code,material,material_code,"
                                            "direction,direction_code,scale,scale_code,table_set,HL,HL_status,HRB,",
                                            "@ID,lab-3,/dev/ttyUSB0,1,2026-12-30 09:05,D_15,4,", ",46,Ok,"};
        row("export a span: each measurement once")
            << QStringList{"export", "--from", "2026-12-30", "--to", "2027-01-09", "OUT.csv"} << 0
            << QByteArrayList{"5 group(s) written"};
        row("unknown download") << QStringList{"show", "999"} << 1 << QByteArrayList{"no download 999"};
    }
    QTest::newRow("sqlite: bad option") << QStringList{"list", "--since", "x"} << 2
                                        << QByteArrayList{"accepted: --archive, --from"};
    QTest::newRow("sqlite: bad date") << QStringList{"list", "--from", "2027-13-01"} << 2
                                      << QByteArrayList{"YYYY-MM-DD"};
    QTest::newRow("sqlite: no archive there") << QStringList{"list", "--archive", "/nonexistent/a.sqlite"} << 1
                                              << QByteArrayList{"no archive at /nonexistent/a.sqlite"};
}

void TestArchive::tool()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArrayList, output);
    qint64 id;
    const QString location = sharedArchive(&id);
    if (location.isEmpty())
        QSKIP(qPrintable(m_pgSkip));
    args.replaceInStrings("@ID", QString::number(id));
    args.replaceInStrings("OUT.csv", m_dir.filePath("out.csv"));
    QProcess tool;
    tool.start(LEEB_ARCHIVE_TOOL, QStringList{"--archive", location} + args);
    QVERIFY(tool.waitForFinished(60000));
    const QByteArray out = tool.readAllStandardOutput();
    const QByteArray all = out + tool.readAllStandardError();
    QCOMPARE(tool.exitCode(), exitCode);
    for (QByteArray expected : output) {
        expected.replace("@ID", QByteArray::number(id));
        if (expected.startsWith('='))
            QCOMPARE(out, expected.mid(1));
        else
            QVERIFY2(all.contains(expected), all.constData());
    }
}

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
