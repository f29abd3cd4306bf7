#pragma once

#include "measurementgroup.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(MeasurementGroup)

// Groups made by hand and the command-line tools that read the written files back, shared by the report tests.
namespace reporttest {

inline ConversionResult shown(double value)
{
    return {value + 0.5, ConversionStatus::Ok};
}

// Numbered into its date, so that rows can be told apart.
inline MeasurementGroup hardnessGroup(int number = 1)
{
    MeasurementGroup g;
    g.impacts = {448, 452, 450};
    g.dateText = QStringLiteral("3/%1 9:5").arg(number);
    g.deviceName = QStringLiteral("D");
    g.directionName = QString::fromUtf8("向下");
    g.scaleName = QStringLiteral("HRC");
    g.materialName = QString::fromUtf8("钢和铸钢");
    g.hl = shown(450);
    g.hrb = {0.0, ConversionStatus::AboveRange};
    g.hs = shown(60);
    g.hb = shown(300);
    g.hrc = shown(45);
    g.hv = shown(470);
    g.strength = {0.0, ConversionStatus::NotAvailable};
    return g;
}

inline MeasurementGroup strengthGroup()
{
    MeasurementGroup g = hardnessGroup();
    g.impacts = {520};
    g.dateText = QStringLiteral("12/31 23:59");
    g.directionName = QString::fromUtf8("90°");
    g.scaleName = QStringLiteral("STR");
    g.materialName = QString::fromUtf8("碳钢");
    g.hl = g.hrb = g.hs = g.hb = g.hrc = g.hv = {0.0, ConversionStatus::NotAvailable};
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

// Runs a tool to its end: true when it exited with 0. *output gets its standard output.
inline bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    if (output)
        *output = process.readAllStandardOutput();
    return finished && process.exitCode() == 0;
}

// Page count and paper as pdfinfo sees them: "3 A4" for three A4 portrait pages; empty for no readable PDF.
inline QString pdfPages(const QString &fileName)
{
    QByteArray info;
    const bool read = run(QStringLiteral("pdfinfo"), {fileName}, &info);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+).*Page size:\\s+([\\d.]+) x ([\\d.]+) pts( \\(A4\\))?"),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(QString::fromUtf8(info));
    const bool a4Portrait = !m.captured(4).isEmpty() && m.captured(2).toDouble() < m.captured(3).toDouble();
    return read && m.hasMatch() ? m.captured(1) + (a4Portrait ? " A4" : " not A4 portrait") : QString();
}

inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace reporttest

// Each test program runs in a folder of its own, since the settings file is ./PrintConfig.ini.
#define REPORT_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        Q_INIT_RESOURCE(resources);                                                                                    \
        QTemporaryDir folder;                                                                                          \
        TestClass test;                                                                                                \
        return folder.isValid() && QDir::setCurrent(folder.path()) ? QTest::qExec(&test, argc, argv) : 1;              \
    }
