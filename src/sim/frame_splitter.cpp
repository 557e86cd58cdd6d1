#include "sim/frame_splitter.h"
#include "protocol/frame.h"

namespace {
inline int byteAt(const QByteArray &b, int i) { return static_cast<uint8_t>(b[i]); }
} // namespace

void FrameSplitter::feed(const QByteArray &bytes)
{
    m_buffer.append(bytes);
}

QVector<FrameSplitter::Piece> FrameSplitter::take(bool flushHeld)
{
    QVector<Piece> out;
    scan(out, flushHeld);
    return out;
}

void FrameSplitter::emitLoose(QVector<Piece> &out, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (!out.isEmpty() && !out.last().isFrame)
        out.last().bytes.append(bytes);
    else
        out.append(Piece{false, bytes});
}

void FrameSplitter::scan(QVector<Piece> &out, bool flushHeld)
{
    for (;;) {
        const int start = m_buffer.indexOf('\xAA');
        if (start < 0) {
            emitLoose(out, m_buffer);
            m_buffer.clear();
            return;
        }
        emitLoose(out, m_buffer.left(start));
        m_buffer.remove(0, start);

        bool incomplete = false;
        if (m_buffer.size() < 2) {
            incomplete = true;
        } else if (byteAt(m_buffer, 1) == 0x55) {
            if (m_buffer.size() < 4) {
                incomplete = true;
            } else {
                const int len = byteAt(m_buffer, 2) * 256 + byteAt(m_buffer, 3);
                if (len >= 4 && len <= kMaxLen) {
                    if (m_buffer.size() < len + 4) {
                        incomplete = true;
                    } else {
                        const int stored = byteAt(m_buffer, len + 2) * 256 + byteAt(m_buffer, len + 3);
                        if (stored == frame::Sum16(m_buffer, 2, len)) {
                            out.append(Piece{true, m_buffer.left(len + 4)});
                            m_buffer.remove(0, len + 4);
                            continue;
                        }
                        // Bad checksum: resynchronise on the next AA 55.
                    }
                }
            }
        }
        if (incomplete && !flushHeld)
            return;
        // Not a frame start, or a start that never completed: its first byte is loose.
        emitLoose(out, m_buffer.left(1));
        m_buffer.remove(0, 1);
    }
}
