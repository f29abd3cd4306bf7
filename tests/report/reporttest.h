#pragma once

#include "measurementgroup.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(MeasurementGroup)

// Groups made by hand and the command-line readers of the written files, shared by the report tests.
namespace reporttest {

inline ConversionResult shown(double value)
{
    return {value + 0.5, ConversionStatus::Ok};
}

inline ConversionResult status(ConversionStatus status)
{
    return {0.0, status};
}

// Numbered into its date, so that rows can be told apart.
inline MeasurementGroup hardnessGroup(int number = 1)
{
    MeasurementGroup g;
    g.impacts = {448, 452, 450};
    g.dateText = QStringLiteral("3/%1 9:5").arg(number);
    g.device = 1;
    g.deviceName = QStringLiteral("D");
    g.directionName = QString::fromUtf8("向下");
    g.scale = 2;
    g.scaleName = QStringLiteral("HRC");
    g.materialName = QString::fromUtf8("钢和铸钢");
    g.hl = shown(450);
    g.hrb = status(ConversionStatus::AboveRange);
    g.hs = shown(60);
    g.hb = shown(300);
    g.hrc = shown(45);
    g.hv = shown(470);
    g.strength = status(ConversionStatus::NotAvailable);
    return g;
}

inline MeasurementGroup strengthGroup()
{
    MeasurementGroup g = hardnessGroup();
    g.impacts = {520};
    g.dateText = QStringLiteral("12/31 23:59");
    g.direction = 2;
    g.directionName = QString::fromUtf8("90°");
    g.scale = 7;
    g.scaleName = QStringLiteral("STR");
    g.materialName = QString::fromUtf8("碳钢");
    g.hl = g.hrb = g.hs = g.hb = g.hrc = g.hv = status(ConversionStatus::NotAvailable);
    g.strength = shown(1234);
    return g;
}

inline QList<MeasurementGroup> hardnessGroups(int count)
{
    QList<MeasurementGroup> groups;
    for (int i = 1; i <= count; ++i)
        groups << hardnessGroup(i);
    return groups;
}

// Standard output of a tool run; empty when it failed.
inline QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ok =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? process.readAllStandardOutput() : QByteArray();
}

// Page count and paper as pdfinfo sees them: "3 A4" for three A4 portrait pages; empty for no readable PDF.
inline QString pdfPages(const QString &fileName)
{
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {fileName}));
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts \\(A4\\)")).match(info);
    const bool a4Portrait = size.hasMatch() && size.captured(1).toDouble() < size.captured(2).toDouble();
    return pages.hasMatch() ? pages.captured(1) + (a4Portrait ? " A4" : " not A4 portrait") : QString();
}

inline QString pdfText(const QString &fileName, int page)
{
    const QString number = QString::number(page);
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), {"-layout", "-f", number, "-l", number, fileName, "-"}));
}

inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace reporttest

// Each test runs in a folder of its own, since the settings file is ./PrintConfig.ini.
#define REPORT_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        Q_INIT_RESOURCE(resources);                                                                                    \
        QTemporaryDir folder;                                                                                          \
        if (!folder.isValid() || !QDir::setCurrent(folder.path()))                                                     \
            return 1;                                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
