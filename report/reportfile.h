#pragma once

#include "judgement.h"
#include "measurementgroup.h"
#include "reportcontent.h"
#include "reportheader.h"

#include <QList>
#include <QString>

// What a file name asks for, by its ending in any case: the workbook (.xlsx), the PDF report (.pdf) or CSV (.csv,
// written by writeCsvFile() in csvfile.h).
enum class ReportFileKind { Unknown, Workbook, Pdf, Csv };
ReportFileKind reportFileKind(const QString &fileName);

// Writes the groups to fileName without a window, by its extension: ".xlsx" the workbook, ".pdf" the PDF report with
// the given header (the workbook has none); both trace and judge the groups by traces, parallel to groups; both
// with the same code as the buttons. With the verification log, the PDF marks the groups not verified and names the
// checks that cover them. Any other extension, or a file that cannot be written, gives false with *error (English)
// saying what failed; no partial file is left behind.
bool writeReportFile(const QString &fileName, const ReportHeader &header, const QList<MeasurementGroup> &groups,
                     QString *error, const QList<GroupTrace> &traces = {}, const VerificationLog *log = nullptr);
