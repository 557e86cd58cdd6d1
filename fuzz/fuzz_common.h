#pragma once
// Shared by the fuzz targets: a check that stops the run with a message (libFuzzer then keeps
// the input as a crash), the Qt application object some parts need, and a reader that takes
// the input apart into choices, lengths and byte strings.
#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                     \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

namespace fuzz {

// The script watchdog in the targets: wall time on a starved machine (many targets at once,
// under nice) is far above CPU time; a hang is libFuzzer's -timeout to catch.
constexpr int kWatchdogMs = 120000;

// One application object for the process (the script engine and timers want one).
inline void ensureApp()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// The input itself, without a copy: ASan then sees any read one byte past its end.
inline QByteArray raw(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

class Reader {
public:
    Reader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_pos >= m_size; }
    size_t left() const { return m_size - m_pos; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t word() { return static_cast<uint16_t>(byte() << 8 | byte()); }
    // Up to `n` bytes (fewer at the end), copied.
    QByteArray bytes(size_t n)
    {
        const size_t take = n < left() ? n : left();
        QByteArray b(reinterpret_cast<const char *>(m_data + m_pos), static_cast<qsizetype>(take));
        m_pos += take;
        return b;
    }
    // A length-prefixed piece (one length byte).
    QByteArray piece() { return bytes(byte()); }
    QByteArray rest() { return bytes(left()); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace fuzz
