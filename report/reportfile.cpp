#include "reportfile.h"

#include "excelexport.h"
#include "paintbase.h"
#include "reportsettings.h"

#include <QFileInfo>

bool writeReportFile(const QString &fileName, const QList<MeasurementGroup> &groups, QString *error)
{
    QString failure;
    bool ok = false;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("xlsx")) {
        ok = exportExcel(fileName, groups, &failure);
    } else if (suffix == QLatin1String("pdf")) {
        const ReportHeader header = ReportSettings::load();
        PaintBase::s_companyName = header.companyName;
        PaintBase::s_batch = header.batch;
        PaintBase::s_remark = header.remark;
        PaintBase::s_inspector = header.inspector;
        PaintBase::s_logoPath = header.logoPath;
        ok = savePdf(fileName, groups, &failure);
    } else {
        failure = QStringLiteral("cannot write %1: the file name must end in .xlsx (workbook) or .pdf (report)")
                      .arg(fileName);
    }
    if (!ok && error)
        *error = failure;
    return ok;
}
