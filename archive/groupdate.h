#pragma once

#include <QDate>
#include <QDateTime>

// The full date of a group: the instrument keeps month, day, hour and minute but no year. The group lies in the year
// of the download, or in the year before when its month and day come after the download date (a group is never
// measured after it was downloaded). A date or time that does not exist in that year (29 February of a common year,
// hour 25) gives a null QDateTime. The result is in the instrument's clock, which is local time.
QDateTime groupDateTime(int month, int day, int hour, int minute, const QDate &downloadDate);
