#pragma once

#include <QByteArray>
#include <QList>

// Frame layout, both directions:
//   40 23 24 | length (u32 LE) = payload size + 2 | command | payload | checksum
// The checksum is the low byte of the sum of the length field, the command and the payload.

// Command bytes of the instrument protocol; each reply is its request minus one.
enum InstrumentCommand : unsigned char {
    CmdHandshakeAck = 0x50,
    CmdHandshake = 0x51,
    CmdGroupData = 0x52,
    CmdGetData = 0x53,
    CmdDeleteDone = 0x5A,
    CmdDeleteAll = 0x5B,
};

namespace frame {
constexpr int HeaderSize = 3;
// header, length field, command and checksum: the bytes a frame has besides its payload
constexpr int Overhead = 9;
// The largest frame the receive side waits for; the instrument's biggest, the group data, is 5209 bytes.
constexpr int MaxFrameSize = 8192;
// The receive buffer never holds more than this between passes.
constexpr int MaxBufferSize = 4 * MaxFrameSize;
} // namespace frame

QByteArray packFrame(unsigned char cmd, const QByteArray &payload);

// Cuts a byte stream into pieces in stream order. A header whose length field spans a complete frame with a
// matching checksum yields that frame whole, whatever its payload holds; everything else is cut at the headers.
// Bytes before the first header form a piece of their own, and a header prefix at the very end (40 or 40 23)
// is split off so that the next burst can complete it.
QList<QByteArray> splitFrames(const QByteArray &data);

// Header and checksum test of one piece; writes the reason for a failure to the debug stream.
bool checkFrame(const QByteArray &piece);

// The payload of a frame: everything between the command byte and the checksum.
QByteArray framePayload(const QByteArray &frame);

// The command byte of a frame, 0 for a piece too short to hold one.
unsigned char frameCommand(const QByteArray &frame);

// True for a piece that fails the check but can still become a frame when more bytes arrive: a header prefix, or
// a header whose length field asks for more bytes than the piece has (and no more than MaxFrameSize).
bool mayBeUnfinished(const QByteArray &piece);

// True for a piece that starts with the frame header.
bool hasHeader(const QByteArray &piece);

// One reassembly pass over the receive buffer: returns the pieces to dispatch, in stream order, and leaves in
// `buffer` only an unfinished frame at its end (nothing when `keepTail` is false: the bytes are all there will be).
// Every byte leaves in one piece or stays in the buffer; telling frames from noise is checkFrame's.
QList<QByteArray> takeFrames(QByteArray &buffer, bool keepTail = true);

// What can be handed over before the line falls silent: the pieces up to the end of the last complete frame (one
// whose length field spans it and whose checksum is right), cut as takeFrames would cut them, taken out of
// `buffer`. Nothing when no complete frame is there yet, or when an earlier header announces a frame that is still
// arriving: a frame inside its payload is no frame of its own.
// With `resume`, the search starts where the last call on the same buffer left off and notes where to go on; set it
// to 0 whenever the buffer is changed otherwise.
QList<QByteArray> takeCompleteFrames(QByteArray &buffer, int *resume = nullptr);
