#pragma once

#include <QObject>

class QLocalServer;
class QLocalSocket;
class QWidget;

// One window per user. The first start listens on a local socket in the user's private folder (socketFolder); a
// later start connects to it, asks it to bring its window to the front and ends. A socket left behind by a crashed
// instance is taken over once nobody answers on it. Only a peer of the same user is believed, and a start waits a few
// seconds at most, whatever holds the socket.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum Role {
        First,          // no other instance: this one keeps the name until release()
        Raised,         // another instance brought its window to the front
        AlreadyRunning, // another instance runs but could not bring its window to the front
    };

    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    Role claim();
    // Gives the name up (the destructor does so too).
    void release();
    // The window a later start brings to the front.
    void setWindow(QWidget *window) { m_window = window; }
    // The socket's full path in socketFolder(); empty when there is no private folder (then no guard at all: better
    // than one another user could hold). Elsewhere than Unix, a name per user.
    static QString serverName();
    // XDG_RUNTIME_DIR when this user owns it and no one else may enter it, else <temp>/leeb-companion-UID, made with
    // mode 0700 when missing; empty, with *problem saying why, when that is not a folder of this user's alone.
    static QString socketFolder(QString *problem);

private:
    Role ask(QLocalSocket &socket);
    void on_newConnection();

    QLocalServer *m_server = nullptr;
    QWidget *m_window = nullptr;
};
