#pragma once

#include "judgement.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QStringList>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;

// Tags the groups of selected rows and sets the limit of their part. Each field starts with the value the rows share,
// or empty with a placeholder when they differ; a field the operator leaves alone keeps each row's own value. The
// limit follows the part typed. OK is refused, with the reason in the dialog, while the limit cannot be kept.
class TagDialog : public QDialog
{
    Q_OBJECT

public:
    enum Field { Part, Heat, Location, Operator, Remark, FieldCount };

    // rows: the tags the selected groups have now; suggestions: the values each field had before, by Field; limits:
    // every part's limit.
    TagDialog(const QList<GroupTags> &rows, const QList<QStringList> &suggestions,
              const QHash<QString, PartLimit> &limits, QWidget *parent = nullptr);

    // Each row's tags once the dialog is done, in the order given.
    QList<GroupTags> rowTags() const;
    // The part whose limit the dialog holds (empty: the rows have several and none was typed), and that limit (no
    // bound: the part has none).
    QString limitPart() const;
    PartLimit limit() const;

    // Why the limit cannot be kept; empty when it can.
    QString refusal() const;

    void accept() override;

private:
    void showLimitOf(const QString &part);
    QString fieldText(int field) const;

    QList<GroupTags> m_rows;
    QHash<QString, PartLimit> m_limits;
    std::array<QComboBox *, FieldCount> m_fields{};
    std::array<bool, FieldCount> m_touched{};
    QComboBox *m_scale = nullptr;
    QLineEdit *m_low = nullptr;
    QLineEdit *m_high = nullptr;
    QLabel *m_refusal = nullptr;
};
