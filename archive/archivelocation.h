#pragma once

#include <QString>

// Where an archive lives: an SQLite file, or a PostgreSQL database shared by the stations of a lab.
//
// Written as text (on the command line or in the settings file):
//   empty                               archive.sqlite in the application data folder (defaultArchivePath)
//   PATH                                another SQLite file
//   postgresql://USER@HOST:PORT/DBNAME  a PostgreSQL database over TCP; USER, :PORT (5432) and HOST may be left out
//   postgresql://USER@/DBNAME?host=/run/postgresql
//                                       the same over the server's Unix socket in that folder
// The password never goes into the location: libpq takes it from PGPASSWORD or ~/.pgpass.
struct ArchiveLocation
{
    enum Kind { SQLite, PostgreSQL };
    Kind kind = SQLite;
    QString path; // SQLite
    QString user; // PostgreSQL, the rest too; empty: libpq's default
    QString host; // a host name, or a socket folder (starts with '/')
    int port = 5432;
    QString databaseName;

    // The location as written, for messages.
    QString text() const;
};

// The location as messages and the window name it: never with a password, whether in the user's part
// (USER:PASSWORD@) or an option (?password=...; every option but host shows as KEY=***), and however broken the rest.
// A file's path as it is.
QString shownArchiveLocation(const QString &text);

// False with *error naming what is accepted when the text is no location; *error names the location without its
// password.
bool parseArchiveLocation(const QString &text, ArchiveLocation *location, QString *error);

// archive.sqlite in QStandardPaths::AppDataLocation of the running program; programs that share the archive share
// their application name.
QString defaultArchivePath();

// The location to use: the command line's when given, else the settings file's when that file is trusted, else
// empty (the default). *settingsIgnored tells whether an untrusted settings file named one, which callers warn of.
QString resolveArchiveLocation(const QString &commandLine, bool *settingsIgnored = nullptr);
