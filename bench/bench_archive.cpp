// The archive's speed targets: storing one 100-group download on SQLite (10 ms), the first screen of the history
// with 10,000 downloads / 1,000,000 groups (200 ms), leeb-archive exporting 100,000 groups to CSV (2 s), and a
// search by part over those 1,000,000 groups, each tagged (200 ms), also as the history dialog lists it (200 ms).
#include "archive.h"
#include "groupencoder.h"
#include "historygroups.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>

namespace {

constexpr int DownloadsPerDay = 100;
constexpr int LargeDownloads = 10000;
const QDateTime Start(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

// Download n of a station: 100 groups measured on its day, all different from those of any other download.
QByteArray download(int n)
{
    QList<GroupRecord> records;
    const QDate day = Start.addSecs(qint64(n) * 86400 / DownloadsPerDay).date();
    for (int k = 0; k < groups::SlotCount; ++k) {
        GroupRecord r;
        r.month = quint8(day.month());
        r.day = quint8(day.day());
        r.hour = quint8(k % 24);
        r.minute = quint8(n % 60);
        r.device = 1 + k % 7;
        r.scale = quint8(k % 8 == 6 ? 2 : k % 8);
        r.material = quint8(k % 9);
        r.groupValue = quint16(300 + (n * 7 + k) % 600);
        r.impactCount = 10;
        for (int i = 0; i < 10; ++i)
            r.impacts[i] = quint16((n + k + i) % 1024);
        r.impacts[0] = quint16(n % 1024);
        r.impacts[1] = quint16(k);
        records << r;
    }
    return encodeGroups(records);
}

QDateTime downloadTime(int n)
{
    return Start.addSecs(qint64(n) * 86400 / DownloadsPerDay);
}

void storeOneDownload(benchmark::State &state)
{
    QTemporaryDir dir;
    Archive archive;
    if (!archive.open(dir.filePath("archive.sqlite")).ok())
        state.SkipWithError("cannot open the archive");
    int n = 0;
    for (auto _ : state) {
        const StoreResult r = archive.storeDownload(makeDownload(download(n), "/dev/ttyUSB0", downloadTime(n)));
        ++n;
        if (r.outcome != StoreResult::Stored)
            state.SkipWithError(qPrintable(r.reason));
    }
}
BENCHMARK(storeOneDownload)->Unit(benchmark::kMillisecond)->Iterations(200);

// The same into the PostgreSQL database that LEEB_BENCH_POSTGRESQL names (a location), when it names one.
void storeOneDownloadPostgres(benchmark::State &state)
{
    Archive archive;
    if (qEnvironmentVariableIsEmpty("LEEB_BENCH_POSTGRESQL") ||
        !archive.open(qEnvironmentVariable("LEEB_BENCH_POSTGRESQL")).ok())
        state.SkipWithError("set LEEB_BENCH_POSTGRESQL to a postgresql:// location");
    int n = int(QDateTime::currentSecsSinceEpoch() % 100000) * 1000;
    for (auto _ : state) {
        const StoreResult r = archive.storeDownload(makeDownload(download(n), "/dev/ttyUSB0", downloadTime(n)));
        ++n;
        if (r.outcome != StoreResult::Stored)
            state.SkipWithError(qPrintable(r.reason));
    }
}
BENCHMARK(storeOneDownloadPostgres)->Unit(benchmark::kMillisecond)->Iterations(100);

// The large archive, built once per run; LEEB_BENCH_ARCHIVE names a file to keep it in and reuse it from.
QString largeArchive()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        path = qEnvironmentVariable("LEEB_BENCH_ARCHIVE", dir.filePath("large.sqlite"));
        if (QFileInfo::exists(path))
            return path;
        Archive archive;
        archive.open(path);
        QElapsedTimer timer;
        timer.start();
        for (int n = 0; n < LargeDownloads; ++n)
            archive.storeDownload(
                makeDownload(download(n), QStringLiteral("/dev/ttyUSB%1").arg(n % 3), downloadTime(n)),
                QStringLiteral("station-%1").arg(n % 5));
        std::fprintf(stderr, "built %d downloads in %lld s\n", LargeDownloads, timer.elapsed() / 1000);
    }
    return path;
}

