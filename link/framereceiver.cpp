#include "framereceiver.h"

#include "frame.h"

QList<QByteArray> FrameReceiver::receive(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    m_tailKept = false;
    m_buffer.append(bytes);
    QList<QByteArray> pieces = takeCompleteFrames(m_buffer, &m_settled);
    if (m_buffer.size() > frame::MaxBufferSize)
        pieces += pass(true);
    return pieces;
}

QList<QByteArray> FrameReceiver::silence()
{
    const bool keepTail = !m_tailKept;
    QList<QByteArray> pieces = pass(keepTail);
    m_tailKept = !m_buffer.isEmpty();
    return pieces;
}

QList<QByteArray> FrameReceiver::close()
{
    m_tailKept = false;
    return pass(false);
}

QList<QByteArray> FrameReceiver::pass(bool keepTail)
{
    m_settled = 0;
    return takeFrames(m_buffer, keepTail);
}
