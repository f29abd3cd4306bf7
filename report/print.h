#pragma once

#include "measurementgroup.h"
#include "outputpreview.h"
#include "paintbase.h"
#include "reportheader.h"

#include <QDialog>
#include <QList>
#include <QString>

namespace Ui {
class Print;
}

class QComboBox;
class QLabel;

// The print dialog: a live preview of the report with page flipping, the five report header fields (kept in the
// settings file between sessions), PDF export and printing. The header it holds is what the preview, the PDF and the
// printer get; the preview repaints as a field is edited or a page flipped. It shows itself window-modal and deletes
// itself when closed, saving the fields on the way.
class Print : public QDialog
{
    Q_OBJECT

public:
    Print(QList<MeasurementGroup> groups, QWidget *parent);
    ~Print() override;

    // Closing saves the fields; a settings file that cannot be written is reported through message().
    void done(int result) override;

signals:
    // The outcome of a PDF export, a print job or saving the fields, for the status bar.
    void message(QString text);

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
    void loadSettings();
    bool saveSettings();
    void showLogoState(const QString &path);
    void updatePageLabel(int count);
    void printReport(const QString &printerName, QDialog *window);

    Ui::Print *ui;
    QList<MeasurementGroup> m_groups;
    ReportHeader m_header;
    int m_currentPage = 1;
    QLabel *m_logoNotice = nullptr; // names a logo file that is no readable image
    bool m_settingsSaved = false;
};
