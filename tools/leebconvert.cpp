// leeb-convert: converts HL values with the program's own conversion tables, for checking an instrument's conversion
// or publishing the curve of a material. Refusals go to standard error with exit code 2.

#include "conversion.h"
#include "scales.h"
#include "valuetext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <iterator>

namespace {

// The tool speaks to engineers on a terminal, in English only; its texts stay out of the window's catalogues.
QString text(const char *source)
{
    return QString::fromUtf8(source);
}

constexpr int ExitRefused = 2;
constexpr double MaxHl = 1023.0; // the instrument's HL fields have ten bits
constexpr quint8 MaxMaterial = 8;

QString statusName(ConversionStatus status)
{
    static const char *const names[] = {"NoTable", "Ok", "AboveRange", "BelowRange", "NotAvailable"};
    const auto index = static_cast<quint8>(status);
    return index < std::size(names) ? QString::fromLatin1(names[index]) : QString::number(index);
}

QString acceptedDevices()
{
    QStringList names;
    for (quint8 device = DeviceD; device <= DeviceE; ++device)
        names << deviceName(device);
    return names.join(QStringLiteral(", "));
}

QString acceptedScales()
{
    QStringList names;
    for (HardnessScale scale : DisplayScales) {
        if (scale != ScaleHL)
            names << scaleName(scale);
    }
    return names.join(QStringLiteral(", "));
}

QString usage()
{
    return text("Usage: leeb-convert --device NAME --material N [--set 1|2] [--strength] [--csv] HL...\n"
                "       leeb-convert --table --scale NAME --device NAME --material N [--set 1|2]\n"
                "\n"
                "Converts Leeb hardness values with the program's conversion tables.\n"
                "  --device NAME   impact device: %1\n"
                "  --material N    material index 0 to 8 (a strength material with --strength or --scale STR)\n"
                "  --set 1|2       conversion table set (default 1)\n"
                "  --strength      convert to tensile strength (STR) instead of the hardness scales\n"
                "  --csv           one line per conversion: hl,scale,status,value\n"
                "  --table         print every whole HL of one curve as CSV\n"
                "  --scale NAME    the curve for --table: %2\n"
                "HL values are numbers from 0 to %3.\n")
        .arg(acceptedDevices(), acceptedScales())
        .arg(MaxHl);
}

int refuse(const QString &message)
{
    QTextStream err(stderr);
    err << text("leeb-convert: %1").arg(message) << '\n' << text("Try 'leeb-convert --help'.") << '\n';
    return ExitRefused;
}

bool parseScale(const QString &text, quint8 *scale)
{
    for (quint8 code = ScaleHRB; code <= ScaleSTR; ++code) {
        if (code != ScaleNone && text == scaleName(code)) {
            *scale = code;
            return true;
        }
    }
    return false;
}

bool parseHl(const QString &text, float *hl)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || value < 0.0 || value > MaxHl)
        return false;
    *hl = static_cast<float>(value);
    return true;
}

bool isNumber(const QString &text)
{
    bool ok = false;
    QLocale::c().toDouble(text, &ok);
    return ok;
}

// The name as it is typed: one letter after one dash, a word after two.
QString optionText(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// QCommandLineParser takes every argument that starts with a dash for an option. A negative number where an HL value
// may stand is an HL value, refused as such: a leading space keeps it a positional argument (HL values are trimmed).
QStringList negativeNumbersAsValues(QStringList arguments, const QList<QCommandLineOption> &options)
{
    QStringList takingValues;
    for (const QCommandLineOption &option : options) {
        if (!option.valueName().isEmpty())
            takingValues << optionText(option.names().constFirst());
    }
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--"))
            break;
        if (takingValues.contains(arg))
            ++i; // the next argument is its value, whatever it looks like
        else if (arg.startsWith(QLatin1Char('-')) && isNumber(arg))
            arguments[i].prepend(QLatin1Char(' '));
    }
    return arguments;
}

QString csvLine(const QString &hl, quint8 scale, ConversionStatus status, float value)
{
    const QString number = status == ConversionStatus::Ok ? QString::asprintf("%.9g", double(value)) : QString();
    return QStringLiteral("%1,%2,%3,%4").arg(hl, scaleName(scale), statusName(status), number);
}

