#include "singleinstance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcInstance, "leeb.app.instance")

namespace {
const QByteArray RaiseRequest = "raise\n";
const QByteArray RaisedAnswer = "raised\n";
const QByteArray RunningAnswer = "running\n";
constexpr int ConnectMs = 1000;
// The running instance answers from its event loop; a busy one (printing, say) may take a moment, but a start waits
// no longer than this for it, whatever holds the socket.
constexpr int AnswerMs = 3000;
constexpr int LongestAnswer = 64;

// False where the platform does not let a program take the focus (Wayland): the window only asks for attention.
bool bringToFront(QWidget *window)
{
    if (!window)
        return false;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    QApplication::alert(window);
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

// Whether the other end of a connected local socket runs as this user: no one else may raise the window, or make a
// start believe a window is already there.
bool sameUser(qintptr descriptor)
{
#if defined(Q_OS_LINUX)
    ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
#elif defined(Q_OS_UNIX)
    uid_t user = 0;
    gid_t group = 0;
    return ::getpeereid(int(descriptor), &user, &group) == 0 && user == ::geteuid();
#else
    Q_UNUSED(descriptor)
    return true; // the pipe's access list admits this user alone
#endif
}

#ifdef Q_OS_UNIX
// A folder this user owns that no one else may enter; otherwise why not. A symbolic link is refused: whoever may
// change it could point it elsewhere.
bool privateFolder(const QString &path, QString *problem)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        *problem = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    else if (!S_ISDIR(info.st_mode))
        *problem = QStringLiteral("%1 is not a folder").arg(path);
    else if (info.st_uid != ::geteuid())
        *problem = QStringLiteral("%1 belongs to user %2").arg(path).arg(info.st_uid);
    else if (info.st_mode & 077)
        *problem = QStringLiteral("%1 is open to others (mode %2)")
                       .arg(path)
                       .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    else
        return true;
    return false;
}
#endif
} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::socketFolder(QString *problem)
{
#ifdef Q_OS_UNIX
    QString why;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && privateFolder(runtime, &why))
        return runtime;
    if (!runtime.isEmpty())
        qCInfo(lcInstance).noquote() << "XDG_RUNTIME_DIR not used:" << why;
    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("leeb-companion-%1").arg(::geteuid()));
    const QByteArray ownPath = QFile::encodeName(own);
    // Older versions had their socket at this name: one of this user's own gives way to the folder.
    struct stat info;
    if (::lstat(ownPath.constData(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::geteuid())
        ::unlink(ownPath.constData());
    ::mkdir(ownPath.constData(), 0700); // unless it is there already, checked below
    if (privateFolder(own, &why))
        return own;
    if (problem)
        *problem = why;
    return QString();
#else
    Q_UNUSED(problem)
    return QString(); // a named pipe's name, not a folder
#endif
}

QString SingleInstance::serverName()
{
#ifdef Q_OS_UNIX
    const QString folder = socketFolder(nullptr);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("leeb-companion.socket"));
#else
    return QStringLiteral("leeb-companion-%1").arg(qEnvironmentVariable("USERNAME"));
#endif
}

SingleInstance::Role SingleInstance::claim()
{
    QString problem;
    const QString name = serverName();
    if (name.isEmpty()) {
        socketFolder(&problem);
        qCWarning(lcInstance).noquote() << "no single-instance guard:" << problem;
        return First;
    }
    // Two starts at the same moment take turns here, so that neither removes the socket the other just made.
    QLockFile lock(name + QStringLiteral(".lock"));
    if (!lock.tryLock(ConnectMs + AnswerMs))
        qCWarning(lcInstance) << "cannot lock" << lock.error();

    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(ConnectMs)) {
        if (sameUser(socket.socketDescriptor()))
            return ask(socket);
        // Only a program of root's or this user's own could have put it in this folder; it is not asked.
        qCWarning(lcInstance) << "another user listens on" << name << "- taking the name over";
        socket.abort();
    }

    // Nobody (of this user) answers: whatever socket file is there was left by an instance that is gone.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::on_newConnection);
    if (m_server->listen(name))
        qCDebug(lcInstance) << "listening on" << m_server->fullServerName();
    else
        qCWarning(lcInstance) << "cannot listen on" << name << m_server->errorString();
    return First;
}

SingleInstance::Role SingleInstance::ask(QLocalSocket &socket)
{
    const QDeadlineTimer deadline(AnswerMs);
    socket.write(RaiseRequest);
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    QByteArray answer;
    while (!answer.endsWith('\n') && answer.size() < LongestAnswer &&
           socket.waitForReadyRead(int(deadline.remainingTime())))
        answer += socket.read(LongestAnswer - answer.size());
    qCInfo(lcInstance) << "another instance runs; it answered" << answer.trimmed();
    return answer == RaisedAnswer ? Raised : AlreadyRunning;
}

void SingleInstance::release()
{
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
}

void SingleInstance::on_newConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!sameUser(socket->socketDescriptor())) {
            socket->disconnectFromServer();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > RaiseRequest.size())
                    socket->disconnectFromServer();
                return;
            }
            if (socket->readLine(64) != RaiseRequest) {
                socket->disconnectFromServer();
                return;
            }
            qCInfo(lcInstance) << "a second start asks for the window";
            const bool raised = bringToFront(m_window);
            socket->write(raised ? RaisedAnswer : RunningAnswer);
            socket->flush();
        });
    }
}
