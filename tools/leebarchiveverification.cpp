#include "leebarchiveverification.h"

#include "archive.h"
#include "csvfile.h"
#include "leebarchivetool.h"
#include "reportfile.h"
#include "verificationreport.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>

using leebarchive::failed;
using leebarchive::out;
using leebarchive::refuse;

namespace {

// Option names; each takes a value.
const char *const BlockOptions[] = {"serial",      "device",      "nominal",   "uncertainty",
                                    "certificate", "valid-until", "max-error", "max-repeatability"};
const char *const CheckOptions[] = {"block", "readings", "download", "slot", "at", "operator"};

bool matches(const char *pattern, const QString &text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern))).match(text).hasMatch();
}

// An amount of HL as written by hand: digits, at most three decimals; no sign, exponent or spaces.
bool parseHl(const QString &text, double *value)
{
    if (!matches("[0-9]{1,6}(\\.[0-9]{1,3})?", text))
        return false;
    *value = text.toDouble();
    return true;
}

QString verdictWord(bool passed)
{
    return passed ? LeebArchive::tr("合格") : LeebArchive::tr("不合格");
}

QString atText(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm"));
}

QString parseBlocks(const QString &sub, const QCommandLineParser &parser, bool csv, VerificationCommand *c)
{
    const auto given = [&](const char *name) { return parser.isSet(QLatin1String(name)); };
    const auto value = [&](const char *name) { return parser.value(QLatin1String(name)); };
    for (const char *name : CheckOptions) {
        if (given(name))
            return LeebArchive::tr("--%1 只用于 checks").arg(QLatin1String(name));
    }
    if (sub == QLatin1String("list")) {
        for (const char *name : BlockOptions) {
            if (given(name))
                return LeebArchive::tr("--%1 只用于 blocks add").arg(QLatin1String(name));
        }
        c->kind = VerificationCommand::BlocksList;
        c->csv = csv;
        return QString();
    }
    if (csv)
        return LeebArchive::tr("--csv 只用于 list");
    c->kind = VerificationCommand::BlocksAdd;
    ReferenceBlock &b = c->block;
    b.serial = value("serial").trimmed();
    if (b.serial.isEmpty() || !given("device") || !given("nominal"))
        return LeebArchive::tr("blocks add 需要 --serial、--device 和 --nominal");
    if (!deviceFromName(value("device"), &b.device))
        return LeebArchive::tr("冲击装置 '%1' 有误：可用 D、DC、DL、D_15、C1、G、E").arg(value("device"));
    if (!parseHl(value("nominal"), &b.nominalHl) || b.nominalHl <= 0.0)
        return LeebArchive::tr("--nominal 的值有误：'%1'；请写 HL 数值，如 760").arg(value("nominal"));
    for (const auto &[name, field] : {std::pair{"uncertainty", &b.uncertaintyHl}, std::pair{"max-error", &b.maxError},
                                      std::pair{"max-repeatability", &b.maxRepeatability}}) {
        if (!given(name))
            continue;
        double hl = 0.0;
        if (!parseHl(value(name), &hl))
            return LeebArchive::tr("--%1 的值有误：'%2'；请写 HL 数值").arg(QLatin1String(name), value(name));
        *field = hl;
    }
    b.certificate = value("certificate");
    if (given("valid-until")) {
        b.validUntil = QDate::fromString(value("valid-until"), Qt::ISODate);
        if (!b.validUntil.isValid() || value("valid-until").size() != 10)
            return LeebArchive::tr("--valid-until 的日期有误：'%1'；请用 YYYY-MM-DD").arg(value("valid-until"));
    }
    return QString();
}

