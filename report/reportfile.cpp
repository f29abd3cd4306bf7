#include "reportfile.h"

#include "excelexport.h"
#include "paintbase.h"

#include <QFileInfo>

bool writeReportFile(const QString &fileName, const ReportHeader &header, const QList<MeasurementGroup> &groups,
                     QString *error)
{
    QString failure;
    bool ok = false;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("xlsx")) {
        ok = exportExcel(fileName, groups, &failure);
    } else if (suffix == QLatin1String("pdf")) {
        ok = savePdf(fileName, header, groups, &failure);
    } else {
        failure = QStringLiteral("cannot write %1: the file name must end in .xlsx (workbook) or .pdf (report)")
                      .arg(fileName);
    }
    if (!ok && error)
        *error = failure;
    return ok;
}
