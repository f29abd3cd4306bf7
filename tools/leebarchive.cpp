// leeb-archive: reads the measurement archive for scripts and lab systems: lists downloads, shows one, gives back its
// payload as received, and exports the groups of a span through the window's workbook and report code. English
// only; its texts stay out of the window's catalogues.

#include "archive.h"
#include "reportfile.h"
#include "resourcesinit.h"
#include "settings.h"
#include "valuetext.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QFont>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTranslator>

#include <cstdio>
#include <iterator>

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitRefused = 2;

QString usage()
{
    return QStringLiteral(
        "Usage: leeb-archive [--archive LOCATION] list [--from DATE] [--to DATE]\n"
        "       leeb-archive [--archive LOCATION] show ID [--csv]\n"
        "       leeb-archive [--archive LOCATION] raw ID\n"
        "       leeb-archive [--archive LOCATION] export [--from DATE] [--to DATE] FILE.xlsx|FILE.pdf|FILE.csv\n"
        "\n"
        "Reads the measurement archive of the hardness tester companion.\n"
        "  list     downloads, newest first, one a line: id, UTC time (ISO 8601), station, port, groups,\n"
        "           separated by tabs; --from/--to select UTC days of the download\n"
        "  show     the groups of download ID with their full date, codes and texts, HL and every conversion\n"
        "           with its status, and the impacts; --csv: the same as CSV with a header line\n"
        "  raw      the payload of download ID exactly as received, on standard output\n"
        "  export   the groups measured on the days --from..--to (instrument clock), each measurement once,\n"
        "           as a workbook (.xlsx), a PDF report (.pdf, header from ./PrintConfig.ini) or CSV (.csv)\n"
        "  --archive LOCATION   an SQLite file, postgresql://USER@HOST:PORT/DBNAME or\n"
        "                       postgresql://USER@/DBNAME?host=/SOCKET/FOLDER (password from PGPASSWORD or\n"
        "                       ~/.pgpass); default: key location of section Archive in ./PrintConfig.ini,\n"
        "                       else archive.sqlite in the application data folder\n"
        "  --help, --version\n"
        "DATE is YYYY-MM-DD; both ends are included. ID is a download id as list shows it.\n"
        "Exit status: 0 done, 1 the archive or the file failed, 2 bad arguments.\n");
}

