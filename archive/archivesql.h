#pragma once

// What the archive's two source files share: its logging category and how a failure is reported. Not part of the
// archive's interface.

#include <QLoggingCategory>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>

struct GroupRecord;

Q_DECLARE_LOGGING_CATEGORY(lcArchive)

namespace archivesql {

// Sets the reason, when asked for, and logs the database's own words with it; false, for `return fail(...)`.
bool fail(QString *error, const QString &what, const QSqlError &sqlError);

inline bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// The text that tells one measurement from another: a group stays on the instrument and comes again in later downloads
// of its station. year 0: the record's date does not exist. Kept with every group row; tags are keyed by it.
QString measurementKey(const QString &station, int year, const GroupRecord &record);

// Conditions for a filter by part and heat: on downloads "d" (one of its groups carries them) or on groups joined to
// their tags as "t".
void tagConditions(const QString &part, const QString &heat, bool downloads, QStringList *where, QVariantList *values);

} // namespace archivesql
