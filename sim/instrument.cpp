#include "instrument.h"

#include "frame.h"
#include "groupencoder.h"

#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSim, "leeb.sim")

namespace {

// A group data frame that passes the frame check but is no real download (see InstrumentFaults::GroupDamage). The
// garbage differs with the answer's number, as line damage never repeats itself, and stays the same from run to run.
QByteArray damagedGroupFrame(const QByteArray &payload, InstrumentFaults::GroupDamage damage, int answer)
{
    if (damage == InstrumentFaults::ShortGroups)
        return packFrame(CmdGroupData, payload.left(payload.size() / 2));
    if (damage == InstrumentFaults::GarbageGroups) {
        QRandomGenerator random(0x5eed + quint32(answer));
        QByteArray garbage(payload.size(), Qt::Uninitialized);
        for (char &c : garbage)
            c = char(random.bounded(256));
        return packFrame(CmdGroupData, garbage);
    }
    QByteArray frame = packFrame(CmdGroupData, payload);
    qToLittleEndian(quint32(payload.size() + 2 + 100), frame.data() + frame::HeaderSize);
    uchar sum = 0;
    for (int i = frame::HeaderSize; i < frame.size() - 1; ++i)
        sum += uchar(frame.at(i));
    frame[frame.size() - 1] = char(sum);
    return frame;
}

constexpr qint64 BytesPerSecond = Instrument::LineBytesPerSecond;
constexpr qint64 NsPerSecond = 1000000000;
constexpr qint64 NsPerMs = 1000000;
// How long a drop after an answer waits for the PC to read that answer.
constexpr int DrainLimitMs = 1000;
constexpr int DrainQuietMs = 6;

QString hex(unsigned char cmd)
{
    return QString::asprintf("%02x", cmd);
}

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(strerror(errno)));
}

int msUntil(qint64 thenNs, qint64 nowNs)
{
    return int(qMax<qint64>(1, (thenNs - nowNs + NsPerMs - 1) / NsPerMs));
}

} // namespace

Instrument::Instrument(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, &Instrument::pump);
    m_dropTimer.setSingleShot(true);
    m_dropTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_dropTimer, &QTimer::timeout, this, &Instrument::dropLine);
    // Watches the terminal's input count while a drop waits for the PC to read the last answer.
    m_drainTimer.setInterval(2);
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_drainTimer, &QTimer::timeout, this, &Instrument::checkDrained);
}

Instrument::~Instrument()
{
    closeLine();
}

bool Instrument::open()
{
    closeLine();
    m_errorString.clear();

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        m_errorString = systemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        m_errorString = systemError("grantpt/unlockpt/ptsname");
        ::close(master);
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    // One slave descriptor stays open for the life of the line: while no slave is open the master reads as hung
    // up, and the terminal settings return to their cooked defaults whenever the last slave descriptor closes,
    // which would echo and translate bytes for a PC that opens the port before configuring it.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        m_errorString = systemError("open slave");
        ::close(master);
        return false;
    }
    termios tio;
    if (::tcgetattr(slave, &tio) != 0) {
        m_errorString = systemError("tcgetattr");
        ::close(slave);
        ::close(master);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, B115200);
    ::cfsetospeed(&tio, B115200);
    if (::tcsetattr(slave, TCSANOW, &tio) != 0) {
        m_errorString = systemError("tcsetattr");
        ::close(slave);
        ::close(master);
        return false;
    }

    m_master = master;
    m_slaveKeeper = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    m_readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &Instrument::readMaster);
    m_writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        m_writeNotifier->setEnabled(false);
        // The bytes held back while the terminal was full go out at line pace again, not in one burst.
        m_paceStartNs = m_clock.nsecsElapsed();
        m_pacedBytes = 0;
        pump();
    });
    m_lineIdle = true;
    if (m_faults.dropAfterMs >= 0)
        m_dropTimer.start(m_faults.dropAfterMs);
    qCDebug(lcSim).noquote() << QStringLiteral("sim: line open on %1").arg(m_slavePath);
    return true;
}

void Instrument::close()
{
    closeLine();
}

void Instrument::dropLine()
{
    if (!isOpen())
        return;
    qCDebug(lcSim).noquote() << QStringLiteral("sim: line dropped");
    closeLine();
    emit lineDropped();
}

