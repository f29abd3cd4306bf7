#include "valuetext.h"

#include <QObject>

#include <limits>

namespace {

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

int wholeNumber(double value, bool *ok)
{
    // Anything outside these bounds (NaN fails both) must not reach the conversion to int, which would be undefined.
    const bool fits = value > double(std::numeric_limits<qint32>::min()) - 1.0 &&
                      value < double(std::numeric_limits<qint32>::max()) + 1.0;
    if (ok)
        *ok = fits;
    return fits ? static_cast<qint32>(value) : 0;
}

int shownValue(double value, bool *ok)
{
    return wholeNumber((value * 10 + 5) / 10, ok);
}

QMap<QString, QString> resultTexts(ConversionResult result)
{
    QMap<QString, QString> texts;
    QString value;
    QString hint;
    switch (result.status) {
    case ConversionStatus::Ok: {
        bool ok = false;
        const int shown = shownValue(result.value, &ok);
        value = ok ? QString::number(shown) : QStringLiteral("---");
        if (!ok)
            hint = QObject::tr("无法计算");
        break;
    }
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
