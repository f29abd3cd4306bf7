#include "entry.h"

#include "batchexport.h"
#include "languagesettings.h"
#include "mainwindow.h"
#include "reportfile.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace {

// Qt's own options, as QGuiApplication, QApplication and the xcb platform read them (with one dash or two). Those
// that take the next argument as their value, then those that stand alone or carry it after "=".
const char *const qtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",      "qwindowgeometry",
    "geometry", "qwindowtitle",       "title",         "qwindowicon", "icon",
    "style",    "stylesheet",         "session",       "display",     "name",
    "visual",   "graphicssystem"};
const char *const qtOptionsAlone[] = {"reverse", "widgetcount", "testability", "nograb", "dograb", "sync"};
const char *const qtOptionsWithEquals[] = {"style=", "stylesheet=", "qmljsdebugger="};

bool oneOf(const QString &name, const char *const *begin, const char *const *end, bool prefix = false)
{
    return std::any_of(begin, end, [&](const char *known) {
        return prefix ? name.startsWith(QLatin1String(known)) : name == QLatin1String(known);
    });
}

Options refused(Options options, const QString &error)
{
    options.ok = false;
    options.error = error;
    return options;
}

} // namespace

bool parsePartLimit(const QString &text, PartLimit *limit, QString *error)
{
    const QStringList fields = text.split(QLatin1Char(':'));
    const auto refuse = [&](const QString &why) {
        *error = QStringLiteral("--limits %1: %2; give SCALE:LOW:HIGH, e.g. HRC:50: or HB::300").arg(text, why);
        return false;
    };
    if (fields.size() != 3)
        return refuse(QStringLiteral("three fields separated by colons are needed"));
    *limit = PartLimit();
    const auto scale = std::find_if(std::begin(DisplayScales), std::end(DisplayScales),
                                    [&](HardnessScale s) { return scaleName(s) == fields.at(0).trimmed(); });
    if (scale == std::end(DisplayScales))
        return refuse(QStringLiteral("unknown scale '%1' (HL, HRB, HRC, HB, HV, HS or STR)").arg(fields.at(0)));
    limit->scale = *scale;
    for (int i : {1, 2}) {
        const QString bound = fields.at(i).trimmed();
        if (bound.isEmpty())
            continue;
        bool number = false;
        const int value = bound.toInt(&number);
        if (!number)
            return refuse(QStringLiteral("'%1' is no whole number").arg(bound));
        (i == 1 ? limit->low : limit->high) = value;
    }
    if (!limit->isSet())
        return refuse(QStringLiteral("no bound given"));
    if (limit->low && limit->high && *limit->low > *limit->high)
        return refuse(QStringLiteral("the lower bound is above the upper one"));
    return true;
}

Options parseOptions(const QStringList &arguments)
{
    Options options;
    options.arguments = arguments;
    QString timeout;
    QString limits;
    bool tagged = false; // a tag option given
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        // Ours come as "--name VALUE" or "--name=VALUE"; Qt's with one dash or two, as Qt reads them.
        const bool ours = argument.startsWith(QLatin1String("--"));
        const QString bare = argument.mid(ours ? 2 : 1);
        const int equals = bare.indexOf(QLatin1Char('='));
        const QString name = ours && equals >= 0 ? bare.left(equals) : bare;
        const auto value = [&](QString *target) {
            if (ours && equals >= 0)
                *target = bare.mid(equals + 1);
            else if (i + 1 < arguments.size())
                *target = arguments.at(++i);
            else
                return false;
            return true;
        };
        QString text;
        if (ours && name == QLatin1String("port")) {
            if (!value(&text) || text.isEmpty())
                return refused(options, QStringLiteral("--port needs a device name"));
            options.ports << text;
        } else if (ours && name == QLatin1String("export")) {
            if (!value(&text) || text.isEmpty())
                return refused(options, QStringLiteral("--export needs a file name"));
            options.exportFile = text;
        } else if (ours && name == QLatin1String("archive")) {
            if (!value(&text) || text.isEmpty())
                return refused(options, QStringLiteral("--archive needs an SQLite file or a postgresql:// location"));
            options.archive = text;
        } else if (ours && (name == QLatin1String("part") || name == QLatin1String("heat") ||
                            name == QLatin1String("location") || name == QLatin1String("operator"))) {
            QString *tag = name == QLatin1String("part")       ? &options.tags.part
                           : name == QLatin1String("heat")     ? &options.tags.heat
                           : name == QLatin1String("location") ? &options.tags.location
                                                               : &options.tags.operatorName;
            if (!value(tag))
                return refused(options, QStringLiteral("--%1 needs a text").arg(name));
            tagged = true;
        } else if (ours && name == QLatin1String("limits")) {
            if (!value(&limits))
                return refused(options, QStringLiteral("--limits needs SCALE:LOW:HIGH"));
            tagged = true;
        } else if (ours && name == QLatin1String("timeout")) {
            if (!value(&timeout))
                return refused(options, QStringLiteral("--timeout needs a number of seconds"));
        } else if ((ours && name == QLatin1String("help")) || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (ours && name == QLatin1String("version")) {
            options.version = true;
        } else if (ours && name == QLatin1String("list-ports")) {
            options.listPorts = true;
        } else if (!argument.startsWith(QLatin1Char('-'))) {
            options.unknown << argument;
        } else if (oneOf(bare, std::begin(qtOptionsWithValue), std::end(qtOptionsWithValue))) {
            // The application object takes these from argv itself; only the platform matters before it exists.
            const QString given = i + 1 < arguments.size() ? arguments.at(++i) : QString();
            if (bare == QLatin1String("platform"))
                options.platform = given;
            options.displayOption = options.displayOption || bare == QLatin1String("display");
        } else if (!oneOf(bare, std::begin(qtOptionsAlone), std::end(qtOptionsAlone)) &&
                   !oneOf(bare, std::begin(qtOptionsWithEquals), std::end(qtOptionsWithEquals), true)) {
            options.unknown << argument;
        }
    }
    // Scripts must not run on a mistyped option.
    if (!options.unknown.isEmpty() && (!options.exportFile.isEmpty() || options.listPorts))
        return refused(options, QStringLiteral("Unknown option or argument: %1").arg(options.unknown.join(' ')));
    if (!options.exportFile.isEmpty() && reportFileKind(options.exportFile) == ReportFileKind::Unknown)
        return refused(options, exportEndingError(options.exportFile));
    if (tagged && options.exportFile.isEmpty())
        return refused(options, QStringLiteral("--part, --heat, --location, --operator and --limits are used with "
                                               "--export only"));
    if (!limits.isNull()) {
        if (options.tags.part.isEmpty())
            return refused(options, QStringLiteral("--limits sets the limit of a part: name it with --part"));
        if (!parsePartLimit(limits, &options.limit, &options.error))
            return refused(options, options.error);
    }
    if (!timeout.isNull()) {
        if (options.exportFile.isEmpty())
            return refused(options, QStringLiteral("--timeout is used with --export only"));
        bool number = false;
        options.timeoutSeconds = timeout.toInt(&number);
        if (!number || options.timeoutSeconds <= 0)
            return refused(options,
                           QStringLiteral("--timeout takes a whole number of seconds above 0, not '%1'").arg(timeout));
    }
    return options;
}

