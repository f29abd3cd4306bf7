#include "reportfile.h"

#include "excelexport.h"
#include "paintbase.h"

#include <QFileInfo>

ReportFileKind reportFileKind(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("xlsx"))
        return ReportFileKind::Workbook;
    if (suffix == QLatin1String("pdf"))
        return ReportFileKind::Pdf;
    if (suffix == QLatin1String("csv"))
        return ReportFileKind::Csv;
    return ReportFileKind::Unknown;
}

bool writeReportFile(const QString &fileName, const ReportHeader &header, const QList<MeasurementGroup> &groups,
                     QString *error, const QList<GroupTrace> &traces, const VerificationLog *log)
{
    QString failure;
    bool ok = false;
    const ReportFileKind kind = reportFileKind(fileName);
    if (kind == ReportFileKind::Workbook) {
        ok = exportExcel(fileName, groups, traces, &failure);
    } else if (kind == ReportFileKind::Pdf) {
        ReportContent content;
        content.groups = groups;
        content.traces = traces;
        if (log)
            setVerification(&content, *log);
        ok = savePdf(fileName, header, content, &failure);
    } else {
        failure = QStringLiteral("cannot write %1: the file name must end in .xlsx (workbook) or .pdf (report)")
                      .arg(fileName);
    }
    if (!ok && error)
        *error = failure;
    return ok;
}
