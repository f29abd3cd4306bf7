#include "singleinstance.h"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcInstance, "leeb.app.instance")

namespace {
const QByteArray RaiseRequest = "raise\n";
const QByteArray RaisedAnswer = "raised\n";
const QByteArray RunningAnswer = "running\n";
constexpr int ConnectMs = 1000;
// The running instance answers from its event loop; a busy one (printing, say) may take a moment.
constexpr int AnswerMs = 5000;

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
} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::serverName()
{
#ifdef Q_OS_UNIX
    return QStringLiteral("leeb-companion-%1").arg(::getuid());
#else
    return QStringLiteral("leeb-companion-%1").arg(qEnvironmentVariable("USERNAME"));
#endif
}

SingleInstance::Role SingleInstance::claim()
{
    // Two starts at the same moment take turns here, so that neither removes the socket the other just made.
    QLockFile lock(QDir(QDir::tempPath()).filePath(serverName() + QStringLiteral(".lock")));
    if (!lock.tryLock(2 * AnswerMs))
        qCWarning(lcInstance) << "cannot lock" << lock.error();

    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (socket.waitForConnected(ConnectMs)) {
        socket.write(RaiseRequest);
        socket.waitForBytesWritten(ConnectMs);
        QByteArray answer;
        while (!answer.endsWith('\n') && socket.waitForReadyRead(AnswerMs))
            answer += socket.readAll();
        qCInfo(lcInstance) << "another instance runs; it answered" << answer.trimmed();
        return answer == RaisedAnswer ? Raised : AlreadyRunning;
    }

    // Nobody answers: whatever socket file is there was left by an instance that is gone.
    QLocalServer::removeServer(serverName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::on_newConnection);
    if (m_server->listen(serverName()))
        qCDebug(lcInstance) << "listening on" << m_server->fullServerName();
    else
        qCWarning(lcInstance) << "cannot listen on" << serverName() << m_server->errorString();
    return First;
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
