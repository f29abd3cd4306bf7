#pragma once

// What the archive does to an SQLite file and its folder as files: who may read them, which file a connection holds,
// and setting a damaged one aside. Not part of the archive's interface.

#include <QLockFile>
#include <QString>
#include <QtGlobal>

#include <atomic>

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

// PATH.lock, held while a program binds a connection to the file at an archive's path, and while one sets a damaged
// file aside and builds the new archive there: a database file and the journal files at its path are then always one
// set. Only a lock whose program is gone is stale. A thread that holds it may take it again (a recovery opens its new
// archive); it is then released by the outer holder.
constexpr int LockWaitMs = 30000;

class PathLock
{
public:
    explicit PathLock(const QString &path);
    ~PathLock();
    PathLock(const PathLock &) = delete;
    PathLock &operator=(const PathLock &) = delete;

    // Waits up to waitMs for another holder, logging that it waits, and no longer once *cancel is set; false when it
    // is still held then, or when the lock cannot be made (error() tells which).
    bool lock(int waitMs, const std::atomic<bool> *cancel = nullptr);
    QLockFile::LockError error() const { return m_file.error(); }
    // Why lock() failed, in words.
    QString reason() const;

private:
    QString m_path;
    QLockFile m_file;
    bool m_held = false;
    bool m_nested = false;
};

} // namespace archivefile
