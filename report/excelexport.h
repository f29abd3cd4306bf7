#pragma once

#include "judgement.h"
#include "measurementgroup.h"

#include <QList>
#include <QString>

// Writes the groups as an .xlsx workbook with two sheets. "Sheet1", the active one, as other programs read it:
// title, legend, export date, header row and one row per group, every cell as text. "Data", for computing: one row
// per group with numbers as numbers, the measurement date as a date with its year, a frozen header row and an
// autofilter. The workbook is made in full before saveFile (savefile.h) writes it. Returns false on any failure (an
// empty file name included); *error, when given, then says why (for a failed save, the system's reason).
bool exportExcel(const QString &fileName, const QList<MeasurementGroup> &groups, QString *error = nullptr);
// The same, the Data sheet also tracing and judging each group: its tags, its part's limit and verdict, and the mean,
// standard deviation and range of its impacts. traces runs parallel to groups; a group past its end has none.
bool exportExcel(const QString &fileName, const QList<MeasurementGroup> &groups, const QList<GroupTrace> &traces,
                 QString *error = nullptr);