void Instrument::closeLine()
{
    m_pumpTimer.stop();
    m_dropTimer.stop();
    m_drainTimer.stop();
    m_queue.clear();
    m_rxBuffer.clear();
    // The notifiers may be the very senders that led here, so they go later; they must be off before the
    // descriptor closes.
    for (QSocketNotifier *notifier : {m_readNotifier, m_writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    if (m_slaveKeeper >= 0)
        ::close(m_slaveKeeper);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveKeeper = -1;
    m_master = -1;
}

void Instrument::setFaults(const InstrumentFaults &faults)
{
    m_faults = faults;
    m_dropTimer.stop();
    if (isOpen() && faults.dropAfterMs >= 0)
        m_dropTimer.start(faults.dropAfterMs);
}

int Instrument::pendingBytes() const
{
    int total = 0;
    for (const Outgoing &out : m_queue)
        total += out.bytes.size();
    return total;
}

void Instrument::readMaster()
{
    for (;;) {
        char chunk[4096];
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0) {
            m_rxBuffer.append(chunk, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // Cannot happen while the slave keeper is open; stop listening rather than spin on the error.
        qCWarning(lcSim).noquote() << QStringLiteral("sim: %1").arg(systemError("read"));
        m_readNotifier->setEnabled(false);
        break;
    }

    // A real instrument parses as the bytes come: complete frames are answered at once, an unfinished one waits.
    const QList<QByteArray> pieces = takeFrames(m_rxBuffer);
    for (const QByteArray &piece : pieces) {
        if (!isOpen())
            return;
        if (checkFrame(piece))
            handleFrame(piece);
    }
}

void Instrument::handleFrame(const QByteArray &frame)
{
    const unsigned char cmd = frameCommand(frame);
    ++m_commandCounts[cmd];
    qCDebug(lcSim).noquote() << QStringLiteral("sim: rx %1 (%2 bytes)").arg(hex(cmd)).arg(frame.size());
    emit frameReceived(cmd, framePayload(frame));
    if (!isOpen())
        return;

    const bool dropHere = m_faults.dropAfterCommand == int(cmd);
    if (dropHere && m_faults.dropBeforeAnswer) {
        dropLine();
        return;
    }

    unsigned char reply = 0;
    QByteArray payload;
    switch (cmd) {
    case CmdHandshake:
        reply = CmdHandshakeAck;
        break;
    case CmdGetData:
        reply = CmdGroupData;
        payload = encodeGroups(m_groups);
        break;
    case CmdDeleteAll:
        // The deletion happens even when its answer is lost.
        m_groups.clear();
        reply = CmdDeleteDone;
        break;
    default:
        qCDebug(lcSim).noquote() << QStringLiteral("sim: %1 is not a request, ignored").arg(hex(cmd));
        if (dropHere)
            dropLine();
        return;
    }

    if (m_faults.noAnswer || m_faults.noAnswerTo.contains(cmd)) {
        qCDebug(lcSim).noquote() << QStringLiteral("sim: no answer to %1 (fault)").arg(hex(cmd));
        if (dropHere)
            dropLine();
        return;
    }
    answer(reply, payload, dropHere);
}

void Instrument::answer(unsigned char reply, const QByteArray &payload, bool dropAfter)
{
    QByteArray frame = packFrame(reply, payload);
    QStringList notes;
    if (reply == CmdGroupData && m_faults.groupDamage != InstrumentFaults::NoDamage &&
        m_faults.damagedGroupAnswers != 0) {
        frame = damagedGroupFrame(payload, m_faults.groupDamage, m_commandCounts.value(CmdGetData));
        if (m_faults.damagedGroupAnswers > 0)
            --m_faults.damagedGroupAnswers;
        notes << QStringLiteral("damaged group data");
    }
    if (m_faults.badChecksums != 0) {
        frame[frame.size() - 1] = char(frame.at(frame.size() - 1) ^ 0xFF);
        if (m_faults.badChecksums > 0)
            --m_faults.badChecksums;
        notes << QStringLiteral("bad checksum");
    }
    if (!m_faults.strayBytes.isEmpty())
        notes << QStringLiteral("after %1 stray bytes").arg(m_faults.strayBytes.size());

    const QByteArray bytes = m_faults.strayBytes + frame;
    const int step = m_faults.chunkSize > 0 ? m_faults.chunkSize : bytes.size();
    if (m_faults.chunkSize > 0)
        notes << QStringLiteral("in chunks of %1 bytes").arg(step);
    for (int pos = 0; pos < bytes.size(); pos += step) {
        Outgoing out;
        out.bytes = bytes.mid(pos, step);
        out.delayMs = pos == 0 ? m_faults.answerDelayMs : m_faults.chunkGapMs;
        m_queue.append(out);
    }
    Outgoing &last = m_queue.last();
    last.frameCommand = reply;
    last.frameBytes = frame.size();
    last.dropAfter = dropAfter;
    last.note = notes.join(QStringLiteral(", "));
    pump();
}

void Instrument::pump()
{
    m_pumpTimer.stop();
    while (isOpen() && !m_queue.isEmpty()) {
        if (m_writeNotifier->isEnabled())
            return; // the terminal is full; its write notifier resumes
        Outgoing &head = m_queue.first();
        const qint64 now = m_clock.nsecsElapsed();
        if (!head.started) {
            head.started = true;
            m_resumeAtNs = now + head.delayMs * NsPerMs;
            // After a pause the line starts afresh; back-to-back pieces keep one continuous pace.
            if (head.delayMs > 0 || m_lineIdle) {
                m_paceStartNs = m_resumeAtNs;
                m_pacedBytes = 0;
            }
            m_lineIdle = false;
        }
        if (now < m_resumeAtNs) {
            m_pumpTimer.start(msUntil(m_resumeAtNs, now));
            return;
        }

        int count = head.bytes.size();
        if (m_paced) {
            // A byte is written once its last bit would have left the wire.
            const qint64 due = (now - m_paceStartNs) * BytesPerSecond / NsPerSecond - m_pacedBytes;
            if (due <= 0) {
                const qint64 nextNs = m_paceStartNs + (m_pacedBytes + 1) * NsPerSecond / BytesPerSecond;
                m_pumpTimer.start(msUntil(nextNs, now));
                return;
            }
            count = int(qMin<qint64>(count, due));
        }

        int written = 0;
        const bool more = writeHead(count, &written);
        m_pacedBytes += written;
        if (!isOpen())
            return;
        if (m_queue.first().bytes.isEmpty())
            finishHead();
        if (!more)
            return;
    }
}

bool Instrument::writeHead(int count, int *written)
{
    QByteArray &bytes = m_queue.first().bytes;
    bool more = true;
    while (*written < count) {
        const ssize_t n = ::write(m_master, bytes.constData() + *written, size_t(count - *written));
        if (n > 0) {
            *written += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            m_writeNotifier->setEnabled(true);
            more = false;
            break;
        }
        qCWarning(lcSim).noquote() << QStringLiteral("sim: %1, dropping the line").arg(systemError("write"));
        dropLine();
        return false;
    }
    bytes.remove(0, *written);
    return more;
}

void Instrument::finishHead()
{
    const Outgoing done = m_queue.takeFirst();
    if (m_queue.isEmpty())
        m_lineIdle = true;
    if (done.frameCommand < 0)
        return;
    QString line = QStringLiteral("sim: tx %1 (%2 bytes").arg(hex(done.frameCommand)).arg(done.frameBytes);
    if (!done.note.isEmpty())
        line += QStringLiteral(", ") + done.note;
    qCDebug(lcSim).noquote() << line + QLatin1Char(')');
    emit frameSent(quint8(done.frameCommand), done.frameBytes);
    if (done.dropAfter && isOpen())
        dropWhenDelivered();
}

void Instrument::dropWhenDelivered()
{
    // A hang-up discards what the PC has not read yet, while a real instrument's last bytes would already sit in
    // the PC's serial driver. So the drop waits until the terminal's input queue has been seen empty for a while
    // (the terminal refills it from its own buffers shortly after each read), or gives up after a limit.
    m_drainDeadlineNs = m_clock.nsecsElapsed() + DrainLimitMs * NsPerMs;
    m_drainEmptySinceNs = -1;
    m_drainTimer.start();
}

void Instrument::checkDrained()
{
    const qint64 now = m_clock.nsecsElapsed();
    int queued = 0;
    if (::ioctl(m_slaveKeeper, TIOCINQ, &queued) != 0 || queued > 0)
        m_drainEmptySinceNs = -1;
    else if (m_drainEmptySinceNs < 0)
        m_drainEmptySinceNs = now;
    const bool drained = m_drainEmptySinceNs >= 0 && now - m_drainEmptySinceNs >= DrainQuietMs * NsPerMs;
    if (drained || now >= m_drainDeadlineNs) {
        m_drainTimer.stop();
        dropLine();
    }
}