QString parseChecks(const QString &sub, const QCommandLineParser &parser, bool csv, VerificationCommand *c)
{
    const auto given = [&](const char *name) { return parser.isSet(QLatin1String(name)); };
    const auto value = [&](const char *name) { return parser.value(QLatin1String(name)); };
    for (const char *name : BlockOptions) {
        if (given(name))
            return LeebArchive::tr("--%1 只用于 blocks add").arg(QLatin1String(name));
    }
    c->blockSerial = value("block");
    if (c->blockSerial.isEmpty())
        return LeebArchive::tr("checks %1 需要 --block").arg(sub);
    if (sub == QLatin1String("export")) {
        for (const char *name : {"readings", "download", "slot", "at", "operator"}) {
            if (given(name))
                return LeebArchive::tr("--%1 不用于 checks export").arg(QLatin1String(name));
        }
        if (csv)
            return LeebArchive::tr("--csv 只用于 list");
        if (reportFileKind(c->file) != ReportFileKind::Pdf)
            return LeebArchive::tr("无法导出到 %1：文件名须以 .pdf 结尾").arg(c->file);
        c->kind = VerificationCommand::ChecksExport;
        return QString();
    }
    if (sub == QLatin1String("list")) {
        for (const char *name : {"readings", "download", "slot", "at", "operator"}) {
            if (given(name))
                return LeebArchive::tr("--%1 只用于 checks add").arg(QLatin1String(name));
        }
        c->kind = VerificationCommand::ChecksList;
        c->csv = csv;
        return QString();
    }
    if (csv)
        return LeebArchive::tr("--csv 只用于 list");
    c->kind = VerificationCommand::ChecksAdd;
    const bool fromGroup = given("download") || given("slot");
    if (given("readings") == fromGroup || (fromGroup && !(given("download") && given("slot"))))
        return LeebArchive::tr("checks add 需要 --readings，或 --download 与 --slot 两者");
    if (given("readings")) {
        for (const QString &reading : value("readings").split(QLatin1Char(','))) {
            if (!matches("[0-9]{1,4}", reading))
                return LeebArchive::tr("读数有误：'%1'；请写以逗号分隔的 HL 整数，如 758,762,765")
                    .arg(value("readings"));
            c->readings.append(reading.toInt());
        }
    } else {
        c->downloadId = matches("[0-9]{1,18}", value("download")) ? value("download").toLongLong() : 0;
        if (c->downloadId <= 0)
            return LeebArchive::tr("下载编号 '%1' 有误：须为 list 显示的编号").arg(value("download"));
        c->slot = matches("[0-9]{1,3}", value("slot")) ? value("slot").toInt() - 1 : -1;
        if (c->slot < 0 || c->slot > 99)
            return LeebArchive::tr("组号 '%1' 有误：须为 1 到 100").arg(value("slot"));
    }
    if (given("at")) {
        c->at = QDateTime::fromString(value("at"), QStringLiteral("yyyy-MM-ddTHH:mm"));
        if (!c->at.isValid() || value("at").size() != 16)
            return LeebArchive::tr("--at 的时间有误：'%1'；请用 YYYY-MM-DDTHH:MM").arg(value("at"));
    }
    c->operatorName = value("operator");
    return QString();
}

// The block's fields, its tolerances as they apply (its own or the defaults).
int listBlocks(Archive &archive, bool csv)
{
    QList<ReferenceBlock> blocks;
    QString error;
    if (!archive.blocks(&blocks, &error))
        return failed(error);
    QString text = csv ? QStringLiteral("serial,device,nominal,uncertainty,certificate,valid_until,max_error,"
                                        "max_repeatability\n")
                       : QString();
    for (const ReferenceBlock &b : blocks) {
        const Tolerance t = blockTolerance(b);
        const QString uncertainty = b.uncertaintyHl ? QString::number(*b.uncertaintyHl) : QString();
        if (csv) {
            text += QStringList{csvTextField(b.serial),       deviceName(b.device),
                                QString::number(b.nominalHl), uncertainty,
                                csvTextField(b.certificate),  b.validUntil.toString(Qt::ISODate),
                                QString::number(t.maxError),  QString::number(t.maxRepeatability)}
                        .join(QLatin1Char(',')) +
                    QLatin1Char('\n');
            continue;
        }
        text += LeebArchive::tr("%1  %2  %3 HL  不确定度 %4  证书 %5  有效期至 %6  最大误差 ±%7 HL  最大重复性 %8 HL\n")
                    .arg(b.serial, deviceName(b.device), QString::number(b.nominalHl),
                         uncertainty.isEmpty() ? QStringLiteral("-") : uncertainty,
                         b.certificate.isEmpty() ? QStringLiteral("-") : b.certificate,
                         b.validUntil.isValid() ? b.validUntil.toString(Qt::ISODate) : QStringLiteral("-"),
                         QString::number(t.maxError), QString::number(t.maxRepeatability));
    }
    out(text);
    return 0;
}

int addBlock(Archive &archive, ReferenceBlock block)
{
    QString error;
    QList<ReferenceBlock> known;
    if (!archive.blocks(&known, &error))
        return failed(error);
    for (const ReferenceBlock &b : known) {
        if (b.serial == block.serial)
            return refuse(LeebArchive::tr("已有标准块 %1").arg(block.serial));
    }
    if (!archive.addBlock(&block, &error))
        return failed(error);
    const Tolerance t = blockTolerance(block);
    out(LeebArchive::tr("已添加标准块 %1：%2，%3 HL，最大误差 ±%4 HL，最大重复性 %5 HL\n")
            .arg(block.serial, deviceName(block.device), QString::number(block.nominalHl), QString::number(t.maxError),
                 QString::number(t.maxRepeatability)));
    return 0;
}

