#pragma once
// The receive display of the transparent page: one line per received chunk.
#include <QByteArray>
#include <QString>

class AppState;

class TLineGet {
public:
    explicit TLineGet(AppState &state) : m_state(state) {}
    void clear() { m_buffer.clear(); }
    void append(const QByteArray &bytes) { m_buffer.append(bytes); }
    // Returns the display line (time, " 收到数据：", hex part when asked, bytes with 00 shown as 01),
    // adds the chunk's length to ReceivedBytes and clears the buffer.
    QString flush(bool hexMode);

private:
    AppState &m_state;
    QByteArray m_buffer;
};
