#pragma once

#include <QString>

// The five report header fields as the settings file keeps them between sessions.
struct ReportHeader
{
    QString batch;
    QString inspector;
    QString logoPath;
    QString remark;
    QString companyName;
};

// The LineEdit section of ./PrintConfig.ini, the one place that knows its keys. Other sections of the file stay as
// they are.
namespace ReportSettings {
constexpr char fileName[] = "./PrintConfig.ini";
constexpr char group[] = "LineEdit";
constexpr char keyBatch[] = "batch";
constexpr char keyInspector[] = "inspector";
constexpr char keyLogoPath[] = "LOGOPath";
constexpr char keyRemark[] = "remark";
constexpr char keyCompanyName[] = "companyName";

// Missing keys read as empty texts; a logo path that names no existing file reads as empty, so that a deleted logo
// is neither shown nor kept.
ReportHeader load();
// False when the file could not be written (a read-only file or folder).
bool save(const ReportHeader &header);
// What the window shows when the file could not be written, with the file's full path.
QString writeFailureText();
} // namespace ReportSettings