// The block by its serial: refused (bad input) when the archive has none.
int findBlock(Archive &archive, const QString &serial, ReferenceBlock *block)
{
    QList<ReferenceBlock> known;
    QString error;
    if (!archive.blocks(&known, &error))
        return failed(error);
    for (const ReferenceBlock &b : known) {
        if (b.serial == serial) {
            *block = b;
            return 0;
        }
    }
    return refuse(LeebArchive::tr("没有标准块 %1").arg(serial));
}

int addCheck(Archive &archive, const VerificationCommand &c)
{
    ReferenceBlock block;
    if (const int code = findBlock(archive, c.blockSerial, &block))
        return code;
    VerificationCheck check;
    check.blockId = block.id;
    check.operatorName = c.operatorName;
    check.readings = c.readings;
    check.at = c.at;
    if (c.downloadId > 0) {
        QList<ArchivedGroup> groups;
        QString error;
        if (!archive.loadArchivedGroups(c.downloadId, &groups, &error))
            return failed(error);
        const auto group =
            std::find_if(groups.cbegin(), groups.cend(), [&](const ArchivedGroup &g) { return g.slot == c.slot; });
        if (group == groups.cend())
            return refuse(LeebArchive::tr("下载 %1 没有第 %2 组").arg(c.downloadId).arg(c.slot + 1));
        if (group->record.device != block.device)
            return refuse(LeebArchive::tr("第 %1 组用冲击装置 %2 测量，标准块 %3 用于 %4")
                              .arg(c.slot + 1)
                              .arg(deviceName(group->record.device), block.serial, deviceName(block.device)));
        for (int i = 0; i < group->record.impactCount && i < groups::MaxImpacts; ++i)
            check.readings.append(group->record.impacts[i]);
        if (!check.at.isValid())
            check.at = group->measuredAt;
        if (!check.at.isValid())
            return refuse(LeebArchive::tr("第 %1 组的日期不存在：请用 --at 给出检查时间").arg(c.slot + 1));
    } else if (!check.at.isValid()) {
        const QDateTime now = QDateTime::currentDateTime();
        check.at = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
    }
    switch (checkRefusal(check, block)) {
    case CheckRefusal::TooFewReadings:
        return refuse(
            LeebArchive::tr("检查至少需要 %1 个读数，只有 %2 个").arg(MinimumReadings).arg(check.readings.size()));
    case CheckRefusal::BadReading:
        return refuse(LeebArchive::tr("读数须为正的 HL 数值"));
    case CheckRefusal::BlockExpired:
        return refuse(
            LeebArchive::tr("标准块 %1 有效期至 %2，不能用于 %3 的检查")
                .arg(block.serial, block.validUntil.toString(Qt::ISODate), check.at.date().toString(Qt::ISODate)));
    case CheckRefusal::None:
        break;
    }
    QString error;
    if (!archive.addCheck(&check, &error))
        return failed(error);
    const CheckResult r = evaluateCheck(check, block);
    out(LeebArchive::tr("检查 %1（标准块 %2，%3）：%4 个读数，平均 %5 HL，误差 %6 HL（±%7），重复性 %8 HL（%9）：%10\n")
            .arg(QString::number(check.id), block.serial, atText(check.at), QString::number(r.count), hlText(r.mean),
                 signedHlText(r.error), QString::number(r.tolerance.maxError), QString::number(r.repeatability),
                 QString::number(r.tolerance.maxRepeatability))
            .arg(verdictWord(r.passed)));
    return 0;
}

// The block of that serial and its checks, or the tool's exit code.
int blockChecks(Archive &archive, const QString &serial, ReferenceBlock *block, QList<VerificationCheck> *checks)
{
    if (const int code = findBlock(archive, serial, block))
        return code;
    QString error;
    return archive.checks(block->id, checks, &error) ? 0 : failed(error);
}

