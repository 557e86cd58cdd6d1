#include "protocol/frame.h"

namespace frame {

namespace {
inline uint8_t at(const QByteArray &b, int i) { return static_cast<uint8_t>(b[i]); }

bool startsWithHeader(const QByteArray &b)
{
    return b.size() >= 2 && at(b, 0) == 0xAA && at(b, 1) == 0x55;
}

QByteArray dropLeadingNoise(const QByteArray &reply)
{
    // Only when the reply does not already start with the header: a reply that does may carry
    // AA 55 inside its payload, and cutting there would mangle a good frame.
    static const QByteArray header("\xAA\x55", 2);
    const int pos = reply.indexOf(header);
    return pos > 0 ? reply.mid(pos) : reply;
}

// Checksum over the LEN bytes from offset 2 compared with the two bytes right after them.
// A LEN that runs past the reply cannot be verified and counts as a checksum failure; so does
// a LEN under `minLen`, the least that covers the fields the caller reads (below 2 the "sum"
// would be the LEN field itself, and AA 55 00 00 would pass).
bool lenChecksumOk(const QByteArray &b, int minLen = 4)
{
    if (b.size() < 4)
        return false;
    const int len = at(b, 2) * 256 + at(b, 3);
    if (len < minLen || len + 4 > b.size())
        return false;
    const uint16_t stored = static_cast<uint16_t>(at(b, len + 2) * 256 + at(b, len + 3));
    return stored == Sum16(b, 2, len);
}
} // namespace

uint16_t Sum16(const QByteArray &bytes, int from, int count)
{
    uint32_t sum = 0;
    const int end = std::min<int>(bytes.size(), from + count);
    for (int i = std::max(0, from); i < end; ++i)
        sum += at(bytes, i);
    return static_cast<uint16_t>(sum & 0xFFFF);
}

QByteArray Build(const QByteArray &prefix, uint16_t cmd, const QByteArray &payload)
{
    const int len = payload.size() + prefix.size() + 4;
    QByteArray f;
    f.reserve(len + 4);
    f.append('\xAA');
    f.append('\x55');
    f.append(static_cast<char>((len >> 8) & 0xFF));
    f.append(static_cast<char>(len & 0xFF));
    f.append(prefix);
    f.append(static_cast<char>(cmd >> 8));
    f.append(static_cast<char>(cmd & 0xFF));
    f.append(payload);
    const uint16_t sum = Sum16(f, 2, f.size() - 2);
    f.append(static_cast<char>(sum >> 8));
    f.append(static_cast<char>(sum & 0xFF));
    return f;
}

ResultCode CheckAck(const QByteArray &raw)
{
    if (raw.isEmpty())
        return rcNoReply;
    const QByteArray b = dropLeadingNoise(raw);
    if (!startsWithHeader(b))
        return rcBadHeader;
    if (!lenChecksumOk(b, 2))
        return rcBadChecksum;
    const int len = at(b, 2) * 256 + at(b, 3);
    if (len != 4)
        return rcNoReply;
    if (at(b, 4) == 0x00 && at(b, 5) == 0xF0)
        return rcOk;
    if (at(b, 4) == 0x00 && at(b, 5) == 0xF1)
        return rcRefused;
    return rcBadHeader;
}

ByteReply CheckByteReply(const QByteArray &b, uint16_t expectedCmd)
{
    ByteReply r;
    if (b.isEmpty()) {
        r.value = rcNoReply;
        return r;
    }
    if (!startsWithHeader(b)) {
        r.value = rcBadHeader;
        return r;
    }
    if (b.size() < 6 || at(b, 4) != (expectedCmd >> 8) || at(b, 5) != (expectedCmd & 0xFF)) {
        r.wrongCommand = true;
        r.value = rcRefused;
        return r;
    }
    if (!lenChecksumOk(b, 2)) {
        r.value = rcBadChecksum;
        return r;
    }
    // LEN must announce one value byte too: a LEN-4 frame plus a stray byte is also 9 bytes
    // long, and its byte 6 is the checksum, not a value.
    const int len = at(b, 2) * 256 + at(b, 3);
    r.value = (b.size() == 9 && len == 5) ? static_cast<int>(at(b, 6)) : static_cast<int>(rcNoReply);
    return r;
}

std::optional<QByteArray> CheckTextReply(const QByteArray &b)
{
    // A frame too short for its command word is no text reply.
    if (b.isEmpty() || !startsWithHeader(b) || !lenChecksumOk(b))
        return std::nullopt;
    const int len = at(b, 2) * 256 + at(b, 3);
    return b.mid(6, len - 4);
}

ParamReply CheckParamReply(const QByteArray &raw, uint8_t expectedCmdHigh, int prefixLength)
{
    ParamReply r;
    if (raw.isEmpty())
        return r;
    const QByteArray b = dropLeadingNoise(raw);
    if (!startsWithHeader(b)) {
        r.status = DataCheck::BadHeader;
        return r;
    }
    if (b.size() < 5 || at(b, 4) != expectedCmdHigh) {
        r.status = DataCheck::BadCommand;
        return r;
    }
    // The checksum is the reply's last two bytes, over everything from offset 2 before them.
    if (b.size() < 6) {
        r.status = DataCheck::BadChecksum;
        return r;
    }
    const uint16_t stored = static_cast<uint16_t>(at(b, b.size() - 2) * 256 + at(b, b.size() - 1));
    if (stored != Sum16(b, 2, b.size() - 4)) {
        r.status = DataCheck::BadChecksum;
        return r;
    }
    const int len = at(b, 2) * 256 + at(b, 3);
    const int start = 6 + prefixLength;
    const int count = len - prefixLength - 4;
    // Never past the checksum bytes.
    const int available = b.size() - 2 - start;
    if (count > 0 && available > 0)
        r.records = b.mid(start, std::min(count, available));
    r.status = DataCheck::Ok;
    return r;
}

FetchReply CheckFetchReply(const QByteArray &b)
{
    FetchReply r;
    if (b.isEmpty())
        return r;
    if (!startsWithHeader(b)) {
        r.status = DataCheck::BadHeader;
        return r;
    }
    if (b.size() < 5 || at(b, 4) != 0xA2) {
        r.status = DataCheck::BadCommand;
        return r;
    }
    // LEN must cover itself and the A2 byte: a shorter one is a garbled frame, not an empty fetch.
    if (!lenChecksumOk(b, 3)) {
        r.status = DataCheck::BadChecksum;
        return r;
    }
    const int len = at(b, 2) * 256 + at(b, 3);
    r.content = b.mid(5, len - 3);
    r.status = DataCheck::Ok;
    return r;
}

int FindCompleteFrame(const QByteArray &bytes)
{
    // Any AA 55 may start the frame: leading noise is skipped, as the checkers do.
    static const QByteArray header("\xAA\x55", 2);
    for (int pos = bytes.indexOf(header); pos >= 0; pos = bytes.indexOf(header, pos + 1)) {
        if (bytes.size() - pos < 4)
            return -1;
        const int len = at(bytes, pos + 2) * 256 + at(bytes, pos + 3);
        if (len < 4 || bytes.size() - pos < len + 4)
            continue;
        const uint16_t stored = static_cast<uint16_t>(at(bytes, pos + len + 2) * 256 + at(bytes, pos + len + 3));
        if (stored == Sum16(bytes, pos + 2, len))
            return pos;
    }
    return -1;
}

} // namespace frame
