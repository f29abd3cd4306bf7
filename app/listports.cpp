#include "listports.h"

#include "ports.h"

#include <QSerialPortInfo>

namespace {

QString field(QString text)
{
    text = text.simplified();
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString usbId(const QSerialPortInfo &info)
{
    if (!info.hasVendorIdentifier())
        return QStringLiteral("-");
    return QStringLiteral("%1:%2")
        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
}

} // namespace

QStringList listPorts(const QStringList &named)
{
    QStringList lines;
    QStringList listed;
    auto add = [&](const QString &name, const QStringList &details) {
        const QString location = portLocation(name);
        if (listed.contains(location))
            return;
        listed.append(location);
        lines.append((QStringList{field(name)} + details + QStringList{portStatusText(checkPortAccess(name))})
                         .join(QLatin1Char('\t')));
    };
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        add(info.systemLocation(),
            {field(info.description()), field(info.manufacturer()), usbId(info), field(info.serialNumber())});
    }
    for (const QString &name : named)
        add(name, {field({}), field({}), field({}), field({})});
    return lines;
}
