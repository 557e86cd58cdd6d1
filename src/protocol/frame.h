#pragma once
// Request frames and reply checks as pure functions over byte strings.
// Layout: AA 55 | LEN(2) | prefix | CMD(2) | payload | SUM(2), LEN = 2 + P + 2 + N,
// SUM = 16-bit sum of the LEN bytes from offset 2. Checkers never read past the reply.
#include "protocol/result_codes.h"
#include <QByteArray>
#include <cstdint>
#include <optional>

namespace frame {

uint16_t Sum16(const QByteArray &bytes, int from, int count);
QByteArray Build(const QByteArray &prefix, uint16_t cmd, const QByteArray &payload);

// Acknowledgement: searches for AA 55, then header, checksum, LEN 4, 00 F0 / 00 F1.
// LEN 4 with a good checksum but another command word gives rcBadHeader;
// a LEN that points past the received bytes gives rcBadChecksum.
ResultCode CheckAck(const QByteArray &reply);

// One-byte value: reply must start with AA 55, carry `expectedCmd`, a good checksum and be 9 bytes.
struct ByteReply {
    int value = rcNoReply;       // 0..255 or a negative result code
    bool wrongCommand = false;   // the caller shows its failure text, value is rcRefused
};
ByteReply CheckByteReply(const QByteArray &reply, uint16_t expectedCmd);

// Text reply: starts with AA 55, good checksum; the LEN-4 bytes from offset 6. nullopt otherwise.
std::optional<QByteArray> CheckTextReply(const QByteArray &reply);

// Full parameter-read reply (leading bytes before AA 55 dropped, first command byte checked,
// checksum over the actual end of the reply). On success `records` holds the record area.
enum class DataCheck { Ok, NoReply, BadHeader, BadCommand, BadChecksum };
struct ParamReply {
    DataCheck status = DataCheck::NoReply;
    QByteArray records;
};
ParamReply CheckParamReply(const QByteArray &reply, uint8_t expectedCmdHigh, int prefixLength);

// Timed-query read reply: both command bytes checked, content from offset 5 when the caller
// asks for the raw layout; we decode it like the full read (see CheckParamReply).

// Control-mode fetch reply: no header search, byte 4 must be A2, checksum over the LEN bytes.
// `content` is LEN-3 bytes from offset 5 (socket number then data).
struct FetchReply {
    DataCheck status = DataCheck::NoReply;
    QByteArray content;
};
FetchReply CheckFetchReply(const QByteArray &reply);

// Where a complete frame (AA 55, LEN >= 4, every LEN byte and a matching sum present) starts in
// gathered bytes, leading noise allowed; -1 while there is none yet.
int FindCompleteFrame(const QByteArray &bytes);

} // namespace frame
