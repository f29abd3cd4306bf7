#pragma once

// leeb-archive's verification log: "blocks add|list" and "checks add|list|export".

#include "verification.h"

#include <QCommandLineOption>
#include <QDateTime>
#include <QList>
#include <QString>

class Archive;
class QCommandLineParser;

struct VerificationCommand
{
    enum Kind { None, BlocksAdd, BlocksList, ChecksAdd, ChecksList, ChecksExport };
    Kind kind = None;
    ReferenceBlock block;  // blocks add
    QString blockSerial;   // checks: --block
    QList<int> readings;   // checks add: --readings
    qint64 downloadId = 0; // checks add: --download and --slot (0 to 99) instead of readings
    int slot = -1;
    QDateTime at; // checks add: --at; null: the group's time, or now
    QString operatorName;
    bool csv = false;
    QString file; // checks export: the PDF

    bool writes() const { return kind == BlocksAdd || kind == ChecksAdd; }
};

// The options of these commands, for the tool's parser.
QList<QCommandLineOption> verificationOptions();
// Whether parser saw one of them: for any other command that is refused.
QString verificationOptionGiven(const QCommandLineParser &parser);
// Reads "blocks add|list" or "checks add|list|export" from the operands after the command name; an empty text, or the
// reason it is refused in the tool's language.
QString parseVerification(const QString &name, const QStringList &operands, const QCommandLineParser &parser, bool csv,
                          VerificationCommand *command);
// Runs a parsed command on an open archive; the tool's exit code. A failing check is recorded: a result, exit 0.
int runVerification(Archive &archive, const VerificationCommand &command);
