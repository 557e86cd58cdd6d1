#pragma once
// The control-mode socket commands: payloads, the fetch reply check and the result texts.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace socketcmd {
constexpr uint16_t kCreate = 0x0060;
constexpr uint16_t kConnect = 0x0061;
constexpr uint16_t kSend = 0x0062;
constexpr uint16_t kFetch = 0x0063;
constexpr uint16_t kDisconnect = 0x0064;
constexpr uint16_t kClose = 0x0065;
constexpr uint8_t kFetchReply = 0xA2;
constexpr int kFetchTimeoutMs = 4000;
constexpr int kRepeatPauseMs = 200;

enum class SocketOp { Create, Connect, Disconnect, Close };

// A decimal port 0..65535 (blanks around it allowed); nullopt for anything else.
std::optional<uint16_t> PortOf(const QString &text);
QString BadPortText();

// Type byte, local port, remote port, then the peer's four bytes (none when the text is not
// a dotted address).
QByteArray CreatePayload(uint8_t type, uint16_t localPort, uint16_t remotePort, const QString &peer);
QByteArray PortPayload(uint16_t port);
// Socket number 0, then the data.
QByteArray SendPayload(const QByteArray &data);
QByteArray FetchPayload();

uint16_t WordOf(SocketOp op);
// The main-log line for an acknowledgement code; empty for a code without a text.
QString SocketResultText(SocketOp op, int code);
// The result panel text of a data send; empty for a code without a text.
QString SendResultText(int code);

struct FetchResult {
    bool ok = false;
    QByteArray content;  // socket number (2 bytes) and the data
    QString failText;
};
// Header, A2 at offset 4, then the sum over LEN bytes; never reads past the reply.
FetchResult CheckFetchReply(const QByteArray &reply);
} // namespace socketcmd
