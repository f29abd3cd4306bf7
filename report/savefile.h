#pragma once

#include <QString>
#include <QTemporaryFile>

// A file written by someone else under a temporary name in the target's folder and moved over the target only when
// complete, so that a failed write never leaves a partial file and never damages the file it would replace. For
// writers that want a file name rather than a QIODevice (QSaveFile covers the others).
class PendingFile
{
public:
    explicit PendingFile(const QString &target);

    // Reserves the temporary name; false (with *error set) when the folder cannot take a new file.
    bool create(QString *error);
    QString temporaryName() const { return m_temp.fileName(); }
    // Moves the temporary file over the target, with the permissions a newly written file would get. Until this
    // succeeds the temporary file is removed when this object goes.
    bool commit(QString *error);

private:
    QString m_target;
    QTemporaryFile m_temp;
};
