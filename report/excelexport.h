#pragma once

#include "measurementgroup.h"

#include <QList>
#include <QString>

// Writes the groups as an .xlsx workbook: title, legend, export date, header row and one row per group, every cell
// as text. The workbook is written beside the target under a temporary name and moved into place only when complete,
// so a failure leaves no partial file and keeps an existing one. Returns false on any failure (an empty file name
// included); *error, when given, then says what failed, in English, for diagnostics.
bool exportExcel(const QString &fileName, const QList<MeasurementGroup> &groups, QString *error = nullptr);
