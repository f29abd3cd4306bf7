// A station of its own for the archive tests: opens LOCATION and stores COUNT different downloads from PORT, one
// "stored ID" line each, then "done" and waits to be killed. Exits 1 with the reason when the archive cannot be used.
#include "archive.h"
#include "groupencoder.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    Archive archive;
    const ArchiveOpenResult opened = archive.open(args.at(1));
    if (!opened.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.reason));
        return 1;
    }
    const int count = args.at(3).toInt();
    for (int i = 0; i < count; ++i) {
        GroupRecord r;
        r.month = 5;
        r.day = 1 + i % 28;
        r.groupValue = quint16(400 + i);
        r.device = 1;
        const StoreResult stored = archive.storeDownload(encodeGroups({r, r}), args.at(2));
        if (stored.outcome != StoreResult::Stored) {
            std::fprintf(stderr, "%s\n", qPrintable(stored.reason));
            return 1;
        }
        std::printf("stored %lld\n", stored.downloadId);
        std::fflush(stdout);
    }
    if (count == 0)
        return 0;
    std::printf("done\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
