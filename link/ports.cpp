#include "ports.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <grp.h>
#include <limits>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

QString portStatusText(PortStatus status)
{
    switch (status) {
    case PortStatus::Ok:
        return QStringLiteral("ok");
    case PortStatus::PermissionDenied:
        return QStringLiteral("permission denied");
    case PortStatus::InUse:
        return QStringLiteral("in use");
    case PortStatus::Missing:
        return QStringLiteral("does not exist");
    case PortStatus::OpenFailed:
        return QStringLiteral("cannot be opened");
    case PortStatus::NoAnswer:
        return QStringLiteral("no answer");
    case PortStatus::NoPort:
        return QStringLiteral("no serial port");
    }
    return QString();
}

QString portLocation(const QString &name)
{
#ifdef Q_OS_UNIX
    if (!name.isEmpty() && !name.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + name;
#endif
    return name;
}

DeviceAccess deviceAccess(uint mode, const QString &owner, const QString &group)
{
    DeviceAccess access;
    access.known = true;
    access.owner = owner;
    access.group = group;
    access.groupReadWrite = (mode & 0060) == 0060;
    return access;
}

DeviceAccess deviceAccess(const QString &name)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(portLocation(name)).constData(), &st) != 0)
        return DeviceAccess();
    const passwd *user = ::getpwuid(st.st_uid);
    const group *g = ::getgrgid(st.st_gid);
    return deviceAccess(uint(st.st_mode), user ? QString::fromLocal8Bit(user->pw_name) : QString::number(st.st_uid),
                        g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid));
#else
    Q_UNUSED(name)
    return DeviceAccess();
#endif
}

QStringList lockFolders()
{
    // /var/lock first: QSerialPort takes the first of its folders it may write, and on most systems both are one.
    return {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")};
}

QString staleLockFile(const QString &name, const QStringList &folders)
{
#ifdef Q_OS_UNIX
    QString device = portLocation(name);
    if (device.startsWith(QLatin1String("/dev/")))
        device.remove(0, 5);
    device.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const QString &folder : folders) {
        const QString path = folder + QStringLiteral("/LCK..") + device;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        bool number = false;
        const qint64 pid = file.readLine(32).trimmed().toLongLong(&number);
        // kill() with no signal only asks whether the process exists; EPERM: it does, as another user's.
        if (number && pid > 0 && pid <= std::numeric_limits<pid_t>::max() && ::kill(pid_t(pid), 0) != 0 &&
            errno == ESRCH)
            return path;
        return QString(); // the first lock file found is the one that counts
    }
#else
    Q_UNUSED(name)
    Q_UNUSED(folders)
#endif
    return QString();
}

PortHint portHint(const QString &name, PortStatus status)
{
    if (status == PortStatus::PermissionDenied) {
        // Joining the device's group helps only when the group may read and write it.
        const DeviceAccess access = deviceAccess(name);
        if (access.known)
            return access.groupReadWrite ? PortHint{PortHint::JoinGroup, access.group}
                                         : PortHint{PortHint::OwnerOnly, access.owner};
    } else if (status == PortStatus::InUse) {
        const QString lock = staleLockFile(name);
        if (!lock.isEmpty())
            return {PortHint::StaleLock, lock};
    }
    return {};
}

PortStatus statusAfterOpenError(QSerialPort::SerialPortError error, const QString &name)
{
    const QString location = portLocation(name);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortStatus::Missing;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        if (::access(QFile::encodeName(location).constData(), R_OK | W_OK) == 0)
            return PortStatus::InUse;
#endif
        return PortStatus::PermissionDenied;
    default:
        return QFileInfo::exists(location) ? PortStatus::OpenFailed : PortStatus::Missing;
    }
}

PortStatus checkPortAccess(const QString &name)
{
    if (!QFileInfo::exists(portLocation(name)))
        return PortStatus::Missing;
    QSerialPort port;
    port.setPortName(name);
    if (!port.open(QIODevice::ReadWrite))
        return statusAfterOpenError(port.error(), name);
    port.close();
    return PortStatus::Ok;
}

QList<SystemPort> systemPorts()
{
    QList<SystemPort> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        ports.append({info.portName(), info.hasVendorIdentifier()});
    return ports;
}

QStringList probeOrder(const QStringList &named, const QString &lastPort, const QList<SystemPort> &system,
                       const QStringList &seen)
{
    QStringList order;
    QStringList locations;
    auto add = [&](const QString &name) {
        const QString location = portLocation(name);
        if (name.isEmpty() || locations.contains(location))
            return;
        order.append(name);
        locations.append(location);
    };
    for (const QString &name : named)
        add(name);
    bool lastExists = QFileInfo::exists(portLocation(lastPort));
    for (const SystemPort &port : system)
        lastExists = lastExists || portLocation(port.name) == portLocation(lastPort);
    if (lastExists)
        add(lastPort);
    for (const SystemPort &port : system) {
        if (port.usb)
            add(port.name);
    }
    for (const SystemPort &port : system)
        add(port.name);

    QStringList seenLocations;
    for (const QString &name : seen)
        seenLocations.append(portLocation(name));
    QStringList fresh;
    QStringList known;
    for (const QString &name : qAsConst(order))
        (seenLocations.contains(portLocation(name)) ? known : fresh).append(name);
    return fresh + known;
}
