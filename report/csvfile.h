#pragma once

#include "download.h"
#include "groups.h"
#include "judgement.h"
#include "valuetext.h"
#include "verification.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One group as a CSV row: its record and where it came from.
struct CsvGroup
{
    qint64 downloadId = 0; // the archive's id of its download; 0: not archived, the column stays empty
    QString station;
    QString port;
    int slot = 0;         // 0 to 99, the position in the instrument's memory
    QDateTime measuredAt; // with its year; invalid for a date no calendar has (the column stays empty)
    GroupRecord record;
    GroupTags tags;        // the columns part, heat, location and operator
    PartLimit limit;       // its part's limit, which the verdict is judged by
    bool verified = false; // a passed check covers it (isVerified())
};

// The rows of a download's groups, kept under downloadId (0: not kept) by station.
QList<CsvGroup> csvGroups(const Download &download, qint64 downloadId, const QString &station);

// The header line and the line of a group, each ending in a line feed. Scripts read these columns by name: they
// never change. Texts are those of the language of the moment, values as the window shows them, each conversion with
// its status name (Ok, AboveRange, ...), the impacts separated by spaces, then the tags, the limit, the verdict
// (verdictName()), the impacts' mean, standard deviation and range in HL, each empty when there is none, and whether
// the group is verified (yes or no). A text
// field with a separator, a quote or a line break is quoted; one that starts like a formula (= + - @, a tab or CR) gets
// a leading apostrophe.
QString csvHeader();
QString csvLine(const CsvGroup &group);

// A text field as the group lines write it: quoted when needed, a leading apostrophe when it starts like a formula.
QString csvTextField(const QString &text);

// Sets each row's verified from the verification log: the check that covers it passed.
void markVerified(QList<CsvGroup> *rows, const QList<VerificationCheck> &checks,
                  const QHash<qint64, ReferenceBlock> &blocks);

// The name of a conversion status in the CSV: NoTable, Ok, AboveRange, BelowRange, NotAvailable.
QString conversionStatusName(ConversionStatus status);

// Writes the header and the groups' lines in UTF-8 through saveFile(); false with *error when that fails.
bool writeCsvFile(const QString &fileName, const QList<CsvGroup> &groups, QString *error);
