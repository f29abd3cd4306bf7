#pragma once

// What keeps a call on a PostgreSQL connection within a bound although the server may stop answering: a watchdog
// that cuts the connection's socket once a call outlasts its deadline, so that the blocked client library returns at
// once with an error. Not part of the archive's interface.

#include <QString>

class QSqlDatabase;

namespace archiveconnection {

// libpq's connection options: a connect that gives up after ConnectTimeoutS, statements the server ends itself
// after StatementTimeoutMs. A frozen server enforces neither; the watchdog covers that.
constexpr int ConnectTimeoutS = 3;
constexpr int StatementTimeoutMs = 5000;
// Longer than a statement may take, so that a slow server answers with its own error first.
constexpr int CallTimeoutMs = 8000;

QString postgresConnectOptions();

// The socket of an open PostgreSQL connection; -1 for SQLite or no connection.
int socketOf(const QSqlDatabase &db);
// A PostgreSQL connection that can no longer be used: libpq has given it up, or the server has sent something while
// nothing was asked (its goodbye before a restart, or the end of the stream), which an idle connection never gets.
bool connectionLost(const QSqlDatabase &db);

// Watches one call: from construction on, the socket is shut down once timeoutMs have passed; destroying the guard
// ends the watch. When it fired, *reason (if given) is replaced by one that says the server did not answer.
class CallGuard
{
public:
    CallGuard(const void *owner, int socket, QString *reason, const QString &serverText, int timeoutMs = CallTimeoutMs);
    ~CallGuard();
    CallGuard(const CallGuard &) = delete;
    CallGuard &operator=(const CallGuard &) = delete;

    // Ends the watch early; true when the deadline had passed and the socket was shut down.
    bool finish();

private:
    quint64 m_id = 0; // 0: nothing watched
    bool m_fired = false;
    QString *m_reason;
    QString m_serverText;
    int m_timeoutMs;
};

// Shuts down at once the sockets of every call of owner being watched, from any thread.
void interruptCalls(const void *owner);

} // namespace archiveconnection
