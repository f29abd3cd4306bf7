#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// The one way the workbook, the PDF and the CSV reach the disk, rendered in memory first. It never destroys a file:
// - a symbolic link is followed, so the file it points to receives the content and the link stays;
// - an existing file this user may not write (the system's own test, not the mode bits) is refused and untouched;
// - otherwise the content goes to a temporary file beside the target, which replaces the target only when complete,
//   with the old file's permissions;
// - where the folder takes no new file but the file itself is writable, the file is written in place, its space
//   reserved first so that a full disk is found before the old content is touched;
// - devices (e.g. /dev/null) and named pipes are written in place, never replaced by a plain file; a pipe's reader
//   gets 3 s to come and 5 s each time to take more, so that a pipe nobody reads fails the save instead of hanging.
// False on failure, with *error the system's reason ("Permission denied", "No space left on device").
bool saveFile(const QString &target, const QByteArray &content, QString *error);

// fileName with ".extension" appended unless it ends in it already (in any case): spreadsheet programs refuse a
// workbook without its ending.
QString withExtension(const QString &fileName, const QString &extension);

// Asks for the name to save under; empty when cancelled. A name typed without its ending gets it, and the dialog
// then asks before it replaces a file of that full name.
QString askSaveFileName(QWidget *parent, const QString &caption, const QString &proposed, const QString &filter,
                        const QString &extension);