struct Request
{
    quint8 device = DeviceNone;
    quint8 material = 0;
    bool tableSet2 = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    // The usage above is the help; the options carry no descriptions of their own.
    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption deviceOption(QStringLiteral("device"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption materialOption(QStringLiteral("material"), QString(), QStringLiteral("N"));
    const QCommandLineOption setOption(QStringLiteral("set"), QString(), QStringLiteral("1|2"));
    const QCommandLineOption scaleOption(QStringLiteral("scale"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption strengthOption(QStringLiteral("strength"));
    const QCommandLineOption csvOption(QStringLiteral("csv"));
    const QCommandLineOption tableOption(QStringLiteral("table"));
    const QList<QCommandLineOption> options = {deviceOption,   materialOption, setOption,  scaleOption,
                                               strengthOption, csvOption,      tableOption};
    parser.addOptions(options);
    parser.addOption(helpOption);

    if (!parser.parse(negativeNumbersAsValues(QCoreApplication::arguments(), options))) {
        if (parser.unknownOptionNames().isEmpty())
            return refuse(parser.errorText());
        QStringList accepted;
        for (const QCommandLineOption &option : options)
            accepted << QStringLiteral("--") + option.names().constFirst();
        return refuse(
            text("unknown option '%1'; accepted: %2, --help")
                .arg(optionText(parser.unknownOptionNames().constFirst()), accepted.join(QStringLiteral(", "))));
    }
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << usage();
        return 0;
    }
    const QStringList given = parser.optionNames();
    for (const QString &name : given) {
        if (given.count(name) > 1)
            return refuse(text("option %1 is given more than once").arg(optionText(name)));
    }
    QStringList hlTexts;
    for (const QString &hlText : parser.positionalArguments())
        hlTexts << hlText.trimmed();

    const bool strength = parser.isSet(strengthOption);
    const bool csv = parser.isSet(csvOption);
    const bool table = parser.isSet(tableOption);

    Request request;
    if (!parser.isSet(deviceOption))
        return refuse(text("--device is required; accepted: %1").arg(acceptedDevices()));
    const QString deviceText = parser.value(deviceOption);
    if (!deviceFromName(deviceText, &request.device))
        return refuse(text("'%1' is not an impact device; accepted: %2").arg(deviceText, acceptedDevices()));

    if (!parser.isSet(materialOption))
        return refuse(text("--material is required; accepted: 0 to %1").arg(MaxMaterial));
    const QString materialText = parser.value(materialOption);
    bool materialOk = false;
    const uint material = materialText.toUInt(&materialOk, 10);
    if (!materialOk || material > MaxMaterial)
        return refuse(
            text("'%1' is not a material index; accepted: whole numbers 0 to %2").arg(materialText).arg(MaxMaterial));
    request.material = static_cast<quint8>(material);

    if (parser.isSet(setOption)) {
        const QString setText = parser.value(setOption);
        if (setText != QLatin1String("1") && setText != QLatin1String("2"))
            return refuse(text("'%1' is not a table set; accepted: 1, 2").arg(setText));
        request.tableSet2 = setText == QLatin1String("2");
    }

    QTextStream out(stdout);
    const QString header = QStringLiteral("hl,scale,status,value");

    if (table) {
        if (!parser.isSet(scaleOption))
            return refuse(text("--table needs --scale; accepted: %1").arg(acceptedScales()));
        const QString scaleText = parser.value(scaleOption);
        quint8 scale = ScaleNone;
        if (!parseScale(scaleText, &scale))
            return refuse(text("'%1' is not a scale with curves; accepted: %2").arg(scaleText, acceptedScales()));
        if (strength && scale != ScaleSTR)
            return refuse(text("--strength converts to STR only; use --scale STR"));
        if (!hlTexts.isEmpty())
            return refuse(text("--table prints the whole curve and takes no HL values"));
        float hlMin = 0;
        float hlMax = 0;
        if (leebCurveLimits(scale, request.device, request.material, request.tableSet2, &hlMin, &hlMax) !=
            ConversionStatus::Ok)
            return refuse(text("there is no %1 curve for device %2, material %3 in table set %4")
                              .arg(scaleName(scale), deviceName(request.device))
                              .arg(request.material)
                              .arg(request.tableSet2 ? 2 : 1));
        out << header << '\n';
        for (int hl = int(std::ceil(hlMin)); hl <= int(std::floor(hlMax)); ++hl) {
            float value = float(hl);
            const ConversionStatus status =
                convertLeeb(&value, scale, request.device, request.material, request.tableSet2);
            out << csvLine(QString::number(hl), scale, status, value) << '\n';
        }
        return 0;
    }

    if (parser.isSet(scaleOption))
        return refuse(text("--scale is used with --table only"));
    if (hlTexts.isEmpty())
        return refuse(text("no HL value given; accepted: numbers from 0 to %1").arg(MaxHl));
    QList<float> hls;
    for (const QString &hlText : qAsConst(hlTexts)) {
        float hl = 0;
        if (!parseHl(hlText, &hl))
            return refuse(text("'%1' is not a valid HL value; accepted: numbers from 0 to %2").arg(hlText).arg(MaxHl));
        hls << hl;
    }

    // In the order the program shows a group, HL first on the display line; the CSV has HL in its own column.
    QList<quint8> scales;
    for (HardnessScale scale : DisplayScales) {
        if (scale == ScaleHL ? !csv : (scale == ScaleSTR) == strength)
            scales << scale;
    }

    if (csv)
        out << header << '\n';
    for (int i = 0; i < hls.size(); ++i) {
        QStringList texts;
        for (quint8 scale : qAsConst(scales)) {
            float value = hls.at(i);
            const ConversionStatus status =
                convertLeeb(&value, scale, request.device, request.material, request.tableSet2);
            if (csv)
                out << csvLine(hlTexts.at(i), scale, status, value) << '\n';
            else
                texts << scaleName(scale) + QLatin1Char('=') +
                             resultTexts(ConversionResult{double(value), status}).value(QStringLiteral("value"));
        }
        if (!csv)
            out << texts.join(QLatin1Char(' ')) << '\n';
    }
    return 0;
}
