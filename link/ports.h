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

// Who may open a device besides root: its owner, and its group when the mode lets the group read and write it.
struct DeviceAccess
{
    bool known = false; // false: the device could not be examined
    QString owner;      // user name, or the number when the system has no name for it
    QString group;      // likewise
    bool groupReadWrite = false;
};

// From the device's mode bits and the names of its owner and group.
DeviceAccess deviceAccess(uint mode, const QString &owner, const QString &group);
// From the device itself.
DeviceAccess deviceAccess(const QString &name);

// The folders where programs leave the lock files of serial ports, in the order they are looked at.
QStringList lockFolders();

// The lock file a port is held by although the process that wrote it is gone, empty when there is none (or its
// process still runs, or its content names no process). Lock files are named LCK..NAME after the device's name under
// /dev, with any '/' as '_'; they hold the process id as text on their first line.
QString staleLockFile(const QString &name, const QStringList &folders = lockFolders());

// What more can be said of a port the scan could not use, for the user to act on: the group to join (detail: its
// name), a device no group may use (detail: its owner), or a stale lock file (detail: its path).
struct PortHint
{
    enum Kind { None, JoinGroup, OwnerOnly, StaleLock };
    Kind kind = None;
    QString detail;
};
PortHint portHint(const QString &name, PortStatus status);

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
