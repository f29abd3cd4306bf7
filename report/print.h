#pragma once

#include "measurementgroup.h"
#include "outputpreview.h"
#include "paintbase.h"
#include "reportheader.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <optional>

namespace Ui {
class Print;
}

class QComboBox;
class QLabel;

// The print dialog: a live preview of the report with page flipping, the five report header fields, PDF export and
// printing. The header it holds is what the preview, the PDF and the printer get; the preview repaints as a field is
// edited or a page flipped. The fields start with the given header (the one a download was reported with before),
// else with the settings file's, and only in the latter case are they kept there when the dialog closes: an old
// download's header is not the station's next one. It shows itself window-modal and deletes itself when closed.
class Print : public QDialog
{
    Q_OBJECT

public:
    Print(ReportContent content, QWidget *parent, std::optional<ReportHeader> header = std::nullopt);
    ~Print() override;

    // Closing saves the fields, unless they started with a given header; a settings file that cannot be written is
    // reported through message().
    void done(int result) override;

signals:
    // The outcome of a PDF export, a print job or saving the fields, for the status bar.
    void message(QString text);
    // A PDF was saved or a print job sent with this header, to be kept with the download reported.
    void reportMade(ReportHeader header);

private slots:
    // Connected by name to the form's buttons.
    void on_pushButton_print_clicked();
    void on_pushButton_logoPath_clicked();
    void on_pushButton_savePDF_clicked();

private:
    // A field edited: the header, its preview and the logo notice follow.
    void editHeader(QString ReportHeader::*field, const QString &text);
    // By step pages, within the report.
    void flipPage(int step);
    void setFieldFonts(const QFont &font);
    void loadFields(const ReportHeader &header);
    bool saveSettings();
    void showLogoState(const QString &path);
    void updatePageLabel(int count);
    void printReport(const QString &printerName, QDialog *window);

    Ui::Print *ui;
    ReportContent m_content;
    ReportHeader m_header;
    int m_currentPage = 1;
    QLabel *m_logoNotice = nullptr; // names a logo file that is no readable image
    bool m_settingsSaved = false;   // also when the fields do not belong in the settings file
};