void openLargeArchive(benchmark::State &state)
{
    const QString path = largeArchive();
    for (auto _ : state) {
        Archive archive;
        if (!archive.open(path).ok())
            state.SkipWithError("cannot open");
    }
}
BENCHMARK(openLargeArchive)->Unit(benchmark::kMillisecond);

// Open archive, one screen of 50 downloads: none, a date range and a text filter.
void historyFirstScreen(benchmark::State &state)
{
    Archive archive;
    archive.open(largeArchive());
    DownloadFilter filter;
    if (state.range(0) == 1) {
        filter.from = QDate(2026, 2, 1);
        filter.to = QDate(2026, 2, 28);
    } else if (state.range(0) == 2) {
        filter.text = QStringLiteral("DL");
    }
    QList<DownloadInfo> page;
    QString error;
    for (auto _ : state) {
        if (!archive.downloads(filter, 0, 50, &page, &error) || page.size() != 50)
            state.SkipWithError("listing failed");
    }
}
BENCHMARK(historyFirstScreen)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Every group of the large archive tagged, 1,000 parts of 1,000 groups each, in one statement.
bool tagLargeArchive(QString *error)
{
    Archive archive; // brings the file up to date first
    const ArchiveOpenResult opened = archive.open(largeArchive());
    *error = opened.reason;
    if (!opened.ok())
        return false;
    archive.close();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("tagging"));
        db.setDatabaseName(largeArchive());
        QSqlQuery query(db);
        ok = db.open() &&
             query.exec(QStringLiteral("INSERT INTO group_tag (measurement_key, part, heat) SELECT measurement_key, "
                                       "'P-' || (rowid % 1000), 'H-' || (rowid % 97) FROM measurement_group "
                                       "WHERE true ON CONFLICT DO NOTHING"));
        *error = query.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("tagging"));
    return ok;
}

// The groups of one part (range 0), the first screen of the downloads holding one (range 1), and the history's list
// of that part's groups, judged and summed up (range 2).
void searchByPart(benchmark::State &state)
{
    static QString tagError;
    static const bool tagged = tagLargeArchive(&tagError);
    if (!tagged) {
        state.SkipWithError(qPrintable(tagError));
        return;
    }
    Archive archive;
    archive.open(largeArchive());
    QList<ArchivedGroup> groups;
    QList<DownloadInfo> page;
    DownloadFilter filter;
    filter.part = QStringLiteral("P-42");
    QString error;
    HistoryGroupsModel model(&archive);
    for (auto _ : state) {
        if (state.range(0) == 2) {
            model.setFilter({QDate(), QDate(), filter.part, QString(), QString()});
            if (model.groupCount() != 1000 || model.summary().groups != 1000)
                state.SkipWithError("search failed");
        } else if (state.range(0) == 0
                       ? !archive.groups({QDate(), QDate(), filter.part, QString(), QString()}, &groups, &error) ||
                             groups.size() != 1000
                       : !archive.downloads(filter, 0, 50, &page, &error) || page.size() != 50)
            state.SkipWithError("search failed");
    }
}
BENCHMARK(searchByPart)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void exportCsv100kGroups(benchmark::State &state)
{
    const QString path = largeArchive();
    QTemporaryDir dir;
    for (auto _ : state) {
        QProcess tool;
        tool.start(LEEB_ARCHIVE_TOOL, {"--archive", path, "--language", "en", "export", "--from", "2026-01-01", "--to",
                                       "2026-01-10", dir.filePath("out.csv")});
        if (!tool.waitForFinished(60000) || tool.exitCode() != 0 ||
            !tool.readAllStandardOutput().startsWith("100000 group(s)"))
            state.SkipWithError("export failed");
    }
}
BENCHMARK(exportCsv100kGroups)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    // Group dates follow the local date of the download: one zone for the builder and the tool.
    qputenv("TZ", "UTC");
    ::tzset();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
