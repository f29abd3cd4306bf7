#include "instrumentlink.h"

#include "frame.h"

#include <QLoggingCategory>

// The category keeps its old name: operators' logging rules and scripts ask for it.
Q_LOGGING_CATEGORY(lcLink, "leeb.link.uart")

InstrumentLink::InstrumentLink(QObject *parent) : QObject(parent), m_port(new QSerialPort(this))
{
    qRegisterMetaType<LinkState>();
    qRegisterMetaType<Download>();
    m_port->setBaudRate(BaudRate, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setParity(QSerialPort::NoParity);
    connect(m_port, &QSerialPort::readyRead, this, &InstrumentLink::on_port_readyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &InstrumentLink::on_port_errorOccurred);

    m_frameTimer.setSingleShot(true);
    m_frameTimer.setInterval(100);
    connect(&m_frameTimer, &QTimer::timeout, this, &InstrumentLink::on_frameTimer_timeout);
    connect(&m_scanTimer, &QTimer::timeout, this, &InstrumentLink::on_scanTimer_timeout);
    m_probeTimer.setSingleShot(true);
    connect(&m_probeTimer, &QTimer::timeout, this, &InstrumentLink::on_probeTimer_timeout);
    m_requestTimer.setSingleShot(true);
    m_requestTimer.setInterval(2000);
    connect(&m_requestTimer, &QTimer::timeout, this, &InstrumentLink::on_requestTimer_timeout);
}

InstrumentLink::~InstrumentLink() = default;

void InstrumentLink::start(int tickMs)
{
    m_scanTimer.start(tickMs);
    if (m_state.phase == LinkState::Idle)
        setState({LinkState::Searching, QString(), PortStatus::Ok});
    // The first rotation starts as soon as the event loop runs, once the caller has set the port names.
    QTimer::singleShot(0, this, [this] {
        if (m_scanTimer.isActive())
            on_scanTimer_timeout();
    });
}

void InstrumentLink::stop()
{
    m_scanTimer.stop();
    m_probeTimer.stop();
    m_scanner.stop();
}

bool InstrumentLink::openPort(const QString &name)
{
    closePort();
    if (name.isEmpty())
        return false;
    m_portName = name;
    m_port->setPortName(name);
    if (!m_port->open(QIODevice::ReadWrite)) {
        qCDebug(lcLink) << "cannot open" << name << m_port->errorString();
        return false;
    }
    m_port->clear(QSerialPort::AllDirections);
    send(CmdHandshake);
    return true;
}

void InstrumentLink::closePort()
{
    // What has arrived is handled before the port goes, whoever closes it: a download whose last byte came just
    // before a hang-up is kept. A handshake answer among it brings nothing up (see handlePiece).
    const QByteArray rest = m_port->isOpen() ? m_port->readAll() : QByteArray();
    m_frameTimer.stop();
    m_closing = true;
    QList<QByteArray> pieces = m_receiver.receive(rest);
    pieces += m_receiver.close();
    dispatch(pieces);
    m_closing = false;
    if (m_port->isOpen())
        m_port->close();
    m_requestTimer.stop();
    m_groupRequests = 0;
    m_dateFaultPayload.clear();
    m_deletePending = false;
    setDown();
}

void InstrumentLink::setDown()
{
    if (isConnected())
        setState({LinkState::Searching, QString(), PortStatus::Ok});
}

void InstrumentLink::setState(const LinkState &state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void InstrumentLink::on_scanTimer_timeout()
{
    if (isConnected()) {
        if (m_scanner.isPresent(m_portName))
            return;
        qCDebug(lcLink) << "port gone" << m_portName;
        closePort();
    }
    const bool underWay = m_probeTimer.isActive();
    m_scanner.tick(underWay);
    if (!underWay)
        probeNext();
}

void InstrumentLink::probeNext()
{
    m_probeTimer.stop();
    for (QString name = m_scanner.takeNext(); !name.isEmpty(); name = m_scanner.takeNext()) {
        if (!openPort(name)) {
            m_scanner.recordOutcome(name, statusAfterOpenError(m_port->error(), name));
            continue;
        }
        // Once a rotation has found nothing, its reason stays in view while the search goes on.
        if (m_state.phase != LinkState::NotFound)
            setState({LinkState::Searching, m_portName, PortStatus::Ok});
        m_probeTimer.start(m_scanner.probeWaitMs());
        return;
    }
    setState(m_scanner.rotationFailed(m_scanTimer.interval()));
}

void InstrumentLink::on_probeTimer_timeout()
{
    // An answer that has arrived but waits for the silence after it still counts.
    if (m_receiver.bufferedBytes() > 0)
        silencePass();
    if (isConnected())
        return;
    qCDebug(lcLink) << "no answer from" << m_portName << "within" << m_scanner.probeWaitMs() << "ms";
    m_scanner.recordOutcome(m_portName, PortStatus::NoAnswer);
    closePort();
    probeNext();
}

void InstrumentLink::on_port_errorOccurred(QSerialPort::SerialPortError error)
{
    // A line that goes away raises ResourceError on some adapters and ReadError on others (and on a pseudo-terminal
    // whose other side closed), the latter again and again until the port is closed.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    qCDebug(lcLink) << "port error" << error << m_port->portName();
    closePort();
}

void InstrumentLink::onHandshakeAck()
{
    if (isConnected())
        return;
    qCDebug(lcLink) << "connected";
    m_probeTimer.stop();
    m_scanner.found(m_portName);
    setState({LinkState::Connected, m_portName, PortStatus::Ok});
}

void InstrumentLink::send(unsigned char cmd)
{
    if (!m_port->isOpen() || (cmd != CmdHandshake && !isConnected()))
        return;
    m_port->write(packFrame(cmd, QByteArray()));
    if (cmd == CmdGetData) {
        // A new request starts its own count; the retries go through sendGroupRequest.
        if (m_groupRequests == 0)
            m_groupRequests = 1;
        m_requestTimer.start();
    } else if (cmd == CmdDeleteAll) {
        m_deletePending = true;
    }
}

void InstrumentLink::requestGroups()
{
    m_groupRequests = 0;
    m_dateFaultPayload.clear();
    send(CmdGetData);
}

void InstrumentLink::deleteAll()
{
    send(CmdDeleteAll);
}

void InstrumentLink::sendGroupRequest()
{
    ++m_groupRequests;
    send(CmdGetData);
}

void InstrumentLink::on_requestTimer_timeout()
{
    m_passDamaged = false;
    onGroupFrameDamaged(QStringLiteral("no group data within %1 ms").arg(m_requestTimer.interval()));
}

void InstrumentLink::onGroupFrameDamaged(const QString &reason, bool dateOnly)
{
    // One damaged group frame can fall into several pieces; it counts once.
    if (m_passDamaged)
        return;
    m_passDamaged = true;
    // Nothing to ask again: no request is under way, or the port is closing.
    if (m_groupRequests == 0 || m_closing) {
        qCWarning(lcLink).noquote() << "group data not accepted, dropped:" << reason;
        return;
    }
    m_requestTimer.stop();
    if (m_groupRequests > MaxGroupRetries) {
        qCWarning(lcLink).noquote() << "group data not accepted:" << reason << "- giving up after" << m_groupRequests
                                    << "requests";
        m_groupRequests = 0;
        emit downloadFailed(reason);
        return;
    }
    // An impossible date alone is asked again to tell the instrument's record from damage: no warning yet.
    if (dateOnly)
        qCDebug(lcLink).noquote() << "group data not accepted yet:" << reason << "- asking again";
    else
        qCWarning(lcLink).noquote() << "group data not accepted:" << reason << "- asking again";
    sendGroupRequest();
}

void InstrumentLink::on_port_readyRead()
{
    // A complete frame goes at once; everything else waits for the silence.
    m_frameTimer.start();
    dispatch(m_receiver.receive(m_port->readAll()));
}

void InstrumentLink::on_frameTimer_timeout()
{
    silencePass();
}

void InstrumentLink::silencePass()
{
    m_frameTimer.stop();
    dispatch(m_receiver.silence());
    // A kept tail waits one more silence at most.
    if (m_receiver.bufferedBytes() > 0)
        m_frameTimer.start();
}

void InstrumentLink::dispatch(const QList<QByteArray> &pieces)
{
    m_passDamaged = false;
    for (const QByteArray &piece : pieces)
        handlePiece(piece);
}

void InstrumentLink::handlePiece(const QByteArray &piece)
{
    const unsigned char cmd = frameCommand(piece);
    if (!checkFrame(piece)) {
        if (cmd == CmdGroupData && hasHeader(piece) && isConnected())
            onGroupFrameDamaged(QStringLiteral("bad checksum"));
        return;
    }
    if (cmd == CmdHandshakeAck) {
        // An answer read while the port closes would mark a link up that no longer has a port.
        if (!m_closing)
            onHandshakeAck();
        return;
    }
    if (!isConnected())
        return;
    if (cmd == CmdGroupData) {
        const QByteArray payload = framePayload(piece);
        const QString fault = groupPayloadFault(payload);
        if (!fault.isEmpty()) {
            // An impossible date the instrument really holds comes back byte for byte when asked again; line damage
            // does not repeat itself. Every other fault stays refused.
            const bool dateOnly = onlyDateFault(payload);
            if (!dateOnly || payload != m_dateFaultPayload) {
                m_dateFaultPayload = dateOnly ? payload : QByteArray();
                onGroupFrameDamaged(fault, dateOnly);
                return;
            }
            // Said downstream, where the groups are marked; the log says why they came through.
            qCDebug(lcLink).noquote() << "group data accepted although" << fault
                                      << "- the same in two answers, so the instrument holds it";
        }
        m_requestTimer.stop();
        m_groupRequests = 0;
        m_dateFaultPayload.clear();
        emit downloadReceived(makeDownload(payload, m_portName));
        return;
    }
    if (cmd == CmdDeleteDone) {
        if (!m_deletePending) {
            qCWarning(lcLink) << "delete-done answer that was not asked for, ignored";
            return;
        }
        m_deletePending = false;
        emit deleteDone();
    }
}
