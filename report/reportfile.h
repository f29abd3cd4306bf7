#pragma once

#include "measurementgroup.h"

#include <QList>
#include <QString>

// Writes the groups to fileName without a window, by its extension: ".xlsx" the workbook, ".pdf" the PDF report with
// the header fields of the settings file, both with the same code as the buttons. Any other extension, or a file
// that cannot be written, gives false with *error (English) saying what failed; no partial file is left behind.
bool writeReportFile(const QString &fileName, const QList<MeasurementGroup> &groups, QString *error);
