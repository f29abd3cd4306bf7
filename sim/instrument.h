#pragma once

#include "groups.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// Ways to make the simulated instrument misbehave. Every fault is off by default; set them with
// Instrument::setFaults() before open() or between commands.
struct InstrumentFaults
{
    // Answers leave in pieces of chunkSize bytes (stray bytes included), chunkGapMs apart; 0 sends them whole.
    int chunkSize = 0;
    int chunkGapMs = 0;

    // Written in front of every answer frame, as if the line had picked up noise.
    QByteArray strayBytes;

    // The next badChecksums answers carry a wrong checksum; -1 spoils every answer. Counts down as answers go out.
    int badChecksums = 0;

    // Silence between the arrival of a request and the first byte of its answer.
    int answerDelayMs = 0;

    // Requests that are received, counted and carried out (CmdDeleteAll still empties the groups) but never
    // answered.
    bool noAnswer = false; // to any command
    QList<unsigned char> noAnswerTo;

    // Group data answers that pass the frame check but are no real download: ShortGroups holds only the first
    // half of the payload, GarbageGroups 5200 random bytes (impossible dates, different in every answer), both with
    // their length field and checksum to match; LongLengthField is the true frame whose length field announces 100
    // bytes more (the checksum still right), so it is complete only when the line falls silent or hangs up.
    enum GroupDamage { NoDamage, ShortGroups, GarbageGroups, LongLengthField };
    GroupDamage groupDamage = NoDamage;
    // How many group answers carry it; -1: every one. Counts down as answers go out.
    int damagedGroupAnswers = -1;

    // Drop the line (close the pseudo-terminal, so the PC side sees a hang-up): dropAfterMs after open(), or after
    // setFaults() on an open line; -1 never.
    int dropAfterMs = -1;
    // Drop the line once the answer to this command has been written in full and the PC has read it (at once
    // when it gets no answer): a hang-up right after a whole frame; -1 never. With dropBeforeAnswer the line drops as
    // soon as the command arrives, and it is not answered.
    int dropAfterCommand = -1;
    bool dropBeforeAnswer = false;
};

// The instrument's side of the serial protocol on a pseudo-terminal. open() creates the terminal; the program
// under test opens slavePath() as its serial port (any baud rate works; the simulator paces as 115200 8N1).
//
// Answers: CmdHandshake -> CmdHandshakeAck (empty payload); CmdGetData -> one CmdGroupData frame holding
// encodeGroups(groups()); CmdDeleteAll -> the groups are emptied, then CmdDeleteDone (empty payload). Frames with
// a bad header or checksum and other commands are ignored, like a real instrument would.
//
// By default bytes leave at the pace of the real line, 11520 bytes per second, so the 5209-byte group data frame
// takes about 452 ms; setPacing(false) writes as fast as the terminal takes them. Nothing blocks: everything runs
// from the event loop of the thread the object lives in.
//
// Each frame received and sent is logged on the "leeb.sim" debug category as "sim: rx 51 (9 bytes)" /
// "sim: tx 52 (5209 bytes)".
class Instrument : public QObject
{
    Q_OBJECT

public:
    // 115200 baud at 8N1: ten bit times per byte (start, eight data, stop).
    static constexpr int LineBytesPerSecond = 11520;

    explicit Instrument(QObject *parent = nullptr);
    ~Instrument() override;

    // Creates the pseudo-terminal; false with errorString() set if the system refuses. Opening again drops the
    // old line first and gives a new slavePath().
    bool open();
    // Drops the line like the dropLine fault, without emitting lineDropped().
    void close();
    bool isOpen() const { return m_master >= 0; }
    // The device path the PC opens, e.g. /dev/pts/3; stays set after the line was dropped.
    QString slavePath() const { return m_slavePath; }
    QString errorString() const { return m_errorString; }

    void setGroups(const QList<GroupRecord> &groups) { m_groups = groups; }
    QList<GroupRecord> groups() const { return m_groups; }

    void setPacing(bool paced) { m_paced = paced; }
    bool pacing() const { return m_paced; }

    void setFaults(const InstrumentFaults &faults);
    // The faults in force; badChecksums shows what is left of the count.
    InstrumentFaults faults() const { return m_faults; }

    // Valid frames received with this command since construction or resetCounts().
    int commandCount(unsigned char cmd) const { return m_commandCounts.value(cmd); }
    void resetCounts() { m_commandCounts.clear(); }
    // Bytes queued for the line and not yet written.
    int pendingBytes() const;

    // Drops the line now: the master side closes and the PC sees a hang-up. Emits lineDropped().
    void dropLine();

signals:
    // A valid frame from the PC, before it is answered.
    void frameReceived(unsigned char cmd, QByteArray payload);
    // The last byte of an answer frame has just been written to the terminal. `bytes` is the frame's size, without
    // stray bytes. Connect directly to take the time of the moment, e.g. for latency measurements.
    void frameSent(unsigned char cmd, int bytes);
    // The line was dropped by a fault or dropLine().
    void lineDropped();

private:
    struct Outgoing
    {
        QByteArray bytes;
        int delayMs = 0; // silence on the line before the first byte
        bool started = false;
        int frameCommand = -1; // >= 0: the last piece of an answer frame of this command
        int frameBytes = 0;
        bool dropAfter = false;
        QString note; // the faults this answer carries, for the log
    };

    void readMaster();
    void handleFrame(const QByteArray &frame);
    void answer(unsigned char reply, const QByteArray &payload, bool dropAfter);
    void pump();
    // Writes up to `count` bytes from the head of the queue; false when the terminal would block or failed.
    bool writeHead(int count, int *written);
    void finishHead();
    void closeLine();
    void dropWhenDelivered();
    void checkDrained();

    int m_master = -1;
    int m_slaveKeeper = -1;
    QString m_slavePath;
    QString m_errorString;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;

    QList<GroupRecord> m_groups;
    QHash<unsigned char, int> m_commandCounts;
    InstrumentFaults m_faults;
    bool m_paced = true;
    QByteArray m_rxBuffer;

    QList<Outgoing> m_queue;
    QTimer m_pumpTimer;
    QTimer m_dropTimer;
    QTimer m_drainTimer;
    qint64 m_drainDeadlineNs = 0;
    qint64 m_drainEmptySinceNs = 0;
    QElapsedTimer m_clock;
    // Pacing: bytes written since the line last started sending, and when that was.
    qint64 m_paceStartNs = 0;
    qint64 m_pacedBytes = 0;
    qint64 m_resumeAtNs = 0;
    bool m_lineIdle = true;
};
