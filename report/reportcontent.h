#pragma once

#include "judgement.h"
#include "measurementgroup.h"

#include <QList>
#include <QString>
#include <QVector>

// What a report is made of: the groups and, parallel to them, their tags and their part's limit. A group past the
// end of traces has neither: empty tag cells and no verdict.
struct ReportContent
{
    QList<MeasurementGroup> groups;
    QList<GroupTrace> traces;

    GroupTrace trace(int index) const { return traces.value(index); }
    QList<Verdict> verdicts() const;
};

// How the groups spread over the pages: the index of each page's first group, one entry per page. The last page
// keeps room for the conversion and signature lines under its table; a table that fills the page to its foot moves
// its last row over to a page of its own, so that the signatures never stand apart from the table.
QVector<int> reportPageStarts(int groupCount);

// A limit as the report states it: "HRC 50–60", "HB ≤ 300", "HRC ≥ 50"; empty when it has no bound.
QString limitText(const PartLimit &limit);

// The texts of the summary box, in the language of the moment: part and heat (the one all groups share, "several"
// when they differ, empty when none has one), the limit (likewise), the counts and the mean and standard deviation
// of the group values in HL.
struct ReportSummary
{
    QString part;
    QString heat;
    QString limit;
    Summary numbers;
};
ReportSummary reportSummary(const ReportContent &content);

// The line under the last table saying how the values were converted, naming the groups' materials; empty without
// groups.
QString conversionText(const QList<MeasurementGroup> &groups);
