#include "uart.h"

#include "frame.h"

#include <QDebug>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPortInfo>

Q_LOGGING_CATEGORY(lcUart, "leeb.link.uart")

namespace {
// The instrument answers the handshake within a few milliseconds; the rest is the line and the receive side.
constexpr int FirstProbeWaitMs = 500;
} // namespace

Uart::Uart(QObject *parent, int baudRate)
    : QObject(parent), m_port(new QSerialPort(this)), m_probeWaitMs(FirstProbeWaitMs)
{
    qRegisterMetaType<ProbeState>();
    qRegisterMetaType<Download>();
    m_port->setBaudRate(baudRate, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setParity(QSerialPort::NoParity);

    connect(m_port, SIGNAL(readyRead()), this, SLOT(on_readyRead()));
    connect(m_port, &QSerialPort::errorOccurred, this, &Uart::onPortError);

    m_frameTimer.setInterval(100);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] {
        m_frameTimer.stop();
        processBuffer();
    });
    connect(&m_scanTimer, &QTimer::timeout, this, &Uart::scanPorts);
    m_probeTimer.setSingleShot(true);
    connect(&m_probeTimer, &QTimer::timeout, this, &Uart::on_probeTimeout);
    m_requestTimer.setSingleShot(true);
    m_requestTimer.setInterval(2000);
    connect(&m_requestTimer, &QTimer::timeout, this, [this] {
        m_passDamaged = false;
        onGroupFrameDamaged(QStringLiteral("no group data within %1 ms").arg(m_requestTimer.interval()));
    });
}

Uart::~Uart()
{
    qCDebug(lcUart) << "~Uart";
}

void Uart::setHandshakeCommands(unsigned char ackCommand, unsigned char handshakeCommand)
{
    m_ackCommand = ackCommand;
    m_handshakeCommand = handshakeCommand;
}

void Uart::setScanEnabled(bool enable, int interval)
{
    if (!enable) {
        m_scanTimer.stop();
        m_probeTimer.stop();
        m_queue.clear();
        return;
    }
    m_scanTimer.start(interval);
    if (!m_connected && m_probeState.phase == ProbeState::Idle)
        setProbeState({ProbeState::Searching, QString(), PortStatus::Ok});
    // The first rotation starts as soon as the event loop runs, once the caller has set the port names.
    QTimer::singleShot(0, this, &Uart::scanPorts);
}

void Uart::setBaudRate(int baudRate)
{
    m_port->setBaudRate(baudRate, QSerialPort::AllDirections);
}

void Uart::setFrameInterval(int ms)
{
    m_frameTimer.setInterval(ms);
}

void Uart::setRequestTimeout(int ms)
{
    m_requestTimer.setInterval(ms);
}

void Uart::setExtraPortNames(const QStringList &names)
{
    m_extraPortNames = names;
}

QStringList Uart::portNames() const
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names.append(info.portName());
    return names;
}

QList<QPair<QString, PortStatus>> Uart::portOutcomes() const
{
    QList<QPair<QString, PortStatus>> outcomes;
    for (const QString &name : m_tried)
        outcomes.append({name, m_outcomes.value(name)});
    return outcomes;
}

bool Uart::openPort(const QString &name)
{
    closePort();
    if (name.isEmpty())
        return false;
    m_portName = name;
    m_port->setPortName(name);
    if (!m_port->open(QIODevice::ReadWrite)) {
        qCDebug(lcUart) << "cannot open" << name << m_port->errorString();
        return false;
    }
    m_port->clear(QSerialPort::AllDirections);
    sendCommand(m_handshakeCommand);
    return true;
}

void Uart::closePort()
{
    // What has arrived is handled before the port goes, whoever closes it: a download whose last byte came just
    // before a hang-up is kept. A handshake answer among it brings nothing up (see handleFrame).
    if (m_port->isOpen())
        m_rxBuffer.append(m_port->readAll());
    m_frameTimer.stop();
    m_closing = true;
    dispatch(takeFrames(m_rxBuffer, false));
    m_settled = 0;
    m_closing = false;
    if (m_port->isOpen())
        m_port->close();
    m_tailKept = false;
    m_requestTimer.stop();
    m_groupRequests = 0;
    m_deletePending = false;
    setDown();
}

