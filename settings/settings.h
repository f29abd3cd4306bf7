#pragma once

#include "reportheader.h"

#include <QByteArray>
#include <QString>

// The settings file, ./PrintConfig.ini in the working directory, and every section and key in it: the one place that
// opens it. The names are those of the files in use and never change. Each call opens the file for its one read or
// write and closes it again; reading never creates it. A write gives false when the file could not be written (a
// read-only file or folder); other sections and keys stay as they are.
namespace Settings {
constexpr char fileName[] = "./PrintConfig.ini";

// The window's language: 0 Chinese, anything else English.
constexpr char languageSection[] = "MainWindow";
constexpr char languageKey[] = "language";
// 0 when the file, the key or a number in it is missing.
int language();
bool setLanguage(int language);

// The port that answered last, as older versions wrote it: read when the archive knows of no download from this
// station. The archive keeps the port of every download, so it is no longer written.
constexpr char linkSection[] = "Link";
constexpr char lastPortKey[] = "lastPort";
// Empty when the file or the key is missing, or the file is not trusted.
QString lastPort();

// The measurement archive when the command line names none (archivelocation.h has its forms).
constexpr char archiveSection[] = "Archive";
constexpr char archiveLocationKey[] = "location";
// Trimmed; empty when the file names none or is not trusted (fileTrusted), and then *ignored tells whether it named
// one.
QString archiveLocation(bool *ignored = nullptr);

// Whether the file may say where data go (the archive location; the port probed first, which is written to): only
// when this user or root owns it and no one else may write it (its group only when it is the user's own). A file
// another user left in a shared working folder would otherwise send the downloads to that user's database. Its
// language and report header are still read: they stay on this station, on screen and in the operator's reports.
// True when there is no file.
bool fileTrusted();

// The report header.
constexpr char reportSection[] = "LineEdit";
constexpr char batchKey[] = "batch";
constexpr char inspectorKey[] = "inspector";
constexpr char logoPathKey[] = "LOGOPath";
constexpr char remarkKey[] = "remark";
constexpr char companyNameKey[] = "companyName";
// Missing keys read as empty texts; a logo path that names no existing file reads as empty, so that a deleted logo
// is neither shown nor kept.
ReportHeader reportHeader();
bool setReportHeader(const ReportHeader &header);

// What the window shows when the file could not be written, with the file's full path.
QString writeFailureText();

// The window's size and place as the operator left them (QWidget::saveGeometry); empty when never changed.
constexpr char geometryKey[] = "geometry"; // in the window's section, languageSection
QByteArray windowGeometry();
bool setWindowGeometry(const QByteArray &geometry);
} // namespace Settings
