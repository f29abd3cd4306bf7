#include "frame.h"

#include <QDebug>
#include <QLoggingCategory>

#include <vector>

Q_LOGGING_CATEGORY(lcFrame, "leeb.link.frame")

namespace {

const char Header[frame::HeaderSize] = {'\x40', '\x23', '\x24'};

bool headerAt(const QByteArray &data, int pos)
{
    return pos >= 0 && pos + frame::HeaderSize <= data.size() && data[pos] == Header[0] && data[pos + 1] == Header[1] &&
           data[pos + 2] == Header[2];
}

int nextHeader(const QByteArray &data, int from)
{
    return data.indexOf(QByteArray::fromRawData(Header, frame::HeaderSize), from);
}

quint32 lengthField(const QByteArray &data, int pos)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData()) + pos + frame::HeaderSize;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// The frame size a header's length field announces, or 0 when the field is unreadable or out of reach.
int announcedSize(const QByteArray &data, int pos)
{
    if (pos + 7 > data.size())
        return 0;
    const quint32 length = lengthField(data, pos);
    if (length < 2 || length > quint32(frame::MaxFrameSize - 7))
        return 0;
    return int(length) + 7;
}

// Running byte sums, so that the checksum of any stretch costs one subtraction and a pass stays linear. Only the low
// eight bits count; the storage is kept from pass to pass, as passes run after every burst.
class ByteSums
{
public:
    explicit ByteSums(const QByteArray &data) : m_bytes(reinterpret_cast<const uchar *>(data.constData()))
    {
        thread_local std::vector<uchar> storage;
        if (storage.size() < size_t(data.size()) + 1)
            storage.resize(size_t(data.size()) + 1);
        uchar *sums = storage.data();
        sums[0] = 0;
        for (int i = 0; i < data.size(); ++i)
            sums[i + 1] = uchar(sums[i] + m_bytes[i]);
        m_sums = sums;
    }
    // True when [begin, end) starting with a header is a frame: its last byte is the sum of the bytes after the header.
    bool checks(int begin, int end) const
    {
        if (end - begin < frame::Overhead)
            return false;
        const uchar sum = uchar(m_sums[end - 1] - m_sums[begin + frame::HeaderSize]);
        return sum == m_bytes[end - 1];
    }

private:
    const uchar *m_bytes;
    const uchar *m_sums = nullptr;
};

// Length of the header prefix (40 or 40 23) that ends `data` after `from`, 0 if none.
int trailingHeaderPrefix(const QByteArray &data, int from)
{
    const int n = data.size();
    if (n - from >= 2 && data[n - 2] == Header[0] && data[n - 1] == Header[1])
        return 2;
    if (n - from >= 1 && data[n - 1] == Header[0])
        return 1;
    return 0;
}

} // namespace

QByteArray packFrame(unsigned char cmd, const QByteArray &payload)
{
    QByteArray out;
    out.reserve(payload.size() + frame::Overhead);
    out.append(Header, frame::HeaderSize);
    const quint32 length = quint32(payload.size()) + 2;
    for (int i = 0; i < 4; ++i)
        out.append(char((length >> (8 * i)) & 0xFF));
    out.append(char(cmd));
    out.append(payload);
    uchar sum = 0;
    for (int i = frame::HeaderSize; i < out.size(); ++i)
        sum += uchar(out[i]);
    out.append(char(sum));
    return out;
}

QList<QByteArray> splitFrames(const QByteArray &data)
{
    QList<QByteArray> pieces;
    if (data.isEmpty())
        return pieces;
    const ByteSums sums(data);
    const int n = data.size();

    std::vector<int> headers;
    for (int at = nextHeader(data, 0); at >= 0; at = nextHeader(data, at + 1))
        headers.push_back(at);
    // complete[i]: header i starts a frame that its length field spans and its checksum confirms.
    // nextComplete[i]: the first header after i that does so, -1 if none.
    const int count = int(headers.size());
    std::vector<int> size(headers.size()), nextComplete(headers.size() + 1, -1);
    std::vector<bool> complete(headers.size());
    for (int i = 0; i < count; ++i) {
        size[i] = announcedSize(data, headers[i]);
        complete[i] = size[i] > 0 && headers[i] + size[i] <= n && sums.checks(headers[i], headers[i] + size[i]);
    }
    for (int i = count - 1; i >= 0; --i)
        nextComplete[i] = complete[i] ? i : nextComplete[i + 1];

    int pos = 0;
    int i = 0;
    while (pos < n) {
        while (i < count && headers[i] < pos)
            ++i;
        if (i == count || headers[i] > pos) {
            // Stray bytes up to the next header; a header prefix at the very end is kept apart for the next burst.
            const int end = i == count ? n : headers[i];
            const int prefix = i == count ? trailingHeaderPrefix(data, pos) : 0;
            if (end - prefix > pos)
                pieces.append(data.mid(pos, end - prefix - pos));
            if (prefix > 0)
                pieces.append(data.right(prefix));
            pos = end;
            continue;
        }
        if (complete[i]) {
            // The length field wins, whatever the payload holds.
            pieces.append(data.mid(pos, size[i]));
            pos += size[i];
            continue;
        }
        int end = i + 1 < count ? headers[i + 1] : n;
        // A frame still arriving swallows later headers, unless one of them starts a complete frame: then the
        // sender gave up on this one and started afresh. A frame that checks when cut at the next header is taken
        // as it is, whatever its length field says.
        if (size[i] > 0 && pos + size[i] > n && nextComplete[i + 1] < 0 && !sums.checks(pos, end))
            end = n;
        pieces.append(data.mid(pos, end - pos));
        pos = end;
    }
    return pieces;
}

