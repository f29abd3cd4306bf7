#include "uart.h"

#include "frame.h"
#include "groups.h"

#include <QDebug>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPortInfo>

Q_LOGGING_CATEGORY(lcUart, "leeb.link.uart")

int Uart::s_scanIndex = 0;

Uart::Uart(QObject *parent, int baudRate) : QObject(parent), m_port(new QSerialPort(this))
{
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
    if (enable)
        m_scanTimer.start(interval);
    else
        m_scanTimer.stop();
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

QStringList Uart::scanPortNames() const
{
    QStringList names = portNames();
    // An extra name that no longer exists (a pseudo-terminal whose other side went away) counts as unplugged.
    for (const QString &name : m_extraPortNames) {
        if (QFileInfo::exists(name) || QFileInfo::exists(QStringLiteral("/dev/") + name))
            names.append(name);
    }
    return names;
}

void Uart::resetScanRotation()
{
    s_scanIndex = 0;
}

bool Uart::openPort(const QString &name)
{
    closePort();
    if (name.isEmpty())
        return false;
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
    emit connectionStatus(false);
}

void Uart::scanPorts()
{
    const QStringList ports = scanPortNames();
    if (m_connected && ports.contains(m_portName))
        return;
    if (ports.isEmpty()) {
        // The port of a link that was up is gone and nothing replaces it.
        closePort();
        return;
    }
    if (s_scanIndex >= ports.size())
        s_scanIndex = 0;
    m_portName = ports.at(s_scanIndex);
    openPort(m_portName);
    ++s_scanIndex;
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
    qCDebug(lcUart) << "连接";
    m_connected = true;
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
        emit groupsFailed();
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
        return;
    }
    if (cmd == CmdDeleteDone) {
        if (!m_deletePending) {
            qCWarning(lcUart) << "delete-done answer that was not asked for, ignored";
            return;
        }
        m_deletePending = false;
    }
    emit readyRead(cmd, framePayload(piece));
}
