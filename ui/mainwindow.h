#pragma once

#include "measurementgroup.h"

#include <QFont>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>

namespace Ui {
class MainWindow;
}
class QStandardItemModel;
class QTranslator;
class Uart;

// Exit code of the event loop that asks the entry to start the program afresh in the other language.
constexpr int RestartExitCode = 888;

// The program's one window: the link to the instrument, the downloaded groups, their table, the detail panel, the
// line chart and the commands.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Ports probed after the system's own, for instruments the system does not list (given with --port).
    void setExtraPortNames(const QStringList &names);
    Uart *uart() const { return m_uart; }
    QList<MeasurementGroup> groups() const { return m_groups; }
    int language() const { return m_language; }

private slots:
    void on_connectionStatus(bool b);
    void on_uartReadyRead(unsigned char cmd, QByteArray arr);
    void on_groupsFailed();
    void on_buttonClicked(int btnID);
    void setCtrlStatuc(bool b);
    void on_printMessage(QString message);
    void on_itemClicked(QModelIndex item);
    void on_pushButton_language_clicked();

private:
    void loadLanguage();
    void saveLanguage();
    void retranslateTexts();
    void applyFont(QFont font);
    void setupTable();
    void fillTable();
    void refreshView();
    void showMessage(const QString &text);
    void exportToExcel();
    void openPrintDialog();
    void confirmDeleteAll();

    int m_language = 0;
    Ui::MainWindow *ui = nullptr;
    Uart *m_uart = nullptr;
    QList<MeasurementGroup> m_groups;
    QStandardItemModel *m_model = nullptr;
    QTranslator *m_translator = nullptr;
    QFont m_font;
};
