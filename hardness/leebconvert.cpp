// leeb-convert: converts HL values with the program's own conversion tables, for checking an instrument's conversion
// or publishing the curve of a material. Refusals go to standard error with exit code 2.

#include "conversion.h"
#include "scales.h"
#include "valuetext.h"

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

const quint8 hardnessScales[] = {ScaleHRB, ScaleHRC, ScaleHB, ScaleHV, ScaleHS};

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
    for (quint8 scale : hardnessScales)
        names << scaleName(scale);
    names << scaleName(ScaleSTR);
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

bool parseDevice(const QString &text, quint8 *device)
{
    for (quint8 code = DeviceD; code <= DeviceE; ++code) {
        if (text == deviceName(code)) {
            *device = code;
            return true;
        }
    }
    return false;
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

// The value as the program stores a group's result, so that the texts come out exactly as it shows them.
ConversionResult storedResult(float value, ConversionStatus status)
{
    return ConversionResult{double(value), status};
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
    const QStringList args = QCoreApplication::arguments().mid(1);

    const QStringList flagNames = {QStringLiteral("--strength"), QStringLiteral("--csv"), QStringLiteral("--table")};
    const QStringList valueNames = {QStringLiteral("--device"), QStringLiteral("--material"), QStringLiteral("--set"),
                                    QStringLiteral("--scale")};
    QStringList given;
    QMap<QString, QString> values;
    QStringList hlTexts;
    bool optionsEnded = false;

    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        // A negative number is an HL value to be refused as such, not an unknown option.
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || isNumber(arg)) {
            hlTexts << arg.trimmed();
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            QTextStream(stdout) << usage();
            return 0;
        }
        const int equals = arg.indexOf(QLatin1Char('='));
        const QString name = equals > 0 ? arg.left(equals) : arg;
        if (!flagNames.contains(name) && !valueNames.contains(name))
            return refuse(text("unknown option '%1'; accepted: %2, --help")
                              .arg(name, (valueNames + flagNames).join(QStringLiteral(", "))));
        if (given.contains(name))
            return refuse(text("option %1 is given more than once").arg(name));
        given << name;
        if (flagNames.contains(name)) {
            if (equals > 0)
                return refuse(text("option %1 takes no value").arg(name));
            continue;
        }
        if (equals > 0) {
            values.insert(name, arg.mid(equals + 1));
        } else if (i + 1 < args.size()) {
            values.insert(name, args.at(++i));
        } else {
            return refuse(text("option %1 needs a value").arg(name));
        }
    }

    const bool strength = given.contains(QLatin1String("--strength"));
    const bool csv = given.contains(QLatin1String("--csv"));
    const bool table = given.contains(QLatin1String("--table"));

    Request request;
    if (!values.contains(QStringLiteral("--device")))
        return refuse(text("--device is required; accepted: %1").arg(acceptedDevices()));
    const QString deviceText = values.value(QStringLiteral("--device"));
    if (!parseDevice(deviceText, &request.device))
        return refuse(text("'%1' is not an impact device; accepted: %2").arg(deviceText, acceptedDevices()));

    if (!values.contains(QStringLiteral("--material")))
        return refuse(text("--material is required; accepted: 0 to %1").arg(MaxMaterial));
    const QString materialText = values.value(QStringLiteral("--material"));
    bool materialOk = false;
    const uint material = materialText.toUInt(&materialOk, 10);
    if (!materialOk || material > MaxMaterial)
        return refuse(
            text("'%1' is not a material index; accepted: whole numbers 0 to %2").arg(materialText).arg(MaxMaterial));
    request.material = static_cast<quint8>(material);

    if (values.contains(QStringLiteral("--set"))) {
        const QString setText = values.value(QStringLiteral("--set"));
        if (setText != QLatin1String("1") && setText != QLatin1String("2"))
            return refuse(text("'%1' is not a table set; accepted: 1, 2").arg(setText));
        request.tableSet2 = setText == QLatin1String("2");
    }

    QTextStream out(stdout);
    const QString header = QStringLiteral("hl,scale,status,value");

    if (table) {
        if (!values.contains(QStringLiteral("--scale")))
            return refuse(text("--table needs --scale; accepted: %1").arg(acceptedScales()));
        const QString scaleText = values.value(QStringLiteral("--scale"));
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

    if (values.contains(QStringLiteral("--scale")))
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

    // HL first on the display line, as the program shows a group; the CSV has it in its own column.
    QList<quint8> scales;
    if (!csv)
        scales << ScaleHL;
    if (strength)
        scales << ScaleSTR;
    else
        scales << QList<quint8>(std::begin(hardnessScales), std::end(hardnessScales));

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
                             resultTexts(storedResult(value, status)).value(QStringLiteral("value"));
        }
        if (!csv)
            out << texts.join(QLatin1Char(' ')) << '\n';
    }
    return 0;
}
