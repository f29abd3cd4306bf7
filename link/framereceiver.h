#pragma once

#include <QByteArray>
#include <QList>

// The receive side of the line: takes the bytes as they are read and hands back the pieces of the stream, in stream
// order, each byte exactly once. A piece is a frame when checkFrame() says so; anything else is noise or the remains
// of a damaged frame. No timer and no port: whoever owns the line says when it fell silent and when it closes.
//
// Pieces are handed over
// - on arrival: complete frames (length field and checksum agree) at once, as takeCompleteFrames() cuts them;
// - on silence: one pass over the rest (takeFrames()); a tail that may still become a frame is kept, but only for
//   one silence: a second silence without a byte between hands it over as it is, as a length field that says too
//   much would otherwise hold it for ever;
// - on the bound: when more than frame::MaxBufferSize bytes wait, a pass runs at once, so that a sender that never
//   pauses cannot grow the buffer without end;
// - on close: everything.
class FrameReceiver
{
public:
    QList<QByteArray> receive(const QByteArray &bytes);
    QList<QByteArray> silence();
    QList<QByteArray> close();

    // Bytes waiting for more: an unfinished frame, or what lies behind one still arriving.
    int bufferedBytes() const { return m_buffer.size(); }

private:
    QList<QByteArray> pass(bool keepTail);

    QByteArray m_buffer;
    int m_settled = 0;       // m_buffer up to here holds no complete frame to hand over before the silence
    bool m_tailKept = false; // the last silence kept an unfinished tail, and no byte came since
};
