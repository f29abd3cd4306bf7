#pragma once

#include <QString>

// The five fields at the top of a printed report, as the operator fills them in the print dialog.
struct ReportHeader
{
    QString batch;
    QString inspector;
    QString logoPath; // empty: no logo
    QString remark;
    QString companyName;
};

inline bool operator==(const ReportHeader &a, const ReportHeader &b)
{
    return a.batch == b.batch && a.inspector == b.inspector && a.logoPath == b.logoPath && a.remark == b.remark &&
           a.companyName == b.companyName;
}

inline bool operator!=(const ReportHeader &a, const ReportHeader &b)
{
    return !(a == b);
}
