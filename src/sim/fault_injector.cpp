#include "sim/fault_injector.h"

QByteArray FaultInjector::apply(uint16_t cmd, const QByteArray &reply) const
{
    QByteArray out = reply;
    // A one-byte-value reply is 9 bytes with LEN 5; give it the neighbouring word.
    if (m_o.wrongCmd && out.size() == 9 && out[2] == 0 && out[3] == 5) {
        const uint16_t word = static_cast<uint16_t>((static_cast<uint8_t>(out[4]) << 8 | static_cast<uint8_t>(out[5])) + 1);
        out[4] = static_cast<char>(word >> 8);
        out[5] = static_cast<char>(word & 0xFF);
        // Keep the checksum right so only the word is wrong.
        int sum = 0;
        for (int i = 2; i < 7; ++i)
            sum += static_cast<uint8_t>(out[i]);
        out[7] = static_cast<char>((sum >> 8) & 0xFF);
        out[8] = static_cast<char>(sum & 0xFF);
    }
    if (m_o.badChecksum)
        out = CorruptChecksum(out);
    if (m_o.garble.contains(cmd))
        out = Garble(out);
    return m_o.noise + out;
}

QByteArray FaultInjector::Garble(const QByteArray &reply)
{
    QByteArray out = reply;
    if (out.size() >= 2) {
        out[0] = 'E';
        out[1] = 'R';
    }
    for (int i = 0; i + 1 < out.size(); ++i) {
        if (static_cast<uint8_t>(out[i]) == 0xAA && static_cast<uint8_t>(out[i + 1]) == 0x55)
            out[i] = static_cast<char>(0xAB);
    }
    return out;
}

QByteArray FaultInjector::CorruptChecksum(const QByteArray &reply)
{
    QByteArray out = reply;
    if (!out.isEmpty())
        out[out.size() - 1] = static_cast<char>(static_cast<uint8_t>(out[out.size() - 1]) ^ 0x5A);
    return out;
}

QByteArray FaultInjector::Misstore(const QByteArray &value)
{
    if (value.isEmpty())
        return QByteArray(1, '\0');
    QByteArray v = value;
    v[v.size() - 1] = static_cast<char>(static_cast<uint8_t>(v[v.size() - 1]) + 1);
    return v;
}
