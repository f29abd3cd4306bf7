#include "uart.h"

#include "frame.h"

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
    if (m_port->isOpen())
        m_port->close();
    // Bytes of a port that is closed can only confuse the next one: an answer read just before the close would
    // otherwise mark a link up that no longer has a port.
    m_frameTimer.stop();
    m_rxBuffer.clear();
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
    qCDebug(lcUart) << "connected";
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
}

void Uart::on_readyRead()
{
    receive(m_port->readAll());
}

void Uart::receive(const QByteArray &bytes)
{
    m_frameTimer.start();
    m_rxBuffer.append(bytes);
    // A sender that never pauses for 100 ms must not grow the buffer without end: cut what is there now.
    if (m_rxBuffer.size() > frame::MaxBufferSize)
        processBuffer();
}

void Uart::processBuffer()
{
    const QList<QByteArray> pieces = takeFrames(m_rxBuffer);
    for (const QByteArray &piece : pieces)
        handleFrame(piece);
}

void Uart::handleFrame(const QByteArray &piece)
{
    if (!checkFrame(piece))
        return;
    const unsigned char cmd = frameCommand(piece);
    if (cmd == m_ackCommand) {
        onHandshakeAck();
        return;
    }
    if (!m_connected)
        return;
    emit readyRead(cmd, framePayload(piece));
}
