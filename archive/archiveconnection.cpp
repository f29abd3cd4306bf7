// Keeping calls on a PostgreSQL connection bounded, and connecting again when the connection was lost: the watchdog,
// the connection's health, and the store that retries once on a new connection.

#include "archiveconnection.h"
#include "archive.h"
#include "archivesql.h"

#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using archivesql::fail;

namespace archiveconnection {

namespace {

PGconn *pgConnection(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    // The type's name differs between Qt versions ("PGconn*", "pg_conn*"); the driver says what it is.
    const QVariant handle = db.driver()->handle();
    if (db.driver()->dbmsType() != QSqlDriver::PostgreSQL || !handle.isValid() ||
        !QByteArray(handle.typeName()).endsWith('*'))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

// One thread for the whole program, started by the first call it watches; a call arms it and disarms it again.
class Watchdog
{
public:
    static Watchdog &instance()
    {
        static Watchdog watchdog;
        return watchdog;
    }

    quint64 arm(const void *owner, int socket, int timeoutMs)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_calls.push_back({++m_lastId, owner, socket, Clock::now() + std::chrono::milliseconds(timeoutMs), false});
        m_wake.notify_one();
        return m_lastId;
    }

    // True when the call's deadline passed first. Under the lock: a socket is never shut down after its call ended,
    // when its number may already belong to another file.
    bool disarm(quint64 id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_calls.begin(); it != m_calls.end(); ++it) {
            if (it->id == id) {
                const bool fired = it->fired;
                m_calls.erase(it);
                return fired;
            }
        }
        return false;
    }

    void fireNow(const void *owner)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Call &call : m_calls) {
            if (call.owner == owner)
                call.deadline = Clock::now();
        }
        m_wake.notify_one();
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Call
    {
        quint64 id;
        const void *owner;
        int socket;
        Clock::time_point deadline;
        bool fired;
    };

    Watchdog() = default;
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            m_wake.notify_one();
        }
        if (m_thread.joinable())
            m_thread.join();
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stopping) {
            const Clock::time_point now = Clock::now();
            Clock::time_point next = Clock::time_point::max();
            for (Call &call : m_calls) {
                if (call.fired)
                    continue;
                if (call.deadline <= now) {
                    // The blocked read or write returns at once; libpq then gives the connection up.
                    ::shutdown(call.socket, SHUT_RDWR);
                    call.fired = true;
                } else if (call.deadline < next) {
                    next = call.deadline;
                }
            }
            if (next == Clock::time_point::max())
                m_wake.wait(lock);
            else
                m_wake.wait_until(lock, next);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Call> m_calls;
    std::thread m_thread;
    quint64 m_lastId = 0;
    bool m_stopping = false;
};

} // namespace

QString postgresConnectOptions()
{
    return QStringLiteral("connect_timeout=%1;options='-c statement_timeout=%2'")
        .arg(ConnectTimeoutS)
        .arg(StatementTimeoutMs);
}

int socketOf(const QSqlDatabase &db)
{
    PGconn *conn = pgConnection(db);
    return conn ? PQsocket(conn) : -1;
}

bool connectionLost(const QSqlDatabase &db)
{
    PGconn *conn = pgConnection(db);
    if (!conn)
        return true;
    if (PQstatus(conn) == CONNECTION_BAD)
        return true;
    // Something to read while nothing was asked: a notice, or the server's goodbye after a restart. Reading it
    // tells the two apart (the driver may also leave a message of its own there).
    pollfd idle = {PQsocket(conn), POLLIN, 0};
    const int ready = ::poll(&idle, 1, 0);
    if (ready == 0)
        return false;
    return ready < 0 || !PQconsumeInput(conn) || PQstatus(conn) == CONNECTION_BAD;
}

CallGuard::CallGuard(const void *owner, int socket, QString *reason, const QString &serverText, int timeoutMs)
    : m_reason(reason), m_serverText(serverText), m_timeoutMs(timeoutMs)
{
    if (socket >= 0)
        m_id = Watchdog::instance().arm(owner, socket, timeoutMs);
}

CallGuard::~CallGuard()
{
    finish();
}

bool CallGuard::finish()
{
    if (m_id == 0)
        return m_fired;
    m_fired = Watchdog::instance().disarm(m_id);
    m_id = 0;
    if (m_fired) {
        const QString reason = QStringLiteral("the archive server %1 did not answer within %2 s")
                                   .arg(m_serverText)
                                   .arg(m_timeoutMs / 1000);
        qCWarning(lcArchive).noquote() << reason;
        if (m_reason)
            *m_reason = reason;
    }
    return m_fired;
}

void interruptCalls(const void *owner)
{
    Watchdog::instance().fireNow(owner);
}

} // namespace archiveconnection

using archiveconnection::CallGuard;

bool Archive::ensureConnected(QString *error)
{
    if (m_interrupted.load())
        return fail(error, QStringLiteral("the archive was closed"));
    if (isOpen() && (!m_postgres || !archiveconnection::connectionLost(m_db)))
        return true;
    if (!m_openAsked)
        return fail(error, m_badLocation.isEmpty() ? QStringLiteral("the archive is not open") : m_badLocation);
    if (isOpen())
        qCInfo(lcArchive).noquote() << "the connection to" << m_location.text() << "was lost; connecting again";
    const ArchiveOpenResult reopened = open(m_location, m_mode);
    return reopened.ok() || fail(error, reopened.reason);
}

StoreResult Archive::storeDownload(const Download &download, const QString &station)
{
    StoreResult result;
    if (!ensureConnected(&result.reason))
        return result;
    bool timedOut = false;
    {
        CallGuard call(this, archiveconnection::socketOf(m_db), &result.reason, m_location.text());
        result = storeOnce(download, station);
        timedOut = call.finish();
    }
    // A server that went away between the check and the store (a restart) gets one more try on a new connection; a
    // frozen one does not: the next store tries again.
    if (result.ok() || !m_postgres || timedOut || !archiveconnection::connectionLost(m_db))
        return result;
    qCInfo(lcArchive).noquote() << "store failed on a lost connection, once more:" << result.reason;
    if (!ensureConnected(&result.reason))
        return result;
    CallGuard call(this, archiveconnection::socketOf(m_db), &result.reason, m_location.text());
    result = storeOnce(download, station);
    call.finish();
    return result;
}

void Archive::interrupt()
{
    m_interrupted.store(true);
    archiveconnection::interruptCalls(this);
}
