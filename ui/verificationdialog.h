#pragma once

#include "archive.h"
#include "verification.h"

#include <QDateTime>
#include <QDialog>
#include <QList>

class ControlChart;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "仪器验证": the archive's reference blocks, a form to register one, the selected block's checks with their results,
// its control chart, a form to record a check (readings typed, or the window's current group) and its PDF page.
class VerificationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit VerificationDialog(Archive *archive, QWidget *parent = nullptr);

    // The group the window shows, offered as a check's readings; no impacts: none shown.
    void setCurrentGroup(const QList<double> &impacts, const QDateTime &measuredAt, const QString &deviceName);

    // The selected block's serial; empty when none.
    QString selectedSerial() const;
    bool selectBlock(const QString &serial);
    ControlChart *chart() const { return m_chart; }

    // The readings of a text typed as "758, 762 765": whole HL separated by commas and/or spaces. False on any other
    // word, with *bad the first one.
    static bool parseReadings(const QString &text, QList<int> *readings, QString *bad);

signals:
    // A check was stored: groups it covers are verified or not now.
    void checkAdded();

private:
    void reloadBlocks(const QString &select);
    void showBlock();
    void updateDefaults();
    void addBlock();
    void addCheck();
    void takeCurrentGroup();
    void exportPdf();
    void showMessage(const QString &text, bool failure);
    QString refusalText(CheckRefusal refusal, const ReferenceBlock &block) const;

    Archive *m_archive;
    QList<ReferenceBlock> m_blocks;
    QList<VerificationCheck> m_checks;

    QTableWidget *m_blockTable = nullptr;
    QLineEdit *m_serial = nullptr;
    QComboBox *m_device = nullptr;
    QLineEdit *m_nominal = nullptr;
    QLineEdit *m_uncertainty = nullptr;
    QLineEdit *m_certificate = nullptr;
    QLineEdit *m_validUntil = nullptr;
    QLineEdit *m_maxError = nullptr;
    QLineEdit *m_maxRepeatability = nullptr;
    QPushButton *m_addBlock = nullptr;

    QLabel *m_blockTitle = nullptr;
    QTableWidget *m_checkTable = nullptr;
    ControlChart *m_chart = nullptr;
    QLineEdit *m_readings = nullptr;
    QDateTimeEdit *m_at = nullptr;
    QLineEdit *m_operator = nullptr;
    QPushButton *m_addCheck = nullptr;
    QPushButton *m_fromGroup = nullptr;
    QPushButton *m_export = nullptr;
    QLabel *m_message = nullptr;

    QList<double> m_groupImpacts;
    QDateTime m_groupAt;
    QString m_groupDevice;
};
