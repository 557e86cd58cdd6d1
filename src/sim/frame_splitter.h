#pragma once
// Cuts a received byte stream into request frames and the bytes between them.
// A frame is AA 55 LEN ... SUM with a good checksum; anything else is loose bytes, which
// the device treats by its work mode (echo, AT lines, or nothing).
#include <QByteArray>
#include <QVector>

class FrameSplitter {
public:
    struct Piece {
        bool isFrame = false;
        QByteArray bytes;
    };

    void feed(const QByteArray &bytes);
    // Complete pieces found so far. With `flushHeld` a held, still incomplete frame start is
    // given up and its bytes come out as loose bytes (called when the line has gone quiet).
    QVector<Piece> take(bool flushHeld = false);
    // True while the tail of the stream might be the start of a frame.
    bool holding() const { return !m_buffer.isEmpty(); }

    // Longest frame we accept; a LEN above it is noise that happens to follow AA 55.
    static constexpr int kMaxLen = 8192;

private:
    void scan(QVector<Piece> &out, bool flushHeld);
    void emitLoose(QVector<Piece> &out, const QByteArray &bytes);

    QByteArray m_buffer;
};