bool checkFrame(const QByteArray &piece)
{
    if (piece.size() < frame::Overhead || !headerAt(piece, 0)) {
        qCDebug(lcFrame) << "no frame header, or too short";
        return false;
    }
    const auto *p = reinterpret_cast<const uchar *>(piece.constData());
    const int last = piece.size() - 1;
    uchar sum = 0;
    for (int i = frame::HeaderSize; i < last; ++i)
        sum += p[i];
    const uchar received = p[last];
    if (sum == received)
        return true;
    qCDebug(lcFrame).noquote() << "checksum mismatch: computed" << sum << "received" << received;
    qCDebug(lcFrame).noquote() << piece.toHex();
    return false;
}

QByteArray framePayload(const QByteArray &frame)
{
    if (frame.size() <= 8)
        return QByteArray();
    return frame.mid(8, frame.size() - 9);
}

unsigned char frameCommand(const QByteArray &frame)
{
    return frame.size() > 7 ? uchar(frame[7]) : 0;
}

bool mayBeUnfinished(const QByteArray &piece)
{
    if (piece.isEmpty() || piece.size() >= frame::MaxFrameSize)
        return false;
    if (piece.size() < frame::HeaderSize)
        return QByteArray::fromRawData(Header, frame::HeaderSize).startsWith(piece);
    if (!headerAt(piece, 0))
        return false;
    if (piece.size() < 7)
        return true;
    const int size = announcedSize(piece, 0);
    return size > piece.size();
}

bool hasHeader(const QByteArray &piece)
{
    return headerAt(piece, 0);
}

QList<QByteArray> takeFrames(QByteArray &buffer, bool keepTail)
{
    QList<QByteArray> pieces = splitFrames(buffer);
    buffer.clear();
    if (pieces.isEmpty() || !keepTail)
        return pieces;
    const QByteArray &last = pieces.last();
    if (!mayBeUnfinished(last))
        return pieces;
    // Frame checks would only repeat what mayBeUnfinished found out; keep the tail quietly for the next burst.
    if (pieces.size() == 1)
        qCDebug(lcFrame) << "serial: the only piece may be unfinished, kept";
    else
        qCDebug(lcFrame) << "serial: the last piece may be unfinished, kept";
    buffer = pieces.takeLast();
    return pieces;
}

QList<QByteArray> takeCompleteFrames(QByteArray &buffer, int *resume)
{
    const int n = buffer.size();
    const auto *p = reinterpret_cast<const uchar *>(buffer.constData());
    int cut = 0;
    int from = resume ? qBound(0, *resume, n) : 0;
    int stop = -1;
    // Frames that follow each other from the start with nothing between need no cutting.
    bool backToBack = from == 0;
    QList<QByteArray> frames;
    for (int at = nextHeader(buffer, from); at >= 0; at = nextHeader(buffer, from)) {
        // A header that cannot be read yet, or that announces more than is there, may be a frame on its way.
        const int size = announcedSize(buffer, at);
        if (at + 7 > n || (size > 0 && at + size > n)) {
            stop = at;
            break;
        }
        if (size > 0) {
            uchar sum = 0;
            for (int i = at + frame::HeaderSize; i < at + size - 1; ++i)
                sum += p[i];
            if (sum == p[at + size - 1]) {
                backToBack = backToBack && at == cut;
                if (backToBack)
                    frames.append(buffer.mid(at, size));
                cut = at + size;
                from = cut;
                continue;
            }
        }
        backToBack = false;
        from = at + 1;
    }
    // Headers before this point are settled: the next call goes on from here (a header may straddle the end).
    if (resume)
        *resume = (stop >= 0 ? stop : qMax(from, n - (frame::HeaderSize - 1))) - cut;
    if (cut == 0)
        return {};
    // Cut just as the pass at the silence would: before the end of a complete frame nothing depends on later bytes.
    const QList<QByteArray> pieces = backToBack ? frames : splitFrames(buffer.left(cut));
    buffer.remove(0, cut);
    return pieces;
}
