#pragma once
// Groups of the report tests, numbered into their dates so that rows can be told apart.
#include "judgement.h"
#include "measurementgroup.h"
#include "reportcontent.h"

#include <QFile>
#include <QMetaType>

Q_DECLARE_METATYPE(MeasurementGroup)
Q_DECLARE_METATYPE(GroupTrace)
Q_DECLARE_METATYPE(VerificationLog)
using Groups = QList<MeasurementGroup>;
using Traces = QList<GroupTrace>;

inline ConversionResult shown(double value)
{
    return {value, ConversionStatus::Ok};
}

// Numbered into its date, so that rows can be told apart. HRB is above its range, strength not available.
inline MeasurementGroup hardnessGroup(int number = 1)
{
    MeasurementGroup g;
    g.impacts = {448, 452, 450};
    g.dateText = QStringLiteral("3/%1 9:5").arg(number);
    g.measured = QDateTime(QDate(2026, 3, 1), QTime(9, 5));
    g.deviceName = QStringLiteral("D"), g.directionName = QString::fromUtf8("向下");
    g.scale = ScaleHRC, g.scaleName = QStringLiteral("HRC"), g.materialName = QString::fromUtf8("钢和铸钢");
    g.setResult(ScaleHL, shown(450)), g.setResult(ScaleHRB, {0.0, ConversionStatus::AboveRange});
    g.setResult(ScaleHS, shown(60)), g.setResult(ScaleHB, shown(300)), g.setResult(ScaleHRC, shown(45));
    g.setResult(ScaleHV, shown(470)), g.setResult(ScaleSTR, {0.0, ConversionStatus::NotAvailable});
    return g;
}

inline Groups hardnessGroups(int count)
{
    Groups groups;
    for (int i = 1; i <= count; ++i)
        groups << hardnessGroup(i);
    return groups;
}

inline MeasurementGroup strengthGroup()
{
    MeasurementGroup g = hardnessGroup();
    g.impacts = {520};
    g.dateText = QStringLiteral("12/31 23:59"), g.measured = QDateTime(QDate(2026, 12, 31), QTime(23, 59));
    g.directionName = QString::fromUtf8("90°"), g.scale = ScaleSTR, g.scaleName = "STR", g.materialName = "碳钢";
    for (HardnessScale scale : {ScaleHRB, ScaleHS, ScaleHB, ScaleHRC, ScaleHV})
        g.setResult(scale, {0.0, ConversionStatus::NotAvailable});
    g.setResult(ScaleHL, shown(520)), g.setResult(ScaleSTR, shown(1234));
    return g;
}

inline QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
