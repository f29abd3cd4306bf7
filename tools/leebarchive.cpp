// leeb-archive: reads the measurement archive for scripts and lab systems: lists downloads, shows one, gives back its
// payload as received, exports the groups of a span through the window's workbook, report and CSV code, and checks an
// SQLite archive in full, mending what it finds. It
// speaks the window's language (the settings file's, or --language); the CSV's column names and the list's fields
// stay as they are, for the scripts that read them.

#include "archive.h"
#include "archivecheck.h"
#include "csvfile.h"
#include "languagesettings.h"
#include "leebarchivetool.h"
#include "leebarchiveverification.h"
#include "reportfile.h"
#include "resourcesinit.h"
#include "settings.h"
#include "valuetext.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QLoggingCategory>
#include <QTranslator>

#include <cstdio>

using leebarchive::ExitFailed;
using leebarchive::ExitRefused;
using leebarchive::failed;
using leebarchive::out;
using leebarchive::refuse;

namespace {

QString usage()
{
    return LeebArchive::tr(
        "用法：leeb-archive [--archive 位置] [--language zh|en] list [--from 日期] [--to 日期] [--part 文字]\n"
        "                   [--heat 文字] [--utc]\n"
        "      leeb-archive [--archive 位置] [--language zh|en] show ID [--csv]\n"
        "      leeb-archive [--archive 位置] raw ID\n"
        "      leeb-archive [--archive 位置] [--language zh|en] export [--from 日期] [--to 日期] "
        "[--part 文字]\n"
        "                   [--heat 文字] FILE.xlsx|FILE.pdf|FILE.csv\n"
        "      leeb-archive [--archive 位置] [--language zh|en] check\n"
        "      leeb-archive [--archive 位置] [--language zh|en] blocks add --serial 编号 --device 装置 --nominal HL\n"
        "                   [--uncertainty HL] [--certificate 文字] [--valid-until 日期] [--max-error HL]\n"
        "                   [--max-repeatability HL]\n"
        "      leeb-archive [--archive 位置] [--language zh|en] blocks list [--csv]\n"
        "      leeb-archive [--archive 位置] [--language zh|en] checks add --block 编号\n"
        "                   (--readings R1,R2,... | --download ID --slot N) [--at YYYY-MM-DDTHH:MM]\n"
        "                   [--operator 文字]\n"
        "      leeb-archive [--archive 位置] [--language zh|en] checks list --block 编号 [--csv]\n"
        "      leeb-archive [--archive 位置] [--language zh|en] checks export --block 编号 FILE.pdf\n"
        "\n"
        "读取里氏硬度计配套程序的测量存档。\n"
        "  list     各次下载，最新的在前，每行一次：编号、时间（本地时间及其与 UTC 的时差；--utc：UTC，\n"
        "           ISO 8601）、工作站、串口、组数，以制表符分隔；--from/--to 按所显示时间的日期选择\n"
        "  show     下载 ID 的各组：完整日期、代码与文字、HL 及每种换算值和状态、各次冲击值；\n"
        "           --csv：同样的内容，CSV 格式，带表头行\n"
        "  raw      下载 ID 收到的原始数据，原样写到标准输出\n"
        "  export   在 --from..--to 这些日期（仪器时钟）测量的各组，每次测量一次，写成工作簿（.xlsx）、\n"
        "           PDF 报告（.pdf，报告头取自 ./PrintConfig.ini）或 CSV（.csv）\n"
        "  check    完整检查 SQLite 存档：只有索引损坏时就地重建索引；文件损坏时原文件连同 -wal/-shm\n"
        "           原样移到一旁，在原位置新建存档，收入其中仍可读取的各次下载\n"
        "  blocks   标准块登记：add 添加一块（装置 D、DC、DL、D_15、C1、G、E；未给出的允许误差和重复性取默认值：\n"
        "           D 与 DC 在 645 HL 及以上为 6 HL，以下为 10 HL，其余装置为 12 HL），list 列出各块\n"
        "  checks   仪器在标准块上的检查：add 记录一次检查（至少 3 个读数，或取自已存档的下载 ID 的第 N 组，\n"
        "           时间默认为该组的时间或现在；不合格的检查照样记录），list 列出该块的检查及其控制图界限；\n"
        "           --csv：CSV 格式，带表头行；export 把块的数据、控制图和各次检查写成 PDF\n"
        "  --archive 位置      SQLite 文件、postgresql://用户@主机:端口/数据库 或\n"
        "                      postgresql://用户@/数据库?host=/套接字目录（密码取自 PGPASSWORD 或\n"
        "                      ~/.pgpass）；默认为 ./PrintConfig.ini 中 Archive 节的 location 键，\n"
        "                      否则为应用数据目录中的 archive.sqlite\n"
        "  --part 文字, --heat 文字\n"
        "                      只取带有完全相同的零件或炉批号标记的组（list：含有这样的组的下载）\n"
        "  --language zh|en    输出的语言；默认为 ./PrintConfig.ini 中窗口的语言\n"
        "  --help, --version\n"
        "日期格式为 YYYY-MM-DD，两端都包括在内。ID 为 list 显示的下载编号。\n"
        "退出状态：0 完成（check：存档完好），1 存档或文件失败（check：发现损坏），2 参数或输入有误（如已过有效期\n"
        "的标准块、过少的读数）。\n");
}

struct Command
{
    QString archive;
    QString name;
    QStringList operands;
    QDate from;
    QDate to;
    QString part; // --part, --heat: groups with exactly this tag
    QString heat;
    bool csv = false;
    bool utc = false;
    int language = -1; // --language: 0 Chinese, 1 English; -1: the settings file's
    bool help = false;
    bool version = false;
    VerificationCommand verification; // blocks, checks
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
    const QCommandLineOption languageOption(QStringLiteral("language"), QString(), QStringLiteral("zh|en"));
    const QCommandLineOption partOption(QStringLiteral("part"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption heatOption(QStringLiteral("heat"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption csvOption(QStringLiteral("csv"));
    const QCommandLineOption utcOption(QStringLiteral("utc"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({archiveOption, fromOption, toOption, partOption, heatOption, languageOption, csvOption,
                       utcOption, helpOption, versionOption});
    parser.addOptions(verificationOptions());
    const bool parsed = parser.parse(arguments);
    // The language first: the reasons below are given in it. The parser has read the options it knows even when
    // another one stopped it.
    const QString language = parser.value(languageOption);
    c.language = language == QLatin1String("zh") ? 0 : language == QLatin1String("en") ? 1 : -1;
    if (!parsed) {
        const QStringList unknown = parser.unknownOptionNames();
        c.error = unknown.isEmpty()
                      ? parser.errorText()
                      : LeebArchive::tr(
                            "未知选项 %1；可用：--archive、--from、--to、--part、--heat、--csv、--utc、--language、"
                            "--help、--version，blocks 与 checks 的选项见 --help")
                            .arg((unknown.constFirst().size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) +
                                 unknown.constFirst());
        return c;
    }
    if (parser.isSet(languageOption) && c.language < 0) {
        c.error = LeebArchive::tr("--language 只接受 zh 或 en，不接受 '%1'").arg(language);
        return c;
    }
    c.archive = parser.value(archiveOption);
    if (parser.isSet(archiveOption) && c.archive.isEmpty()) {
        c.error = LeebArchive::tr("--archive 需要一个存档位置"); // not silently the default archive
        return c;
    }
    for (const QCommandLineOption *option : {&fromOption, &toOption}) {
        for (const QString &value : parser.values(*option)) {
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (!date.isValid() || value.size() != 10) {
                c.error =
                    LeebArchive::tr("--%1 的日期有误：'%2'；请用 YYYY-MM-DD").arg(option->names().constFirst(), value);
                return c;
            }
            (option == &fromOption ? c.from : c.to) = date;
        }
    }
    c.part = parser.value(partOption);
    c.heat = parser.value(heatOption);
    c.csv = parser.isSet(csvOption);
    c.utc = parser.isSet(utcOption);
    c.help = parser.isSet(helpOption);
    c.version = parser.isSet(versionOption);
    c.operands = parser.positionalArguments();
    if (!c.operands.isEmpty())
        c.name = c.operands.takeFirst();
    if (c.help || c.version)
        return c;
    const QStringList commands = {QStringLiteral("list"),   QStringLiteral("show"),  QStringLiteral("raw"),
                                  QStringLiteral("export"), QStringLiteral("check"), QStringLiteral("blocks"),
                                  QStringLiteral("checks")};
    const bool bare = c.name == QLatin1String("list") || c.name == QLatin1String("check");
    const bool verification = c.name == QLatin1String("blocks") || c.name == QLatin1String("checks");
    const QString verificationOption = verificationOptionGiven(parser);
    if (!commands.contains(c.name))
        c.error =
            c.name.isEmpty()
                ? LeebArchive::tr("缺少命令；可用：list、show、raw、export、check、blocks、checks")
                : LeebArchive::tr("未知命令 '%1'；可用：list、show、raw、export、check、blocks、checks").arg(c.name);
    else if (!verification && !verificationOption.isEmpty())
        c.error = LeebArchive::tr("--%1 只用于 blocks 和 checks").arg(verificationOption);
    else if (verification &&
             (c.utc || c.from.isValid() || c.to.isValid() || parser.isSet(partOption) || parser.isSet(heatOption)))
        c.error = LeebArchive::tr("--from、--to、--part、--heat 和 --utc 不用于 %1").arg(c.name);
    else if (verification)
        c.error = parseVerification(c.name, c.operands, parser, c.csv, &c.verification);
    else if (c.operands.size() != (bare ? 0 : 1))
        c.error = bare                                ? LeebArchive::tr("%1 不带操作数").arg(c.name)
                  : c.name == QLatin1String("export") ? LeebArchive::tr("export 需要一个 FILE.xlsx|FILE.pdf|FILE.csv")
                                                      : LeebArchive::tr("%1 需要一个下载编号").arg(c.name);
    else if (c.csv && c.name != QLatin1String("show"))
        c.error = LeebArchive::tr("--csv 只用于 show");
    else if (c.utc && c.name != QLatin1String("list"))
        c.error = LeebArchive::tr("--utc 只用于 list");
    else if ((c.from.isValid() || c.to.isValid()) && c.name != QLatin1String("list") &&
             c.name != QLatin1String("export"))
        c.error = LeebArchive::tr("--from 和 --to 只用于 list 和 export");
    else if ((parser.isSet(partOption) || parser.isSet(heatOption)) && c.name != QLatin1String("list") &&
             c.name != QLatin1String("export"))
        c.error = LeebArchive::tr("--part 和 --heat 只用于 list 和 export");
    else if (c.from.isValid() && c.to.isValid() && c.from > c.to)
        c.error =
            LeebArchive::tr("--from %1 晚于 --to %2").arg(c.from.toString(Qt::ISODate), c.to.toString(Qt::ISODate));
    else if (c.name == QLatin1String("export") && reportFileKind(c.operands.first()) == ReportFileKind::Unknown)
        c.error = LeebArchive::tr("无法导出到 %1：文件名须以 .xlsx、.pdf 或 .csv 结尾").arg(c.operands.first());
    return c;
}

CsvGroup csvGroup(const ArchivedGroup &g, const QHash<QString, PartLimit> &limits)
{
    return {g.downloadId, g.station, g.port, g.slot, g.measuredAt, g.record, g.tags, limits.value(g.tags.part)};
}

// The groups' CSV rows, each marked verified or not by the archive's verification log.
bool csvRows(Archive &archive, const QList<ArchivedGroup> &groups, const QHash<QString, PartLimit> &limits,
             QList<CsvGroup> *rows, QString *error)
{
    QList<VerificationCheck> checks;
    QHash<qint64, ReferenceBlock> blocks;
    if (!archive.verificationLog(&checks, &blocks, error))
        return false;
    rows->reserve(groups.size());
    for (const ArchivedGroup &g : groups)
        rows->append(csvGroup(g, limits));
    markVerified(rows, checks, blocks);
    return true;
}

QString dateText(const ArchivedGroup &g)
{
    return g.measuredAt.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// Local time with its offset from UTC, "2026-12-07 09:15:02 +08:00"; UTC as ISO 8601 with milliseconds.
QString timeText(const QDateTime &utc, bool asUtc)
{
    if (asUtc)
        return utc.toString(Qt::ISODateWithMs);
    const QDateTime local = utc.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
           QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

QString textBlock(const ArchivedGroup &g)
{
    const MeasurementGroup m = g.group();
    QString text = LeebArchive::tr("第 %1 组  %2\n")
                       .arg(g.slot + 1)
                       .arg(g.measuredAt.isValid() ? dateText(g) : LeebArchive::tr("（无此日期：%1）").arg(m.dateText));
    text += LeebArchive::tr("  冲击装置 %1（%2）  材料 %3（%4）  冲击方向 %5（%6）  测量类型 %7（%8）  表组 %9\n")
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
                      .arg(scaleName(scale), resultTexts(r).value(QStringLiteral("value")),
                           conversionStatusName(r.status));
    }
    text += QStringLiteral("  ") + values.join(QStringLiteral("  ")) + QLatin1Char('\n');
    QStringList impacts;
    for (double impact : m.impacts)
        impacts << QString::number(impact);
    text += LeebArchive::tr("  冲击值（%1）：%2\n").arg(m.impacts.size()).arg(impacts.join(QLatin1Char(' ')));
    return text;
}

bool downloadId(const QString &text, qint64 *id)
{
    bool ok = false;
    *id = text.toLongLong(&ok);
    return ok && *id > 0;
}

// A name from outside (a station's host name, a port) as one field of a list line: a tab or line break in it would
// split the line for the scripts that read it.
QString listField(const QString &text)
{
    QString field;
    field.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            field += QLatin1String("\\\\");
        else if (c == QLatin1Char('\t'))
            field += QLatin1String("\\t");
        else if (c == QLatin1Char('\n'))
            field += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            field += QLatin1String("\\r");
        else
            field += c;
    }
    return field;
}

int list(Archive &archive, const Command &c)
{
    DownloadFilter filter;
    filter.from = c.from;
    filter.to = c.to;
    filter.part = c.part;
    filter.heat = c.heat;
    filter.timeSpec = c.utc ? Qt::UTC : Qt::LocalTime; // the days of the times shown
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
                        .arg(timeText(d.downloadedAt, c.utc), listField(d.station), listField(d.port))
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
        QHash<QString, PartLimit> limits;
        QList<CsvGroup> rows;
        if (!archive.partLimits(&limits, &error) || !csvRows(archive, groups, limits, &rows, &error))
            return failed(error);
        text = csvHeader();
        for (const CsvGroup &row : rows)
            text += csvLine(row);
    } else {
        text = LeebArchive::tr("下载 %1\n  时间 %2（最后确认 %3）\n  工作站 %4\n  串口 %5\n  程序 %6\n  组数 %7\n")
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
        return failed(LeebArchive::tr("无法写入标准输出"));
    return 0;
}

// Exit 0 when the archive is sound, 1 when it was damaged (saying what was found and done) or cannot be checked.
int check(const QString &location)
{
    ArchiveLocation parsed;
    QString error;
    if (!parseArchiveLocation(location, &parsed, &error))
        return failed(error);
    if (parsed.kind != ArchiveLocation::SQLite)
        return refuse(LeebArchive::tr("check 只用于 SQLite 存档；PostgreSQL 服务器自己检查其数据"));
    const ArchiveCheckResult result = checkArchive(parsed.path);
    const QString found = result.problems.mid(0, 3).join(QStringLiteral("; "));
    switch (result.outcome) {
    case ArchiveCheckResult::Sound:
        out(LeebArchive::tr("存档 %1 完好\n").arg(parsed.path));
        return 0;
    case ArchiveCheckResult::Reindexed:
        out(LeebArchive::tr("存档 %1 的索引已损坏（%2）：已重建，存档现在完好\n").arg(parsed.path, found));
        return ExitFailed;
    case ArchiveCheckResult::Recovered:
        out(LeebArchive::tr("存档 %1 已损坏（%2）：原文件已移至 %3；新的存档收入了 %4 次下载，%5 次下载无法读取\n")
                .arg(parsed.path, found, result.movedAsidePath)
                .arg(result.recovered)
                .arg(result.unreadable));
        return ExitFailed;
    case ArchiveCheckResult::Failed:
        break;
    }
    return failed(result.problems.isEmpty()
                      ? result.reason
                      : LeebArchive::tr("存档已损坏（%1），未能修复：%2").arg(found, result.reason));
}

int exportSpan(Archive &archive, const Command &c)
{
    const QString fileName = c.operands.first();
    QList<ArchivedGroup> groups;
    QString error;
    if (!archive.groups({c.from, c.to, c.part, c.heat, QString()}, &groups, &error))
        return failed(error);
    QHash<QString, PartLimit> limits;
    if (!archive.partLimits(&limits, &error))
        return failed(error);
    if (reportFileKind(fileName) == ReportFileKind::Csv) {
        QList<CsvGroup> rows;
        if (!csvRows(archive, groups, limits, &rows, &error))
            return failed(error);
        if (!writeCsvFile(fileName, rows, &error))
            return failed(LeebArchive::tr("无法写入 %1：%2").arg(fileName, error));
    } else {
        QList<MeasurementGroup> built;
        QList<GroupTrace> traces;
        built.reserve(groups.size());
        for (const ArchivedGroup &g : groups) {
            built.append(g.group());
            traces.append({g.tags, limits.value(g.tags.part)});
        }
        // The report names the checks that cover its groups and marks those not verified.
        VerificationLog log;
        if (!archive.verificationLog(&log.checks, &log.blocks, &error))
            return failed(error);
        if (!writeReportFile(fileName, Settings::reportHeader(), built, &error, traces, &log))
            return failed(LeebArchive::tr("导出到 %1 失败：%2").arg(fileName, error));
    }
    out(LeebArchive::tr("已将 %1 组数据写入 %2\n").arg(groups.size()).arg(fileName));
    return 0;
}

} // namespace

void leebarchive::out(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

int leebarchive::refuse(const QString &message)
{
    std::fprintf(stderr, "leeb-archive: %s\n%s\n", qPrintable(message),
                 qPrintable(LeebArchive::tr("用法见 'leeb-archive --help'。")));
    return ExitRefused;
}

int leebarchive::failed(const QString &message)
{
    std::fprintf(stderr, "leeb-archive: %s\n", qPrintable(message));
    return ExitFailed;
}

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Command c = parse(arguments);
    qint64 id = 0;
    const bool needsId = c.error.isEmpty() && !c.help && !c.version &&
                         (c.name == QLatin1String("show") || c.name == QLatin1String("raw"));
    const bool badId = needsId && !downloadId(c.operands.first(), &id);

    // The report needs fonts and a paint device, never a display.
    const bool report =
        c.error.isEmpty() && !c.help && !c.version &&
        ((c.name == QLatin1String("export") && reportFileKind(c.operands.first()) != ReportFileKind::Csv) ||
         c.verification.kind == VerificationCommand::ChecksExport);
    if (report && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The reasons are printed once, by the tool; the link's and archive's diagnostics would bury them.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false\nleeb.archive.warning=false"));
    QScopedPointer<QCoreApplication> app(report ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));
    // The window's name, so that both find the same default archive in the application data folder.
    QCoreApplication::setApplicationName(QStringLiteral("leeb-companion"));
    initResources();
    // The window's language, unless the command line names one; the catalogue needs the application object.
    QTranslator translator;
    const int language = c.language >= 0 ? c.language : Settings::language();
    if (translator.load(QString::fromLatin1(LanguageSettings::catalogue(language))))
        QCoreApplication::installTranslator(&translator);
    if (!c.error.isEmpty())
        c = parse(arguments); // again, for the reason in that language
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
    if (badId)
        return refuse(LeebArchive::tr("下载编号 '%1' 有误：须为 list 显示的编号").arg(c.operands.first()));
    if (report)
        setEmbeddedApplicationFont();

    Archive archive;
    bool settingsIgnored = false;
    const QString location = resolveArchiveLocation(c.archive, &settingsIgnored);
    if (settingsIgnored)
        std::fprintf(stderr, "leeb-archive: %s\n",
                     qPrintable(LeebArchive::tr("%1 属于其他用户或可被其他用户修改：未采用其中的存档位置，使用默认存档")
                                    .arg(QFileInfo(QString::fromLatin1(Settings::fileName)).absoluteFilePath())));
    if (c.name == QLatin1String("check"))
        return check(location);
    // Adding a block or a check writes: the archive is made, or brought up to date, as the window would.
    const ArchiveOpenResult opened =
        archive.open(location, c.verification.writes() ? Archive::ReadWrite : Archive::ReadOnly);
    if (!opened.ok())
        return failed(opened.reason);
    if (c.name == QLatin1String("list"))
        return list(archive, c);
    if (c.name == QLatin1String("show"))
        return show(archive, id, c.csv);
    if (c.name == QLatin1String("raw"))
        return raw(archive, id);
    if (c.verification.kind != VerificationCommand::None)
        return runVerification(archive, c.verification);
    return exportSpan(archive, c);
}
