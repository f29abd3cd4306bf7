#include "valuetext.h"

#include <QObject>

#include <limits>

namespace {

// Whether a stored value truncates to a signed 32-bit integer; anything else (not-a-number, infinities, numbers out
// of range) has no whole-number text and must not reach the conversion, whose result would be undefined.
bool truncatesToInt(double value)
{
    return value > double(std::numeric_limits<qint32>::min()) - 1.0 &&
           value < double(std::numeric_limits<qint32>::max()) + 1.0;
}

double extreme(const QList<double> &values, bool largest)
{
    if (values.isEmpty())
        return 0.0;
    double result = values.first();
    for (double value : values) {
        if (largest ? value > result : value < result)
            result = value;
    }
    return result;
}

} // namespace

QMap<QString, QString> resultTexts(ConversionResult result)
{
    QMap<QString, QString> texts;
    QString value;
    QString hint;
    switch (result.status) {
    case ConversionStatus::Ok:
        if (truncatesToInt(result.value)) {
            value = QString::number(static_cast<qint32>(result.value));
            break;
        }
        value = QStringLiteral("---");
        hint = QObject::tr("无法计算");
        break;
    case ConversionStatus::AboveRange:
        value = QStringLiteral("HI");
        hint = QObject::tr("测值过大");
        break;
    case ConversionStatus::BelowRange:
        value = QStringLiteral("LO");
        hint = QObject::tr("测值过小");
        break;
    default:
        value = QStringLiteral("---");
        hint = QObject::tr("无法计算");
        break;
    }
    texts.insert(QStringLiteral("value"), value);
    texts.insert(QStringLiteral("hint"), hint);
    return texts;
}

double mean(const QList<double> &values)
{
    double sum = 0.0;
    for (double value : values)
        sum += value;
    return sum / values.size();
}

double maximum(const QList<double> &values)
{
    return extreme(values, true);
}

double minimum(const QList<double> &values)
{
    return extreme(values, false);
}
