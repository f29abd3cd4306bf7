#include "groupdate.h"

QDateTime groupDateTime(int month, int day, int hour, int minute, const QDate &downloadDate)
{
    if (!downloadDate.isValid())
        return QDateTime();
    // Compared as numbers, not as dates: 29 February has to be placed before knowing whether its year has one.
    const bool afterDownload =
        month > downloadDate.month() || (month == downloadDate.month() && day > downloadDate.day());
    const QDate date(downloadDate.year() - (afterDownload ? 1 : 0), month, day);
    const QTime time(hour, minute);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}
