#pragma once

// The archive tests' groups and stations (the test program started again to store downloads alongside others).
#include "archive.h"
#include "groupencoder.h"
#include "pgserver.h"

#include <QtTest>

#include <memory>

const QDateTime DownloadTime(QDate(2027, 1, 2), QTime(10, 0), Qt::UTC);

inline GroupRecord group(quint16 hl, quint8 device, quint8 material, quint8 scale, quint8 month, quint8 day,
                         quint8 tableSet = 0)
{
    // month, minute, day, hour, table set, HL, device, scale, direction, impact count, impacts, material
    return {month, 5, day, 9, tableSet, hl, device, scale, 0, 3, {quint16(hl - 4), hl, quint16(hl + 4)}, material};
}

// "--writer|--store LOCATION PORT COUNT": stores, then "done" and waits to be killed, or exits; 1 with why on failure.
inline int station(const QStringList &args)
{
    Archive archive;
    const ArchiveOpenResult opened = archive.open(args.at(2));
    std::fprintf(stderr, "%s\n", qPrintable(opened.reason));
    for (int i = 0; i < args.at(4).toInt() && opened.ok(); ++i) {
        const StoreResult stored =
            archive.storeDownload(makeDownload(encodeGroups({group(400 + i, DeviceD, 0, 0, 5, 1)}), args.at(3)));
        if (!stored.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(stored.reason));
            return 1;
        }
    }
    if (!opened.ok() || args.at(4) == "0" || args.at(1) == "--store")
        return opened.ok() ? 0 : 1;
    std::printf("done\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

// Starts count stations at once and SIGKILLs each once done (no close); what went wrong, or nothing.
inline QByteArray killedStations(const QString &location, int count, int downloads)
{
    std::unique_ptr<QProcess[]> stations(new QProcess[size_t(count)]);
    for (int i = 0; i < count; ++i)
        stations[i].start(QCoreApplication::applicationFilePath(),
                          {"--writer", location, QString::number(i), QString::number(downloads)});
    for (int i = 0; i < count; ++i) {
        QProcess &s = stations[i];
        if (!QTest::qWaitFor([&] { return s.canReadLine() || s.state() == QProcess::NotRunning; }, 60000) ||
            s.readLine() != "done\n")
            return "station " + QByteArray::number(i) + ": " + s.readAllStandardError();
        s.kill();
        s.waitForFinished();
    }
    return {};
}

// Runs the test, or a station when started as one.
template<typename Test> int stationOrTest(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if ((args.value(1) == "--writer" || args.value(1) == "--store") && args.size() == 5)
        return station(args);
    Test test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
