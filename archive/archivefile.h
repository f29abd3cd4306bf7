#pragma once

// What the archive does to an SQLite file and its folder as files: who may read them, which file a connection holds,
// and setting a damaged one aside. Not part of the archive's interface.

#include <QString>
#include <QtGlobal>

namespace archivefile {

// Which file a path names now; two equal ids are the same file, whatever it is called by then.
struct FileId
{
    quint64 device = 0;
    quint64 inode = 0;
    bool exists = false;

    bool operator==(const FileId &other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode;
    }
    bool operator!=(const FileId &other) const { return !(*this == other); }
};

FileId fileId(const QString &path);

// Creates the folder and any missing folder above it, each readable by this user alone (0700); folders that exist
// keep their mode.
bool makePrivateFolder(const QString &folder, QString *error);
// Creates an empty file readable and writable by this user alone (0600), which SQLite takes as a new database; one
// that exists meanwhile is left as it is. SQLite gives its -wal and -shm the database file's mode.
bool createPrivateFile(const QString &path, QString *error);

// A connection made while the file was read-only leaves a read-only -shm (and -wal) behind, and SQLite then keeps the
// file read-only even after it is writable again: gives them back the file's write permission when this user owns
// them. Nothing is removed. False with a reason only when the file is writable and its companions stay read-only.
bool mendJournalModes(const QString &path, QString *error);

// Renames a damaged file and its -wal and -shm to PATH.corrupt-DATE (numbered when taken); never removes or writes
// anything.
bool moveAside(const QString &path, QString *movedTo, QString *error);

} // namespace archivefile