int listChecks(Archive &archive, const VerificationCommand &c)
{
    ReferenceBlock block;
    QList<VerificationCheck> checks;
    if (const int code = blockChecks(archive, c.blockSerial, &block, &checks))
        return code;
    const BlockLog log = blockLog(block, checks);
    const ControlLimits &limits = log.limits;
    const auto limit = [&](double value) { return limits.set ? QString::number(value, 'f', 2) : QString(); };
    QString text = c.csv ? QStringLiteral("id,at,block,device,nominal,n,mean,error,repeatability,max_error,"
                                          "max_repeatability,verdict,center,lcl,ucl,mr,mr_ucl,in_control\n")
                         : QString();
    for (int i = 0; i < checks.size(); ++i) {
        const CheckResult &r = log.results.at(i);
        const ChartPoint &p = log.points.at(i);
        if (c.csv) {
            text += QStringList{QString::number(checks[i].id),
                                atText(checks[i].at),
                                csvTextField(block.serial),
                                deviceName(block.device),
                                QString::number(block.nominalHl),
                                QString::number(r.count),
                                hlText(r.mean),
                                hlText(r.error),
                                QString::number(r.repeatability),
                                QString::number(r.tolerance.maxError),
                                QString::number(r.tolerance.maxRepeatability),
                                r.passed ? QStringLiteral("pass") : QStringLiteral("fail"),
                                limit(limits.centre),
                                limit(limits.lcl),
                                limit(limits.ucl),
                                p.movingRange ? hlText(*p.movingRange) : QString(),
                                limit(limits.mrUcl),
                                limits.set ? (p.inControl ? QStringLiteral("yes") : QStringLiteral("no")) : QString()}
                        .join(QLatin1Char(',')) +
                    QLatin1Char('\n');
            continue;
        }
        text += LeebArchive::tr("%1  %2  %3 个读数  平均 %4  误差 %5  重复性 %6  %7%8\n")
                    .arg(QString::number(checks[i].id), atText(checks[i].at), QString::number(r.count), hlText(r.mean),
                         signedHlText(r.error), QString::number(r.repeatability), verdictWord(r.passed),
                         p.inControl ? QString() : LeebArchive::tr("  失控"));
    }
    out(text);
    return 0;
}

// The verification log of one block as a PDF: its data, control chart and checks.
int exportChecks(Archive &archive, const VerificationCommand &c)
{
    ReferenceBlock block;
    QList<VerificationCheck> checks;
    if (const int code = blockChecks(archive, c.blockSerial, &block, &checks))
        return code;
    QString error;
    if (!saveVerificationPdf(c.file, block, checks, &error))
        return failed(LeebArchive::tr("导出到 %1 失败：%2").arg(c.file, error));
    out(LeebArchive::tr("已将标准块 %1 的 %2 次检查写入 %3\n").arg(block.serial).arg(checks.size()).arg(c.file));
    return 0;
}

} // namespace

QList<QCommandLineOption> verificationOptions()
{
    QList<QCommandLineOption> options;
    for (const char *name : BlockOptions)
        options.append(QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("VALUE")));
    for (const char *name : CheckOptions)
        options.append(QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("VALUE")));
    return options;
}

QString verificationOptionGiven(const QCommandLineParser &parser)
{
    for (const QCommandLineOption &option : verificationOptions()) {
        if (parser.isSet(option))
            return option.names().constFirst();
    }
    return QString();
}

QString parseVerification(const QString &name, const QStringList &operands, const QCommandLineParser &parser, bool csv,
                          VerificationCommand *command)
{
    *command = VerificationCommand();
    const QString sub = operands.value(0);
    if (name == QLatin1String("checks") && sub == QLatin1String("export")) {
        if (operands.size() != 2)
            return LeebArchive::tr("checks export 需要一个 FILE.pdf");
        command->file = operands.at(1);
    } else if (operands.size() != 1 || (sub != QLatin1String("add") && sub != QLatin1String("list"))) {
        return LeebArchive::tr("%1 需要 add 或 list").arg(name);
    }
    return name == QLatin1String("blocks") ? parseBlocks(sub, parser, csv, command)
                                           : parseChecks(sub, parser, csv, command);
}

int runVerification(Archive &archive, const VerificationCommand &command)
{
    switch (command.kind) {
    case VerificationCommand::BlocksAdd:
        return addBlock(archive, command.block);
    case VerificationCommand::BlocksList:
        return listBlocks(archive, command.csv);
    case VerificationCommand::ChecksAdd:
        return addCheck(archive, command);
    case VerificationCommand::ChecksList:
        return listChecks(archive, command);
    case VerificationCommand::ChecksExport:
        return exportChecks(archive, command);
    case VerificationCommand::None:
        break;
    }
    return leebarchive::ExitRefused;
}
