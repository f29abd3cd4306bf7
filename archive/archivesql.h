#pragma once

// What the archive's two source files share: its logging category and how a failure is reported. Not part of the
// archive's interface.

#include <QLoggingCategory>
#include <QSqlError>
#include <QString>

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

} // namespace archivesql
