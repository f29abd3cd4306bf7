#pragma once

#include <QObject>

class QLocalServer;
class QWidget;

// One window per user. The first start listens on a local socket named after the user; a later start connects to
// it, asks it to bring its window to the front and ends. A socket left behind by a crashed instance is taken over
// once nobody answers on it.
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
    // Per user; the socket lives in the temporary directory.
    static QString serverName();

private:
    void on_newConnection();

    QLocalServer *m_server = nullptr;
    QWidget *m_window = nullptr;
};
