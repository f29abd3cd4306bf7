#pragma once

#include "download.h"
#include "ports.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPair>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

// The one link to the hardness tester. Finds the instrument by probing the serial ports in turn, reports the link
// going up and down and what the search is doing, sends command frames and delivers the verified frames the
// instrument sends.
//
// The search: a rotation probes one port at a time in probeOrder(); a port without an answer is given up after
// the probe wait (500 ms at first) and the next one tried at once. Each tick of the scan timer starts the next
// rotation, or, while one runs, puts ports that appeared since the last tick next in line. After a rotation
// without an answer the probe wait doubles, up to the tick, so that a slow instrument is still found.
class Uart : public QObject
{
    Q_OBJECT

public:
    Uart(QObject *parent, int baudRate);
    ~Uart() override;

    void setHandshakeCommands(unsigned char ackCommand, unsigned char handshakeCommand);
    void setScanEnabled(bool enable, int interval);
    void setBaudRate(int baudRate);
    void setFrameInterval(int ms);

    // Port names given by the user (--port): probed first, in this order, also where the system does not list
    // them (pseudo-terminals, for instance).
    void setExtraPortNames(const QStringList &names);
    QStringList extraPortNames() const { return m_extraPortNames; }
    // The port that answered last (kept in the settings file): probed right after the user's names.
    void setLastPortName(const QString &name) { m_lastPort = name; }
    QString lastPortName() const { return m_lastPort; }

    // The ports the operating system lists, in its order.
    QStringList portNames() const;

    ProbeState probeState() const { return m_probeState; }
    // How long a probe waits for the answer before the next port is tried.
    int probeWaitMs() const { return m_probeWaitMs; }
    // The last outcome of every port the search tried, in the order first tried.
    QList<QPair<QString, PortStatus>> portOutcomes() const;

    bool openPort(const QString &name);
    void closePort();
    bool isConnected() const { return m_connected; }
    bool isPortOpen() const { return m_port->isOpen(); }
    QString currentPortName() const { return m_portName; }

    // Writes one frame when the port is open and the link is up (the handshake also while it is down). CmdGetData
    // starts a tracked request for the groups, CmdDeleteAll one for the deletion; see requestGroups and deleteAll.
    void sendCommand(unsigned char cmd, const QByteArray &payload = QByteArray());
    // Asks for the groups. A group frame that fails its checks (or none within the request timeout) makes the link
    // ask again, up to MaxGroupRetries times; then downloadFailed() is emitted. Only sound group frames are passed on,
    // as a Download.
    void requestGroups();
    // Asks the instrument to delete all groups; only the answer to this is passed on, as deleteDone().
    void deleteAll();
    void setRequestTimeout(int ms);
    static constexpr int MaxGroupRetries = 3;

    // The receive path without a port: what on_readyRead does with the bytes it reads.
    void receive(const QByteArray &bytes);
    // One reassembly pass; run by the frame timer 100 ms after the last chunk.
    // A tail kept by the pass before that has had no byte added since is handed over whole this time.
    void processBuffer();
    void handleFrame(const QByteArray &piece);
    int bufferedBytes() const { return m_rxBuffer.size(); }

signals:
    void connectionStatus(bool connected);
    void probeStateChanged(const ProbeState &state);
    // Every verified frame the link passes on (the reassembly tests read these).
    void readyRead(unsigned char cmd, QByteArray arr);
    // A sound group frame, made into the one Download value everything downstream reads.
    void downloadReceived(const Download &download);
    // The groups asked for came damaged or not at all, 1 + MaxGroupRetries times in a row; reason in English.
    void downloadFailed(const QString &reason);
    // The instrument confirmed the deletion asked for with deleteAll().
    void deleteDone();

private slots:
    void on_readyRead();

private:
    void scanPorts();
    void probeNext();
    void on_probeTimeout();
    void setProbeState(const ProbeState &state);
    ProbeState notFoundState() const;
    bool isLikelyInstrument(const QString &name) const;
    void recordOutcome(const QString &name, PortStatus status);
    void onPortError(QSerialPort::SerialPortError error);
    void onHandshakeAck();
    void setDown();
    void dispatch(const QList<QByteArray> &pieces);
    void sendGroupRequest();
    void onGroupFrameDamaged(const QString &reason);

    QByteArray m_rxBuffer;
    bool m_connected = false;
    QString m_portName;
    QSerialPort *m_port = nullptr;
    QTimer m_frameTimer;
    QTimer m_scanTimer;
    unsigned char m_ackCommand = 0;
    unsigned char m_handshakeCommand = 0;
    QStringList m_extraPortNames;
    QString m_lastPort;
    int m_settled = 0;          // m_rxBuffer up to here holds no complete frame to hand over before the silence
    bool m_tailKept = false;    // the last pass kept an unfinished tail, and no byte came since
    bool m_closing = false;     // handling what arrived before the port closes
    bool m_passDamaged = false; // a damaged group frame was counted in this pass already
    int m_groupRequests = 0;    // group requests sent for the download under way, 0 when none is
    bool m_deletePending = false;
    QTimer m_requestTimer;

    QTimer m_probeTimer;
    int m_probeWaitMs;
    QStringList m_rotation; // the ports of the current rotation, in probe order
    QStringList m_queue;    // those not yet probed
    QStringList m_usbPorts;
    QStringList m_tried;
    QHash<QString, PortStatus> m_outcomes;
    ProbeState m_probeState;
};
