#include "portscanner.h"

#include <QFileInfo>

bool PortScanner::isPresent(const QString &name) const
{
    if (QFileInfo::exists(portLocation(name)))
        return true;
    const QList<SystemPort> listed = listedPorts();
    for (const SystemPort &port : listed) {
        if (port.name == name)
            return true;
    }
    return false;
}

QList<SystemPort> PortScanner::listedPorts() const
{
    return m_systemPorts ? systemPorts() : QList<SystemPort>();
}

void PortScanner::tick(bool underWay)
{
    const QList<SystemPort> system = listedPorts();
    m_usbPorts.clear();
    for (const SystemPort &port : system) {
        if (port.usb)
            m_usbPorts.append(port.name);
    }
    const QStringList ports = probeOrder(m_named, m_systemPorts ? m_lastPort : QString(), system, m_rotation);
    QStringList fresh;
    for (const QString &name : ports) {
        if (!m_rotation.contains(name))
            fresh.append(name);
    }
    m_rotation = ports;
    if (!underWay) {
        m_queue = ports;
        return;
    }
    // What appeared since the last tick goes next, the rest keeps its turn.
    for (const QString &name : qAsConst(fresh))
        m_queue.removeAll(name);
    m_queue = fresh + m_queue;
}

QString PortScanner::takeNext()
{
    return m_queue.isEmpty() ? QString() : m_queue.takeFirst();
}

void PortScanner::recordOutcome(const QString &name, PortStatus status)
{
    if (!m_tried.contains(name))
        m_tried.append(name);
    m_outcomes.insert(name, status);
}

void PortScanner::found(const QString &name)
{
    m_queue.clear();
    m_probeWaitMs = FirstProbeWaitMs;
    m_lastPort = name;
    recordOutcome(name, PortStatus::Ok);
}

LinkState PortScanner::rotationFailed(int tickMs)
{
    m_probeWaitMs = qMin(2 * m_probeWaitMs, qMax(tickMs, int(FirstProbeWaitMs)));
    return notFoundState();
}

QList<QPair<QString, PortStatus>> PortScanner::outcomes() const
{
    QList<QPair<QString, PortStatus>> outcomes;
    for (const QString &name : m_tried)
        outcomes.append({name, m_outcomes.value(name)});
    return outcomes;
}

bool PortScanner::isLikelyInstrument(const QString &name) const
{
    const QString location = portLocation(name);
    if (location == portLocation(m_lastPort) || m_usbPorts.contains(name))
        return true;
    for (const QString &named : m_named) {
        if (portLocation(named) == location)
            return true;
    }
    return false;
}

LinkState PortScanner::notFoundState() const
{
    if (m_rotation.isEmpty())
        return {LinkState::NotFound, QString(), PortStatus::NoPort};
    for (const QString &name : m_rotation) {
        if (isLikelyInstrument(name))
            return {LinkState::NotFound, name, m_outcomes.value(name, PortStatus::NoAnswer)};
    }
    // No port stands out: what keeps the user from any of them says more than silence.
    for (const PortStatus status : {PortStatus::PermissionDenied, PortStatus::InUse}) {
        for (const QString &name : m_rotation) {
            if (m_outcomes.value(name) == status)
                return {LinkState::NotFound, name, status};
        }
    }
    return {LinkState::NotFound, QString(), PortStatus::NoAnswer};
}
