#pragma once

#include "download.h"
#include "framereceiver.h"
#include "linkstate.h"
#include "portscanner.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

// The one link to the hardness tester: finds it on a serial port (PortScanner), brings the link up with the
// handshake, downloads the groups and deletes them on request. Everything it reads goes through a FrameReceiver;
// only sound group data leaves it, as a Download.
//
// Constructing a link opens no port: the search waits for start(), a single port for openPort().
class InstrumentLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int BaudRate = 115200;
    static constexpr int DefaultTickMs = 2000;
    // Group requests asked again after the first, before downloadFailed().
    static constexpr int MaxGroupRetries = 3;

    explicit InstrumentLink(QObject *parent = nullptr);
    ~InstrumentLink() override;

    // The search; see PortScanner.
    void setNamedPorts(const QStringList &names) { m_scanner.setNamedPorts(names); }
    QStringList namedPorts() const { return m_scanner.namedPorts(); }
    void setLastPort(const QString &name) { m_scanner.setLastPort(name); }
    QString lastPort() const { return m_scanner.lastPort(); }
    void setSystemPortsEnabled(bool enabled) { m_scanner.setSystemPortsEnabled(enabled); }
    bool systemPortsEnabled() const { return m_scanner.systemPortsEnabled(); }
    int probeWaitMs() const { return m_scanner.probeWaitMs(); }
    QList<QPair<QString, PortStatus>> portOutcomes() const { return m_scanner.outcomes(); }

    // Starts the search, or sets the tick of one under way; the first rotation begins once the event loop runs.
    // While the link is up, each tick only checks that its port is still there.
    void start(int tickMs = DefaultTickMs);
    // Ends the search; a port being probed or the link's port stays open.
    void stop();

    // One port without the search (tests, benchmarks): opens it and sends the handshake; false when it cannot be
    // opened.
    bool openPort(const QString &name);
    // Hands over what has arrived, then closes the port; the link goes down.
    void closePort();

    LinkState state() const { return m_state; }
    bool isConnected() const { return m_state.isConnected(); }
    bool isPortOpen() const { return m_port->isOpen(); }
    QString portName() const { return m_portName; }

    // Asks for the groups. A group frame that fails its checks (or none within the request timeout) makes the link
    // ask again, up to MaxGroupRetries times; then downloadFailed(). A payload whose only fault is an impossible date
    // is accepted when the next answer brings the same bytes: the instrument holds it. Nothing is sent while the
    // link is down.
    void requestGroups();
    // Asks the instrument to delete all groups; only the answer to this is passed on, as deleteDone().
    void deleteAll();

    // The silence that ends a burst (100 ms) and the wait for group data (2 s).
    void setFrameInterval(int ms) { m_frameTimer.setInterval(ms); }
    void setRequestTimeout(int ms) { m_requestTimer.setInterval(ms); }

signals:
    // Once per change: searching, connected or not found, with the port and reason.
    void stateChanged(const LinkState &state);
    // A sound group frame (or one whose impossible date came twice the same), made into the one Download value
    // everything downstream reads.
    void downloadReceived(const Download &download);
    // The groups asked for came damaged or not at all, 1 + MaxGroupRetries times in a row; reason in English.
    void downloadFailed(const QString &reason);
    // The instrument confirmed the deletion asked for with deleteAll().
    void deleteDone();

private:
    void on_port_readyRead();
    void on_port_errorOccurred(QSerialPort::SerialPortError error);
    void on_frameTimer_timeout();
    void on_scanTimer_timeout();
    void on_probeTimer_timeout();
    void on_requestTimer_timeout();
    void probeNext();
    void silencePass();
    void setState(const LinkState &state);
    void setDown();
    void onHandshakeAck();
    void send(unsigned char cmd);
    void sendGroupRequest();
    void onGroupFrameDamaged(const QString &reason, bool dateOnly = false);
    void dispatch(const QList<QByteArray> &pieces);
    void handlePiece(const QByteArray &piece);

    QSerialPort *m_port = nullptr;
    QString m_portName;
    FrameReceiver m_receiver;
    PortScanner m_scanner;
    LinkState m_state;
    QTimer m_frameTimer;
    QTimer m_scanTimer;
    QTimer m_probeTimer;
    QTimer m_requestTimer;
    bool m_closing = false;     // handling what arrived before the port closes
    bool m_passDamaged = false; // a damaged group frame was counted among these pieces already
    int m_groupRequests = 0;    // group requests sent for the download under way, 0 when none is
    bool m_deletePending = false;
    QByteArray m_dateFaultPayload; // the last answer of this download refused for an impossible date only
};
