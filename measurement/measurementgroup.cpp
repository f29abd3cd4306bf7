#include "measurementgroup.h"

#include "conversion.h"
#include "scales.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGroups, "leeb.link.groups")

namespace {

// QT_TRANSLATE_NOOP keeps the texts visible to lupdate; they are looked up when asked for, in the language of the
// moment.
const char *const DirectionTexts[] = {
    QT_TRANSLATE_NOOP("QObject", "向下"),
    QT_TRANSLATE_NOOP("QObject", "斜下"),
};

const char *const MaterialTexts[] = {
    QT_TRANSLATE_NOOP("QObject", "钢和铸钢"),   QT_TRANSLATE_NOOP("QObject", "合金工具钢"),
    QT_TRANSLATE_NOOP("QObject", "铸铝合金"),   QT_TRANSLATE_NOOP("QObject", "灰铸铁"),
    QT_TRANSLATE_NOOP("QObject", "球墨铸铁"),   QT_TRANSLATE_NOOP("QObject", "不锈钢"),
    QT_TRANSLATE_NOOP("QObject", "铜锌合金"),   QT_TRANSLATE_NOOP("QObject", "铜锡合金"),
    QT_TRANSLATE_NOOP("QObject", "纯铜"),       QT_TRANSLATE_NOOP("QObject", "碳钢"),
    QT_TRANSLATE_NOOP("QObject", "铬钢"),       QT_TRANSLATE_NOOP("QObject", "铬钒钢"),
    QT_TRANSLATE_NOOP("QObject", "铬镍钢"),     QT_TRANSLATE_NOOP("QObject", "铬钼钢"),
    QT_TRANSLATE_NOOP("QObject", "铬镍钼钢"),   QT_TRANSLATE_NOOP("QObject", "铬锰硅钢"),
    QT_TRANSLATE_NOOP("QObject", "超高强度钢"), QT_TRANSLATE_NOOP("QObject", "不锈钢"),
};

const char *const InvalidDateText = QT_TRANSLATE_NOOP("QObject", "日期无效");

constexpr int StrengthMaterialOffset = 9;

QString translated(const char *source)
{
    return QCoreApplication::translate("QObject", source);
}

ConversionResult convert(ConversionStatus (*conversion)(float *, quint8, quint8, quint8), quint16 hl, quint8 scale,
                         quint8 device, quint8 material)
{
    float v = hl;
    ConversionResult result;
    result.status = conversion(&v, scale, device, material);
    result.value = v;
    return result;
}

} // namespace

QString scaleText(quint8 code)
{
    return scaleName(code);
}

QString deviceText(quint8 code)
{
    return deviceName(code);
}

QString directionText(quint8 code)
{
    switch (code) {
    case 0:
    case 1:
        return translated(DirectionTexts[code]);
    case 2:
        return QStringLiteral("90°");
    case 3:
        return QStringLiteral("135°");
    case 4:
        return QStringLiteral("150°");
    default:
        return QString();
    }
}

QString groupMaterialText(const MeasurementGroup &group)
{
    return materialText(group.isStrength() ? group.material + StrengthMaterialOffset : group.material);
}

QString materialText(quint8 index)
{
    if (index >= std::size(MaterialTexts))
        return QString();
    return translated(MaterialTexts[index]);
}

QString invalidDateText()
{
    return translated(InvalidDateText);
}

QString MeasurementGroup::shownDateText() const
{
    return dateValid() ? dateText : invalidDateText();
}

QDateTime groupDateTime(int month, int day, int hour, int minute, const QDate &downloadDate)
{
    const bool afterDownload =
        month > downloadDate.month() || (month == downloadDate.month() && day > downloadDate.day());
    const QDate date(downloadDate.year() - (afterDownload ? 1 : 0), month, day);
    const QTime time(hour, minute);
    if (!downloadDate.isValid() || !date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

MeasurementGroup buildGroup(const GroupRecord &record, const QDate &downloadDate)
{
    MeasurementGroup g;
    for (int i = 0; i < record.impactCount && i < groups::MaxImpacts; ++i)
        g.impacts.append(record.impacts[i]);
    g.dateText = QStringLiteral("%1/%2 %3:%4").arg(record.month).arg(record.day).arg(record.hour).arg(record.minute);
    g.measured = groupDateTime(record.month, record.day, record.hour, record.minute, downloadDate);
    g.device = record.device;
    g.deviceName = deviceText(record.device);
    g.material = record.material;
    g.direction = record.direction;
    g.directionName = directionText(record.direction);
    g.scale = record.scale;
    g.scaleName = scaleText(record.scale);
    g.materialName = groupMaterialText(g);
    qCDebug(lcGroups) << record.scale << "unit";

    // A strength group carries its strength and the HL it was converted from; a hardness group every scale but
    // strength.
    const auto conversion = record.tableSet ? convertLeebSet2 : convertLeebSet1;
    for (HardnessScale scale : DisplayScales) {
        const bool converted = scale == ScaleHL || g.isStrength() == (scale == ScaleSTR);
        g.setResult(scale, converted ? convert(conversion, record.groupValue, scale, record.device, record.material)
                                     : ConversionResult{0.0, ConversionStatus::NotAvailable});
    }
    return g;
}