void Uart::setDown()
{
    if (!m_connected)
        return;
    m_connected = false;
    setProbeState({ProbeState::Searching, QString(), PortStatus::Ok});
    emit connectionStatus(false);
}

void Uart::scanPorts()
{
    const QList<SystemPort> system = systemPorts();
    if (m_connected) {
        bool listed = QFileInfo::exists(portLocation(m_portName));
        for (const SystemPort &port : system)
            listed = listed || port.name == m_portName;
        if (listed)
            return;
        qCDebug(lcUart) << "port gone" << m_portName;
        closePort();
    }
    m_usbPorts.clear();
    for (const SystemPort &port : system) {
        if (port.usb)
            m_usbPorts.append(port.name);
    }
    const QStringList ports = probeOrder(m_extraPortNames, m_lastPort, system, m_rotation);
    QStringList fresh;
    for (const QString &name : ports) {
        if (!m_rotation.contains(name))
            fresh.append(name);
    }
    m_rotation = ports;
    if (m_probeTimer.isActive()) {
        // A rotation is under way: what appeared since the last tick goes next, the rest keeps its turn.
        for (const QString &name : qAsConst(fresh))
            m_queue.removeAll(name);
        m_queue = fresh + m_queue;
        return;
    }
    m_queue = ports;
    probeNext();
}

void Uart::probeNext()
{
    m_probeTimer.stop();
    while (!m_queue.isEmpty()) {
        const QString name = m_queue.takeFirst();
        if (!openPort(name)) {
            recordOutcome(name, statusAfterOpenError(m_port->error(), name));
            continue;
        }
        // Once a rotation has found nothing, its reason stays in view while the search goes on.
        if (m_probeState.phase != ProbeState::NotFound)
            setProbeState({ProbeState::Searching, m_portName, PortStatus::Ok});
        m_probeTimer.start(m_probeWaitMs);
        return;
    }
    setProbeState(notFoundState());
    m_probeWaitMs = qMin(2 * m_probeWaitMs, qMax(m_scanTimer.interval(), FirstProbeWaitMs));
}

void Uart::on_probeTimeout()
{
    // An answer that has arrived but waits for the silence after it still counts.
    if (bufferedBytes() > 0)
        processBuffer();
    if (m_connected)
        return;
    qCDebug(lcUart) << "no answer from" << m_portName << "within" << m_probeWaitMs << "ms";
    recordOutcome(m_portName, PortStatus::NoAnswer);
    closePort();
    probeNext();
}

void Uart::recordOutcome(const QString &name, PortStatus status)
{
    if (!m_tried.contains(name))
        m_tried.append(name);
    m_outcomes.insert(name, status);
}

bool Uart::isLikelyInstrument(const QString &name) const
{
    const QString location = portLocation(name);
    if (location == portLocation(m_lastPort) || m_usbPorts.contains(name))
        return true;
    for (const QString &named : m_extraPortNames) {
        if (portLocation(named) == location)
            return true;
    }
    return false;
}

ProbeState Uart::notFoundState() const
{
    if (m_rotation.isEmpty())
        return {ProbeState::NotFound, QString(), PortStatus::NoPort};
    for (const QString &name : m_rotation) {
        if (isLikelyInstrument(name))
            return {ProbeState::NotFound, name, m_outcomes.value(name, PortStatus::NoAnswer)};
    }
    // No port stands out: what keeps the user from any of them says more than silence.
    for (const PortStatus status : {PortStatus::PermissionDenied, PortStatus::InUse}) {
        for (const QString &name : m_rotation) {
            if (m_outcomes.value(name) == status)
                return {ProbeState::NotFound, name, status};
        }
    }
    return {ProbeState::NotFound, QString(), PortStatus::NoAnswer};
}

void Uart::setProbeState(const ProbeState &state)
{
    if (state == m_probeState)
        return;
    m_probeState = state;
    emit probeStateChanged(state);
}

void Uart::onPortError(QSerialPort::SerialPortError error)
{
    // A line that goes away raises ResourceError on some adapters and ReadError on others (and on a pseudo-terminal
    // whose other side closed), the latter again and again until the port is closed.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    qCDebug(lcUart) << "port error" << error << m_port->portName();
    closePort();
}

void Uart::onHandshakeAck()
{
    qCDebug(lcUart) << "connected";
    m_probeTimer.stop();
    m_queue.clear();
    m_probeWaitMs = FirstProbeWaitMs;
    m_connected = true;
    m_lastPort = m_portName;
    recordOutcome(m_portName, PortStatus::Ok);
    setProbeState({ProbeState::Connected, m_portName, PortStatus::Ok});
    emit connectionStatus(true);
}

