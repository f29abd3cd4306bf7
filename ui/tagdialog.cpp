#include "tagdialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr HardnessScale LimitScales[] = {ScaleHL, ScaleHRB, ScaleHRC, ScaleHB, ScaleHV, ScaleHS, ScaleSTR};

QString &tag(GroupTags &tags, int field)
{
    switch (field) {
    case TagDialog::Part:
        return tags.part;
    case TagDialog::Heat:
        return tags.heat;
    case TagDialog::Location:
        return tags.location;
    case TagDialog::Operator:
        return tags.operatorName;
    default:
        return tags.remark;
    }
}

QString tagOf(GroupTags tags, int field)
{
    return tag(tags, field);
}

// A bound as typed: empty is none; *ok false for a text that is no whole number.
std::optional<int> bound(const QLineEdit *edit, bool *ok)
{
    const QString text = edit->text().trimmed();
    *ok = true;
    if (text.isEmpty())
        return std::nullopt;
    const int value = text.toInt(ok);
    return *ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TagDialog::TagDialog(const QList<GroupTags> &rows, const QList<QStringList> &suggestions,
                     const QHash<QString, PartLimit> &limits, QWidget *parent)
    : QDialog(parent), m_rows(rows), m_limits(limits)
{
    setObjectName(QStringLiteral("TagDialog"));
    setWindowTitle(tr("标签（%n 组）", nullptr, int(rows.size())));
    auto *form = new QFormLayout;
    const QString captions[FieldCount] = {tr("零件"), tr("炉批号"), tr("位置"), tr("操作员"), tr("备注")};
    for (int field = 0; field < FieldCount; ++field) {
        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("tagField%1").arg(field));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(24);
        box->completer()->setCaseSensitivity(Qt::CaseSensitive); // tags are kept as typed
        box->addItems(suggestions.value(field));
        // The value every row has, or an empty field that says they differ.
        QStringList values;
        for (const GroupTags &row : rows)
            values << tagOf(row, field);
        values.removeDuplicates();
        box->setCurrentIndex(-1);
        box->setEditText(values.size() == 1 ? values.first() : QString());
        if (values.size() > 1)
            box->lineEdit()->setPlaceholderText(tr("（多个值）"));
        connect(box, &QComboBox::editTextChanged, this, [this, field] { m_touched[field] = true; });
        form->addRow(captions[field], box);
        m_fields[field] = box;
    }

    auto *limitBox = new QGroupBox(tr("零件限值"), this);
    auto *limitRow = new QHBoxLayout(limitBox);
    m_scale = new QComboBox(limitBox);
    m_scale->setObjectName(QStringLiteral("limitScale"));
    for (HardnessScale scale : LimitScales)
        m_scale->addItem(scaleName(scale), int(scale));
    m_low = new QLineEdit(limitBox);
    m_low->setObjectName(QStringLiteral("limitLow"));
    m_high = new QLineEdit(limitBox);
    m_high->setObjectName(QStringLiteral("limitHigh"));
    for (QLineEdit *edit : {m_low, m_high})
        edit->setPlaceholderText(tr("不限"));
    limitRow->addWidget(new QLabel(tr("标尺"), limitBox));
    limitRow->addWidget(m_scale);
    limitRow->addWidget(new QLabel(tr("下限"), limitBox));
    limitRow->addWidget(m_low, 1);
    limitRow->addWidget(new QLabel(tr("上限"), limitBox));
    limitRow->addWidget(m_high, 1);
    showLimitOf(limitPart());
    connect(m_fields[Part], &QComboBox::editTextChanged, this, [this] { showLimitOf(limitPart()); });

    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("refusal"));
    m_refusal->setWordWrap(true);
    QPalette colours = m_refusal->palette();
    colours.setColor(QPalette::WindowText, QColor(0x8a, 0x1c, 0x14));
    m_refusal->setPalette(colours);
    m_refusal->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TagDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TagDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(limitBox);
    layout->addWidget(m_refusal);
    layout->addWidget(buttons);
}

void TagDialog::showLimitOf(const QString &part)
{
    const PartLimit limit = m_limits.value(part);
    m_scale->setCurrentIndex(qMax(0, m_scale->findData(int(limit.scale))));
    m_low->setText(limit.low ? QString::number(*limit.low) : QString());
    m_high->setText(limit.high ? QString::number(*limit.high) : QString());
}

QString TagDialog::fieldText(int field) const
{
    return m_fields[field]->currentText().trimmed();
}

QList<GroupTags> TagDialog::rowTags() const
{
    QList<GroupTags> result = m_rows;
    for (GroupTags &row : result) {
        for (int field = 0; field < FieldCount; ++field) {
            if (m_touched[field])
                tag(row, field) = fieldText(field);
        }
    }
    return result;
}

QString TagDialog::limitPart() const
{
    // Untouched over rows of several parts the field is empty: there is no one part to hold a limit.
    return fieldText(Part);
}

PartLimit TagDialog::limit() const
{
    PartLimit limit;
    limit.scale = HardnessScale(m_scale->currentData().toInt());
    bool ok = false;
    limit.low = bound(m_low, &ok);
    limit.high = bound(m_high, &ok);
    return limit;
}

QString TagDialog::refusal() const
{
    bool lowOk = false;
    bool highOk = false;
    const std::optional<int> low = bound(m_low, &lowOk);
    const std::optional<int> high = bound(m_high, &highOk);
    if (!lowOk)
        return tr("下限不是整数：%1").arg(m_low->text().trimmed());
    if (!highOk)
        return tr("上限不是整数：%1").arg(m_high->text().trimmed());
    if (low && high && *low > *high)
        return tr("下限 %1 大于上限 %2").arg(*low).arg(*high);
    if ((low || high) && limitPart().isEmpty())
        return tr("限值属于零件：请填写零件");
    return QString();
}

void TagDialog::accept()
{
    const QString why = refusal();
    if (why.isEmpty()) {
        QDialog::accept();
        return;
    }
    m_refusal->setText(why);
    m_refusal->show();
}
