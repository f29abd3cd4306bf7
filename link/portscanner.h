#pragma once

#include "linkstate.h"
#include "ports.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QStringList>

// The search for the instrument's port, without the port itself: which port to probe next, how long to wait for an
// answer, and why a search found nothing. The link opens the ports it is handed and reports back.
//
// A rotation probes one port at a time in probeOrder(). Each tick of the search starts the next rotation or, while
// one runs, puts the ports that appeared since the last tick next in line. A port is given up after the probe wait
// (500 ms at first); after a rotation without an answer the wait doubles, up to the tick, so that a slow instrument
// is still found.
class PortScanner
{
public:
    static constexpr int FirstProbeWaitMs = 500;

    // Port names given by the user (--port): probed first, in this order, also where the system does not list them
    // (pseudo-terminals, for instance).
    void setNamedPorts(const QStringList &names) { m_named = names; }
    QStringList namedPorts() const { return m_named; }
    // The port that answered last (kept in the settings file): probed right after the named ones.
    void setLastPort(const QString &name) { m_lastPort = name; }
    QString lastPort() const { return m_lastPort; }
    // Off: the named ports only, never the system's own nor the last port; nothing else on the host is written to.
    void setSystemPortsEnabled(bool enabled) { m_systemPorts = enabled; }
    bool systemPortsEnabled() const { return m_systemPorts; }

    // Whether a port is still there: present as a device, or listed by the system.
    bool isPresent(const QString &name) const;

    // A tick: lays out the next rotation, or with `underWay` moves the ports that appeared since the last tick to
    // the front of those not yet probed.
    void tick(bool underWay);
    // The next port of the rotation to probe, empty once every one was.
    QString takeNext();
    // Drops the rest of the rotation.
    void stop() { m_queue.clear(); }

    void recordOutcome(const QString &name, PortStatus status);
    // The instrument answered on this port: the search is over, and the next one starts with the first wait.
    void found(const QString &name);
    // A rotation ended without an answer: the probe wait doubles, up to the tick. Returns the state to show.
    LinkState rotationFailed(int tickMs);

    // How long a probe waits for the answer before the next port is tried.
    int probeWaitMs() const { return m_probeWaitMs; }
    // The last outcome of every port tried, in the order first tried.
    QList<QPair<QString, PortStatus>> outcomes() const;

private:
    QList<SystemPort> listedPorts() const;
    bool isLikelyInstrument(const QString &name) const;
    LinkState notFoundState() const;

    QStringList m_named;
    QString m_lastPort;
    bool m_systemPorts = true;
    int m_probeWaitMs = FirstProbeWaitMs;
    QStringList m_rotation; // the ports of the current rotation, in probe order
    QStringList m_queue;    // those not yet probed
    QStringList m_usbPorts;
    QStringList m_tried;
    QHash<QString, PortStatus> m_outcomes;
};