void Uart::sendCommand(unsigned char cmd, const QByteArray &payload)
{
    if (!m_port->isOpen())
        return;
    if (cmd != m_handshakeCommand && !m_connected)
        return;
    m_port->write(packFrame(cmd, payload));
    if (cmd == CmdGetData) {
        // A new request starts its own count; the retries go through sendGroupRequest.
        if (m_groupRequests == 0)
            m_groupRequests = 1;
        m_requestTimer.start();
    } else if (cmd == CmdDeleteAll) {
        m_deletePending = true;
    }
}

void Uart::requestGroups()
{
    m_groupRequests = 0;
    sendCommand(CmdGetData);
}

void Uart::deleteAll()
{
    sendCommand(CmdDeleteAll);
}

void Uart::sendGroupRequest()
{
    ++m_groupRequests;
    sendCommand(CmdGetData);
}

void Uart::onGroupFrameDamaged(const QString &reason)
{
    // One damaged group frame can fall into several pieces of a pass; it counts once.
    if (m_passDamaged)
        return;
    m_passDamaged = true;
    // Nothing to ask again: no request is under way, or the port is closing.
    if (m_groupRequests == 0 || m_closing) {
        qCWarning(lcUart).noquote() << "group data not accepted, dropped:" << reason;
        return;
    }
    m_requestTimer.stop();
    if (m_groupRequests > MaxGroupRetries) {
        qCWarning(lcUart).noquote() << "group data not accepted:" << reason << "- giving up after" << m_groupRequests
                                    << "requests";
        m_groupRequests = 0;
        emit downloadFailed(reason);
        return;
    }
    qCWarning(lcUart).noquote() << "group data not accepted:" << reason << "- asking again";
    sendGroupRequest();
}

void Uart::on_readyRead()
{
    receive(m_port->readAll());
}

void Uart::receive(const QByteArray &bytes)
{
    m_frameTimer.start();
    m_tailKept = false;
    m_rxBuffer.append(bytes);
    // A complete frame goes at once; everything else waits for the silence.
    dispatch(takeCompleteFrames(m_rxBuffer, &m_settled));
    // A sender that never pauses for 100 ms must not grow the buffer without end: cut what is there now.
    if (m_rxBuffer.size() > frame::MaxBufferSize)
        processBuffer();
}

void Uart::processBuffer()
{
    // An unfinished tail waits one more silence at most: a frame whose length field says too much would otherwise
    // wait for ever.
    const bool keepTail = !m_tailKept;
    dispatch(takeFrames(m_rxBuffer, keepTail));
    m_settled = 0;
    m_tailKept = !m_rxBuffer.isEmpty();
    if (m_tailKept)
        m_frameTimer.start();
}

void Uart::dispatch(const QList<QByteArray> &pieces)
{
    m_passDamaged = false;
    for (const QByteArray &piece : pieces)
        handleFrame(piece);
}

void Uart::handleFrame(const QByteArray &piece)
{
    const unsigned char cmd = frameCommand(piece);
    if (!checkFrame(piece)) {
        if (cmd == CmdGroupData && hasHeader(piece) && m_connected)
            onGroupFrameDamaged(QStringLiteral("bad checksum"));
        return;
    }
    if (cmd == m_ackCommand) {
        // An answer read while the port closes would mark a link up that no longer has a port.
        if (!m_closing)
            onHandshakeAck();
        return;
    }
    if (!m_connected)
        return;
    if (cmd == CmdGroupData) {
        const QByteArray payload = framePayload(piece);
        const QString fault = groupPayloadFault(payload);
        if (!fault.isEmpty()) {
            onGroupFrameDamaged(fault);
            return;
        }
        m_requestTimer.stop();
        m_groupRequests = 0;
        emit readyRead(cmd, payload);
        emit downloadReceived(makeDownload(payload, m_portName));
        return;
    }
    if (cmd == CmdDeleteDone) {
        if (!m_deletePending) {
            qCWarning(lcUart) << "delete-done answer that was not asked for, ignored";
            return;
        }
        m_deletePending = false;
        emit deleteDone();
    }
    emit readyRead(cmd, framePayload(piece));
}
