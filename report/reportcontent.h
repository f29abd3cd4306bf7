#pragma once

#include "judgement.h"
#include "measurementgroup.h"
#include "verification.h"

#include <QList>
#include <QString>
#include <QVector>

// A check of the instrument that covers groups of a report, as the report states it.
struct CoveringCheck
{
    QString blockSerial;
    QDateTime at;
    CheckResult result;
};

// The blocks and checks of the verification log, as read from the archive.
struct VerificationLog
{
    QList<VerificationCheck> checks;
    QHash<qint64, ReferenceBlock> blocks; // by id
};

// What a report is made of: the groups and, parallel to them, their tags and their part's limit. A group past the
// end of traces has neither: empty tag cells and no verdict.
struct ReportContent
{
    QList<MeasurementGroup> groups;
    QList<GroupTrace> traces;
    // Set when the verification log could be read (setVerification): each group is then verified or not. Without
    // it the report says nothing of verification rather than call every group not verified.
    bool verificationKnown = false;
    QList<CoveringCheck> checks = {}; // the distinct checks that cover the groups, in time order
    QList<int> covering = {};         // parallel to groups: the index in checks, -1 when no check covers the group

    GroupTrace trace(int index) const { return traces.value(index); }
    QList<Verdict> verdicts() const;
    // Known and covered by a check that passed.
    bool verified(int index) const;
};

// Marks the content's groups by the log: each group's covering check (coveringCheck) with its block and result.
void setVerification(ReportContent *content, const VerificationLog &log);

// A covering check as the window and the report state it: block serial, time, error, repeatability and result.
QString checkText(const CoveringCheck &check);
// The report's lines about verification: one per covering check, at most maxLines, the last saying how many more
// there are when they do not fit; a line saying no check covers the groups when none does; none when not known.
QStringList verificationLines(const ReportContent &content, int maxLines);

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
