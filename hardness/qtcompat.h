#pragma once

// The few places where Qt 5.15 and Qt 6 want different calls; everything else is written for both.

#include <QMetaType>
#include <QVariant>
#include <QtGlobal>

namespace compat {

// A null value of the given type, e.g. for binding SQL NULL to a text column.
inline QVariant nullVariant(QMetaType::Type type)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QVariant(QMetaType(type));
#else
    return QVariant(QVariant::Type(type));
#endif
}

} // namespace compat