void out(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

int refuse(const QString &message)
{
    std::fprintf(stderr, "leeb-archive: %s\nTry 'leeb-archive --help'.\n", qPrintable(message));
    return ExitRefused;
}

int failed(const QString &message)
{
    std::fprintf(stderr, "leeb-archive: %s\n", qPrintable(message));
    return ExitFailed;
}

struct Command
{
    QString archive;
    QString name;
    QStringList operands;
    QDate from;
    QDate to;
    bool csv = false;
    bool help = false;
    bool version = false;
    QString error;
};

Command parse(const QStringList &arguments)
{
    Command c;
    // The usage above is the help; the options carry no descriptions of their own.
    QCommandLineParser parser;
    const QCommandLineOption archiveOption(QStringLiteral("archive"), QString(), QStringLiteral("LOCATION"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QString(), QStringLiteral("DATE"));
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("DATE"));
    const QCommandLineOption csvOption(QStringLiteral("csv"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({archiveOption, fromOption, toOption, csvOption, helpOption, versionOption});
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        c.error = unknown.isEmpty()
                      ? parser.errorText()
                      : QStringLiteral("unknown option %1%2; accepted: --archive, --from, --to, --csv, --help, "
                                       "--version")
                            .arg(unknown.constFirst().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                                 unknown.constFirst());
        return c;
    }
    c.archive = parser.value(archiveOption);
    if (parser.isSet(archiveOption) && c.archive.isEmpty()) {
        c.error = QStringLiteral("--archive needs a LOCATION"); // not silently the default archive
        return c;
    }
    for (const QCommandLineOption *option : {&fromOption, &toOption}) {
        for (const QString &value : parser.values(*option)) {
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (!date.isValid() || value.size() != 10) {
                c.error =
                    QStringLiteral("bad date for --%1: '%2'; use YYYY-MM-DD").arg(option->names().constFirst(), value);
                return c;
            }
            (option == &fromOption ? c.from : c.to) = date;
        }
    }
    c.csv = parser.isSet(csvOption);
    c.help = parser.isSet(helpOption);
    c.version = parser.isSet(versionOption);
    c.operands = parser.positionalArguments();
    if (!c.operands.isEmpty())
        c.name = c.operands.takeFirst();
    if (c.help || c.version)
        return c;
    const QStringList commands = {QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("raw"),
                                  QStringLiteral("export")};
    const int operandCount = c.name == QLatin1String("list") ? 0 : 1;
    if (!commands.contains(c.name))
        c.error = c.name.isEmpty()
                      ? QStringLiteral("no command; accepted: list, show, raw, export")
                      : QStringLiteral("unknown command '%1'; accepted: list, show, raw, export").arg(c.name);
    else if (c.operands.size() != operandCount)
        c.error = c.name == QLatin1String("list")     ? QStringLiteral("list takes no operands")
                  : c.name == QLatin1String("export") ? QStringLiteral("export takes one FILE.xlsx|FILE.pdf|FILE.csv")
                                                      : QStringLiteral("%1 takes one download ID").arg(c.name);
    else if (c.csv && c.name != QLatin1String("show"))
        c.error = QStringLiteral("--csv belongs to show");
    else if ((c.from.isValid() || c.to.isValid()) && c.name != QLatin1String("list") &&
             c.name != QLatin1String("export"))
        c.error = QStringLiteral("--from and --to belong to list and export");
    else if (c.from.isValid() && c.to.isValid() && c.from > c.to)
        c.error = QStringLiteral("--from %1 lies after --to %2")
                      .arg(c.from.toString(Qt::ISODate), c.to.toString(Qt::ISODate));
    else if (c.name == QLatin1String("export") &&
             !QStringList({QStringLiteral("xlsx"), QStringLiteral("pdf"), QStringLiteral("csv")})
                  .contains(QFileInfo(c.operands.first()).suffix().toLower()))
        c.error = QStringLiteral("cannot export to %1: the file name must end in .xlsx, .pdf or .csv")
                      .arg(c.operands.first());
    return c;
}

QString statusName(ConversionStatus status)
{
    static const char *const names[] = {"NoTable", "Ok", "AboveRange", "BelowRange", "NotAvailable"};
    const auto index = static_cast<quint8>(status);
    return index < std::size(names) ? QString::fromLatin1(names[index]) : QString::number(index);
}

QString dateText(const ArchivedGroup &g)
{
    if (!g.measuredAt.isValid())
        return QString();
    const QDate d = g.measuredAt.date();
    const QTime t = g.measuredAt.time();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", d.year(), d.month(), d.day(), t.hour(), t.minute());
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString csvHeader()
{
    QStringList columns = {"download",       "station",     "port",       "slot",          "date",
                           "device",         "device_code", "material",   "material_code", "direction",
                           "direction_code", "scale",       "scale_code", "table_set"};
    for (HardnessScale scale : DisplayScales)
        columns << scaleName(scale) << scaleName(scale) + QStringLiteral("_status");
    columns << QStringLiteral("impact_count") << QStringLiteral("impacts");
    return columns.join(QLatin1Char(',')) + QLatin1Char('\n');
}

// Appended field by field: an export writes one for every group.
QString csvLine(const ArchivedGroup &g)
{
    const MeasurementGroup m = g.group();
    QString line;
    line.reserve(256);
    const auto add = [&line](const QString &field) {
        line += field;
        line += QLatin1Char(',');
    };
    add(QString::number(g.downloadId));
    add(csvField(g.station));
    add(csvField(g.port));
    add(QString::number(g.slot + 1));
    add(dateText(g));
    add(csvField(m.deviceName));
    add(QString::number(m.device));
    add(csvField(m.materialName));
    add(QString::number(m.material));
    add(csvField(m.directionName));
    add(QString::number(m.direction));
    add(csvField(m.scaleName));
    add(QString::number(m.scale));
    add(QString::number(g.record.tableSet + 1));
    for (HardnessScale scale : DisplayScales) {
        const ConversionResult r = m.result(scale);
        add(resultTexts(r).value(QStringLiteral("value")));
        add(statusName(r.status));
    }
    add(QString::number(g.record.impactCount));
    for (int i = 0; i < g.record.impactCount && i < groups::MaxImpacts; ++i) {
        line += QString::number(g.record.impacts[i]);
        line += QLatin1Char(' ');
    }
    if (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    line += QLatin1Char('\n');
    return line;
}

QString textBlock(const ArchivedGroup &g)
{
    const MeasurementGroup m = g.group();
    QString text =
        QStringLiteral("group %1  %2\n")
            .arg(g.slot + 1)
            .arg(g.measuredAt.isValid() ? dateText(g) : QStringLiteral("(no such date: %1)").arg(m.dateText));
    text += QStringLiteral("  device %1 (%2)  material %3 (%4)  direction %5 (%6)  scale %7 (%8)  table set %9\n")
                .arg(m.deviceName)
                .arg(m.device)
                .arg(m.materialName)
                .arg(m.material)
                .arg(m.directionName)
                .arg(m.direction)
                .arg(m.scaleName)
                .arg(m.scale)
                .arg(g.record.tableSet + 1);
    QStringList values;
    for (HardnessScale scale : DisplayScales) {
        const ConversionResult r = m.result(scale);
        values << QStringLiteral("%1 %2 %3")
                      .arg(scaleName(scale), resultTexts(r).value(QStringLiteral("value")), statusName(r.status));
    }
    text += QStringLiteral("  ") + values.join(QStringLiteral("  ")) + QLatin1Char('\n');
    QStringList impacts;
    for (double impact : m.impacts)
        impacts << QString::number(impact);
    text += QStringLiteral("  impacts (%1): %2\n").arg(m.impacts.size()).arg(impacts.join(QLatin1Char(' ')));
    return text;
}

bool downloadId(const QString &text, qint64 *id)
{
    bool ok = false;
    *id = text.toLongLong(&ok);
    return ok && *id > 0;
}

int list(Archive &archive, const Command &c)
{
    DownloadFilter filter;
    filter.from = c.from;
    filter.to = c.to;
    constexpr int Page = 1000;
    QList<DownloadInfo> page;
    QString error;
    for (int offset = 0;; offset += Page) {
        if (!archive.downloads(filter, offset, Page, &page, &error))
            return failed(error);
        QString text;
        for (const DownloadInfo &d : page)
            text += QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                        .arg(d.id)
                        .arg(d.downloadedAt.toString(Qt::ISODateWithMs), d.station, d.port)
                        .arg(d.groupCount);
        out(text);
        if (page.size() < Page)
            return 0;
    }
}

int show(Archive &archive, qint64 id, bool csv)
{
    DownloadInfo info;
    QList<ArchivedGroup> groups;
    QString error;
    if (!archive.download(id, &info, &error) || !archive.loadArchivedGroups(id, &groups, &error))
        return failed(error);
    QString text;
    if (csv) {
        text = csvHeader();
        for (const ArchivedGroup &g : groups)
            text += csvLine(g);
    } else {
        text = QStringLiteral("download %1\n  time %2 (last confirmed %3)\n  station %4\n  port %5\n  program %6\n"
                              "  groups %7\n")
                   .arg(info.id)
                   .arg(info.downloadedAt.toString(Qt::ISODateWithMs), info.confirmedAt.toString(Qt::ISODateWithMs),
                        info.station, info.port, info.programVersion)
                   .arg(info.groupCount);
        for (const ArchivedGroup &g : groups)
            text += QLatin1Char('\n') + textBlock(g);
    }
    out(text);
    return 0;
}

int raw(Archive &archive, qint64 id)
{
    QByteArray payload;
    QString error;
    if (!archive.payload(id, &payload, &error))
        return failed(error);
    if (std::fwrite(payload.constData(), 1, size_t(payload.size()), stdout) != size_t(payload.size()) ||
        std::fflush(stdout) != 0)
        return failed(QStringLiteral("cannot write to standard output"));
    return 0;
}

int exportSpan(Archive &archive, const Command &c)
{
    const QString fileName = c.operands.first();
    QList<ArchivedGroup> groups;
    QString error;
    if (!archive.groupsMeasuredBetween(c.from, c.to, &groups, &error))
        return failed(error);
    if (QFileInfo(fileName).suffix().toLower() == QLatin1String("csv")) {
        // Written aside and renamed at the end: a failure never leaves a partial file.
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            return failed(QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
        QByteArray bytes = csvHeader().toUtf8();
        for (const ArchivedGroup &g : groups) {
            bytes += csvLine(g).toUtf8();
            if (bytes.size() > (1 << 20)) {
                file.write(bytes);
                bytes.clear();
            }
        }
        file.write(bytes);
        if (!file.commit())
            return failed(QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
    } else {
        QList<MeasurementGroup> built;
        built.reserve(groups.size());
        for (const ArchivedGroup &g : groups)
            built.append(g.group());
        if (!writeReportFile(fileName, Settings::reportHeader(), built, &error))
            return failed(QStringLiteral("export to %1 failed: %2").arg(fileName, error));
    }
    out(QStringLiteral("%1 group(s) written to %2\n").arg(groups.size()).arg(fileName));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Command c = parse(arguments);
    if (!c.error.isEmpty())
        return refuse(c.error);
    if (c.help) {
        out(usage());
        return 0;
    }
    if (c.version) {
        out(QStringLiteral("leeb-archive %1\n").arg(QStringLiteral(LEEB_VERSION)));
        return 0;
    }
    qint64 id = 0;
    if ((c.name == QLatin1String("show") || c.name == QLatin1String("raw")) && !downloadId(c.operands.first(), &id))
        return refuse(QStringLiteral("bad download ID '%1': a download id as list shows it").arg(c.operands.first()));

    // The report needs fonts and a paint device, never a display.
    const bool report =
        c.name == QLatin1String("export") && QFileInfo(c.operands.first()).suffix().toLower() != QLatin1String("csv");
    if (report && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The reasons are printed once, by the tool; the link's and archive's diagnostics would bury them.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false\nleeb.archive.warning=false"));
    QScopedPointer<QCoreApplication> app(report ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));
    // The window's name, so that both find the same default archive in the application data folder.
    QCoreApplication::setApplicationName(QStringLiteral("leeb-companion"));
    initResources();
    QTranslator english;
    if (english.load(QStringLiteral(":/english.qm")))
        QCoreApplication::installTranslator(&english);
    if (report)
        setEmbeddedApplicationFont();

    Archive archive;
    const QString location = resolveArchiveLocation(c.archive);
    const ArchiveOpenResult opened = archive.open(location, Archive::ReadOnly);
    if (!opened.ok())
        return failed(opened.reason);
    if (c.name == QLatin1String("list"))
        return list(archive, c);
    if (c.name == QLatin1String("show"))
        return show(archive, id, c.csv);
    if (c.name == QLatin1String("raw"))
        return raw(archive, id);
    return exportSpan(archive, c);
}