bool displayReachable(const Options &options, const QProcessEnvironment &environment)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (options.displayOption || !environment.value(QStringLiteral("DISPLAY")).isEmpty() ||
        !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return true;
    // As in Qt: -platform before QT_QPA_PLATFORM, "name:plugin options", ";" between fallbacks; none means xcb.
    const QString platforms =
        options.platform.isEmpty() ? environment.value(QStringLiteral("QT_QPA_PLATFORM")) : options.platform;
    const QString socket = environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + QLatin1String("/wayland-0");
    for (const QString &entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0);
        if (name.startsWith(QLatin1String("wayland")) ? QFileInfo::exists(socket) : name != QLatin1String("xcb"))
            return true; // offscreen, minimal, eglfs, linuxfb, vnc..., or a plugin Qt shall judge
    }
    return false;
#else
    Q_UNUSED(options)
    Q_UNUSED(environment)
    return true;
#endif
}

void installCatalogue()
{
    LanguageSettings::install(Settings::language());
}

QString usage(const QString &program)
{
    return QStringLiteral("Usage: %1 [--port NAME]... [--archive LOCATION] [Qt options such as -platform NAME, "
                          "-style NAME, -reverse]\n"
                          "       %1 --export FILE.xlsx|FILE.pdf|FILE.csv [--timeout SECONDS] [--port NAME]... "
                          "[--archive LOCATION]\n"
                          "          [--part TEXT] [--heat TEXT] [--location TEXT] [--operator TEXT] "
                          "[--limits SCALE:LOW:HIGH]\n"
                          "       %1 --list-ports [--port NAME]...\n"
                          "       %1 --help | --version\n"
                          "  --port NAME       probe the serial port NAME (a device path) first, before the system's "
                          "own ports\n"
                          "  --export FILE     download the groups once, write them to FILE (workbook, PDF report or "
                          "CSV) and exit,\n"
                          "                    without a window\n"
                          "  --timeout SECONDS with --export: give up after SECONDS (default 30)\n"
                          "  --part, --heat, --location, --operator TEXT\n"
                          "                    with --export: tag every group of the download with its part, "
                          "heat or batch,\n"
                          "                    location on the part and operator (kept in the archive, written "
                          "to the CSV)\n"
                          "  --limits SCALE:LOW:HIGH\n"
                          "                    with --part: the part's limit in scale HL, HRB, HRC, HB, HV, HS or "
                          "STR, bounds\n"
                          "                    inclusive, either one empty (HRC:50: or HB::300)\n"
                          "  --list-ports      list the serial ports and whether this user can open them, and exit\n"
                          "  --archive LOCATION\n"
                          "                    keep every download in this archive: an SQLite file or "
                          "postgresql://USER@HOST:PORT/DBNAME\n"
                          "                    (default: the settings file's Archive/location, else archive.sqlite "
                          "in the application data folder)\n"
                          "Exit status with --export: 0 written and archived; 1 nothing written (no instrument, no "
                          "groups, a failed check or write);\n"
                          "  2 bad arguments; 3 written, but the download could not be archived (the reason on "
                          "standard error)")
        .arg(program);
}

QString versionText()
{
    return QStringLiteral("leeb-companion " LEEB_VERSION);
}
