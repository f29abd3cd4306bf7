#pragma once

#include <QList>
#include <QMetaType>
#include <QSerialPort>
#include <QString>
#include <QStringList>

// What stands between this user and a serial port, or what came of probing it.
enum class PortStatus {
    Ok,               // can be opened
    PermissionDenied, // this user may not open the device
    InUse,            // another program holds the port
    Missing,          // there is no such device
    OpenFailed,       // opening failed otherwise (not a terminal, an I/O error)
    NoAnswer,         // opened and probed, but nothing answered in time
    NoPort,           // the system has no serial port at all
};

Q_DECLARE_METATYPE(PortStatus)

// Short English words for diagnostics and the command line: "ok", "permission denied", "in use", ...
QString portStatusText(PortStatus status);

// The device path of a port name: a bare name (ttyUSB0, as the system lists it) lives under /dev.
QString portLocation(const QString &name);

// The group that owns the device, empty when it cannot be told: a user must belong to it to open the port.
QString deviceGroup(const QString &name);

// What a failed QSerialPort::open means for the user. QSerialPort reports a port locked by another program (its
// lock file, or the terminal's exclusive mode) as a permission error, so a device this user may read and write
// counts as in use.
PortStatus statusAfterOpenError(QSerialPort::SerialPortError error, const QString &name);

// Whether this user can open the port now: opens it briefly and closes it again; nothing is written to it.
PortStatus checkPortAccess(const QString &name);

// A port the system lists; usb is set for USB serial adapters (they carry a USB vendor id).
struct SystemPort
{
    QString name;
    bool usb = false;
};

QList<SystemPort> systemPorts();

// The order in which one rotation of the scan probes the ports: the names given by the user first (whether they
// exist or not, so that a missing one is reported), then the port that answered last if it still exists, then
// the USB adapters, then the other ports in the system's order. Ports not in `seen` (appeared since the previous
// rotation) move to the front. A port listed under two names (ttyUSB0 and /dev/ttyUSB0) is probed once.
QStringList probeOrder(const QStringList &named, const QString &lastPort, const QList<SystemPort> &system,
                       const QStringList &seen);
