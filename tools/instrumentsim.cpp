// instrument-sim: plays the hardness tester on a pseudo-terminal until it is stopped.

#include "groupfile.h"
#include "instrument.h"
#include "samplegroups.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int ExitBadUsage = 2;
constexpr int ExitNoTerminal = 1;

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop normally, so the terminal is closed in order.
bool quitOnSignals(QCoreApplication *app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [app] { app->quit(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

int usageError(const QString &message)
{
    std::fprintf(stderr, "instrument-sim: %s\n", qPrintable(message));
    return ExitBadUsage;
}

bool parseNumber(const QString &text, int minimum, int maximum, int *out)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < minimum || value > maximum)
        return false;
    *out = value;
    return true;
}

// A command byte in hexadecimal, as in the log: "53" or "0x53".
bool parseCommand(QString text, int *out)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const int value = text.toInt(&ok, 16);
    if (!ok || text.size() > 2 || value < 0 || value > 0xFF)
        return false;
    *out = value;
    return true;
}

// Hexadecimal bytes, optionally separated by spaces or colons: "aa55" or "aa:55".
bool parseHexBytes(QString text, QByteArray *out)
{
    text.remove(QLatin1Char(' ')).remove(QLatin1Char(':'));
    if (text.isEmpty() || text.size() % 2 != 0)
        return false;
    for (const QChar c : text) {
        if (!QStringLiteral("0123456789abcdefABCDEF").contains(c))
            return false;
    }
    *out = QByteArray::fromHex(text.toLatin1());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("instrument-sim"));
    qSetMessagePattern(QStringLiteral("%{message}"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the hardness tester on a pseudo-terminal at 115200 8N1. Prints the terminal's path as "
                       "the first line on standard output, then answers the PC until stopped (or until the line "
                       "is dropped). Logs every frame on standard error. Command bytes are hexadecimal, e.g. 53."));
    // Not addHelpOption(): its --help-all would list Qt options this tool does not take.
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help and exit."));
    parser.addOption(helpOption);
    const QCommandLineOption groupsOption(QStringLiteral("groups"),
                                          QStringLiteral("Serve the groups of a JSON file instead of the samples."),
                                          QStringLiteral("file.json"));
    const QCommandLineOption noPacingOption(QStringLiteral("no-pacing"),
                                            QStringLiteral("Write answers at once instead of at line speed."));
    const QCommandLineOption chunkOption(
        QStringLiteral("chunk"), QStringLiteral("Send answers in pieces of this size."), QStringLiteral("bytes"));
    const QCommandLineOption chunkGapOption(
        QStringLiteral("chunk-gap"), QStringLiteral("Pause between the pieces of --chunk."), QStringLiteral("ms"));
    const QCommandLineOption strayOption(QStringLiteral("stray"),
                                         QStringLiteral("Send these bytes before every answer, e.g. aa55."),
                                         QStringLiteral("hex"));
    const QCommandLineOption badChecksumOption(QStringLiteral("bad-checksum"),
                                               QStringLiteral("Spoil the checksum of the first answer."));
    const QCommandLineOption badChecksumCountOption(
        QStringLiteral("bad-checksum-count"),
        QStringLiteral("Spoil the checksum of the first n answers; \"all\" spoils every one."), QStringLiteral("n"));
    const QCommandLineOption delayOption(QStringLiteral("delay"), QStringLiteral("Wait this long before answering."),
                                         QStringLiteral("ms"));
    const QCommandLineOption noAnswerOption(QStringLiteral("no-answer"), QStringLiteral("Answer nothing."));
    const QCommandLineOption noAnswerToOption(QStringLiteral("no-answer-to"),
                                              QStringLiteral("Do not answer this command (repeatable)."),
                                              QStringLiteral("cmd"));
    const QCommandLineOption dropAfterMsOption(
        QStringLiteral("drop-after-ms"), QStringLiteral("Drop the line this long after start."), QStringLiteral("ms"));
    const QCommandLineOption dropAfterCommandOption(
        QStringLiteral("drop-after-command"), QStringLiteral("Drop the line once this command has been answered."),
        QStringLiteral("cmd"));
    const QCommandLineOption dropOnCommandOption(QStringLiteral("drop-on-command"),
                                                 QStringLiteral("Drop the line as soon as this command arrives."),
                                                 QStringLiteral("cmd"));
    const QCommandLineOption damageOption(
        QStringLiteral("damage-groups"),
        QStringLiteral("Send group data that passes the frame check but is no download: \"short\" (half the "
                       "payload), \"garbage\" (random bytes, new in every answer) or \"long-length\" (length field 100 "
                       "too large)."),
        QStringLiteral("kind"));
    const QCommandLineOption damageCountOption(
        QStringLiteral("damage-count"), QStringLiteral("Damage only the first n group answers."), QStringLiteral("n"));
    parser.addOptions({groupsOption, noPacingOption, chunkOption, chunkGapOption, strayOption, badChecksumOption,
                       badChecksumCountOption, delayOption, noAnswerOption, noAnswerToOption, dropAfterMsOption,
                       dropAfterCommandOption, dropOnCommandOption, damageOption, damageCountOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    constexpr int MaxMs = 3600 * 1000;
    InstrumentFaults faults;
    if (parser.isSet(chunkOption) && !parseNumber(parser.value(chunkOption), 1, 1 << 20, &faults.chunkSize))
        return usageError(QStringLiteral("--chunk needs a byte count of at least 1"));
    if (parser.isSet(chunkGapOption)) {
        if (!parser.isSet(chunkOption))
            return usageError(QStringLiteral("--chunk-gap needs --chunk"));
        if (!parseNumber(parser.value(chunkGapOption), 0, MaxMs, &faults.chunkGapMs))
            return usageError(QStringLiteral("--chunk-gap needs milliseconds from 0 to %1").arg(MaxMs));
    }
    if (parser.isSet(strayOption) && !parseHexBytes(parser.value(strayOption), &faults.strayBytes))
        return usageError(QStringLiteral("--stray needs hexadecimal bytes, e.g. aa55"));
    if (parser.isSet(badChecksumOption) && parser.isSet(badChecksumCountOption))
        return usageError(QStringLiteral("use either --bad-checksum or --bad-checksum-count"));
    if (parser.isSet(badChecksumOption))
        faults.badChecksums = 1;
    if (parser.isSet(badChecksumCountOption)) {
        const QString value = parser.value(badChecksumCountOption);
        if (value == QLatin1String("all"))
            faults.badChecksums = -1;
        else if (!parseNumber(value, 1, 1 << 30, &faults.badChecksums))
            return usageError(QStringLiteral("--bad-checksum-count needs a count of at least 1, or \"all\""));
    }
    if (parser.isSet(delayOption) && !parseNumber(parser.value(delayOption), 0, MaxMs, &faults.answerDelayMs))
        return usageError(QStringLiteral("--delay needs milliseconds from 0 to %1").arg(MaxMs));
    faults.noAnswer = parser.isSet(noAnswerOption);
    for (const QString &value : parser.values(noAnswerToOption)) {
        int cmd = 0;
        if (!parseCommand(value, &cmd))
            return usageError(QStringLiteral("--no-answer-to needs a command byte in hexadecimal, e.g. 53"));
        faults.noAnswerTo.append(quint8(cmd));
    }
    if (parser.isSet(dropAfterMsOption) && !parseNumber(parser.value(dropAfterMsOption), 0, MaxMs, &faults.dropAfterMs))
        return usageError(QStringLiteral("--drop-after-ms needs milliseconds from 0 to %1").arg(MaxMs));
    if (parser.isSet(dropAfterCommandOption) && parser.isSet(dropOnCommandOption))
        return usageError(QStringLiteral("use either --drop-after-command or --drop-on-command"));
    for (const QCommandLineOption *option : {&dropAfterCommandOption, &dropOnCommandOption}) {
        if (!parser.isSet(*option))
            continue;
        if (!parseCommand(parser.value(*option), &faults.dropAfterCommand))
            return usageError(
                QStringLiteral("--%1 needs a command byte in hexadecimal, e.g. 53").arg(option->names().first()));
        faults.dropBeforeAnswer = option == &dropOnCommandOption;
    }

    if (parser.isSet(damageOption)) {
        const QString kind = parser.value(damageOption);
        if (kind == QLatin1String("short"))
            faults.groupDamage = InstrumentFaults::ShortGroups;
        else if (kind == QLatin1String("garbage"))
            faults.groupDamage = InstrumentFaults::GarbageGroups;
        else if (kind == QLatin1String("long-length"))
            faults.groupDamage = InstrumentFaults::LongLengthField;
        else
            return usageError(QStringLiteral("--damage-groups needs short, garbage or long-length"));
    }
    if (parser.isSet(damageCountOption)) {
        if (!parser.isSet(damageOption))
            return usageError(QStringLiteral("--damage-count needs --damage-groups"));
        if (!parseNumber(parser.value(damageCountOption), 1, 1 << 30, &faults.damagedGroupAnswers))
            return usageError(QStringLiteral("--damage-count needs a count of at least 1"));
    }

    QList<GroupRecord> groups = sampleGroups();
    if (parser.isSet(groupsOption)) {
        QString error;
        if (!loadGroupsJson(parser.value(groupsOption), &groups, &error))
            return usageError(error);
    }

    Instrument instrument;
    instrument.setGroups(groups);
    instrument.setPacing(!parser.isSet(noPacingOption));
    instrument.setFaults(faults);
    if (!instrument.open()) {
        std::fprintf(stderr, "instrument-sim: cannot open a pseudo-terminal: %s\n",
                     qPrintable(instrument.errorString()));
        return ExitNoTerminal;
    }
    if (!quitOnSignals(&app))
        std::fprintf(stderr, "instrument-sim: cannot catch SIGTERM/SIGINT; they end the program abruptly\n");
    QObject::connect(&instrument, &Instrument::lineDropped, &app, [] { QCoreApplication::exit(0); });

    std::printf("%s\n", qPrintable(instrument.slavePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "instrument-sim: serving %d groups\n", int(groups.size()));
    return app.exec();
}
