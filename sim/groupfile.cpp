#include "groupfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>

#include <cmath>

namespace {

struct Field
{
    const char *name;
    int maximum;
    quint8 GroupRecord::*member8;
    quint16 GroupRecord::*member16;
};

// The maxima are the bit widths of the packed record, so that nothing is silently cut off when encoding.
const Field fields[] = {
    {"month", 15, &GroupRecord::month, nullptr},         {"day", 31, &GroupRecord::day, nullptr},
    {"hour", 31, &GroupRecord::hour, nullptr},           {"minute", 63, &GroupRecord::minute, nullptr},
    {"tableSet", 1, &GroupRecord::tableSet, nullptr},    {"groupValue", 1023, nullptr, &GroupRecord::groupValue},
    {"device", 7, &GroupRecord::device, nullptr},        {"scale", 7, &GroupRecord::scale, nullptr},
    {"direction", 15, &GroupRecord::direction, nullptr}, {"material", 15, &GroupRecord::material, nullptr},
};

const char ImpactsKey[] = "impacts";

// Reads an integer from 0 to maximum; on failure says why, without the location.
bool readInteger(const QJsonValue &value, int maximum, int *out, QString *why)
{
    if (!value.isDouble()) {
        *why = QStringLiteral("is not an integer");
        return false;
    }
    const double d = value.toDouble();
    if (std::floor(d) != d) {
        *why = QStringLiteral("%1 is not an integer").arg(d);
        return false;
    }
    if (d < 0 || d > maximum) {
        *why = QStringLiteral("%1 is outside 0 to %2").arg(d, 0, 'f', 0).arg(maximum);
        return false;
    }
    *out = int(d);
    return true;
}

bool readGroup(const QJsonValue &entry, const QString &where, GroupRecord *group, QString *error)
{
    if (!entry.isObject()) {
        *error = QStringLiteral("%1: is not an object").arg(where);
        return false;
    }
    const QJsonObject object = entry.toObject();

    QStringList known{QString::fromLatin1(ImpactsKey)};
    for (const Field &field : fields)
        known << QString::fromLatin1(field.name);
    for (const QString &key : object.keys()) {
        if (!known.contains(key)) {
            *error = QStringLiteral("%1: unknown field \"%2\" (known: %3)").arg(where, key, known.join(", "));
            return false;
        }
    }

    for (const Field &field : fields) {
        const QString name = QString::fromLatin1(field.name);
        if (!object.contains(name)) {
            *error = QStringLiteral("%1.%2: missing").arg(where, name);
            return false;
        }
        int value = 0;
        QString why;
        if (!readInteger(object.value(name), field.maximum, &value, &why)) {
            *error = QStringLiteral("%1.%2: %3").arg(where, name, why);
            return false;
        }
        if (field.member8)
            group->*field.member8 = quint8(value);
        else
            group->*field.member16 = quint16(value);
    }

    const QString impactsWhere = where + QLatin1Char('.') + QLatin1String(ImpactsKey);
    if (!object.contains(QLatin1String(ImpactsKey))) {
        *error = QStringLiteral("%1: missing").arg(impactsWhere);
        return false;
    }
    const QJsonValue impactsValue = object.value(QLatin1String(ImpactsKey));
    if (!impactsValue.isArray()) {
        *error = QStringLiteral("%1: is not an array").arg(impactsWhere);
        return false;
    }
    const QJsonArray impacts = impactsValue.toArray();
    if (impacts.isEmpty() || impacts.size() > groups::MaxImpacts) {
        *error = QStringLiteral("%1: has %2 values, needs 1 to %3")
                     .arg(impactsWhere)
                     .arg(impacts.size())
                     .arg(groups::MaxImpacts);
        return false;
    }
    for (int i = 0; i < impacts.size(); ++i) {
        int value = 0;
        QString why;
        if (!readInteger(impacts.at(i), 1023, &value, &why)) {
            *error = QStringLiteral("%1[%2]: %3").arg(impactsWhere).arg(i).arg(why);
            return false;
        }
        group->impacts[i] = quint16(value);
    }
    group->impactCount = quint8(impacts.size());
    return true;
}

} // namespace

bool loadGroupsJson(const QString &path, QList<GroupRecord> *out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot open: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("%1: not valid JSON at offset %2: %3")
                     .arg(path)
                     .arg(parseError.offset)
                     .arg(parseError.errorString());
        return false;
    }
    if (!document.isArray()) {
        *error = QStringLiteral("%1: expected an array of groups").arg(path);
        return false;
    }
    const QJsonArray entries = document.array();
    if (entries.size() > groups::SlotCount) {
        *error = QStringLiteral("%1: %2 groups, the instrument holds at most %3")
                     .arg(path)
                     .arg(entries.size())
                     .arg(groups::SlotCount);
        return false;
    }

    QList<GroupRecord> result;
    for (int i = 0; i < entries.size(); ++i) {
        GroupRecord group;
        if (!readGroup(entries.at(i), QStringLiteral("[%1]").arg(i), &group, error)) {
            *error = path + QStringLiteral(": ") + *error;
            return false;
        }
        result.append(group);
    }
    *out = result;
    return true;
}
