#pragma once
// What the simulated device does with one request frame: parameters, state, clock, work
// mode and a loopback model of its control-mode sockets. Shared by every connection.
#include "sim/param_store.h"
#include <QByteArray>
#include <QDeadlineTimer>
#include <QMap>
#include <cstdint>
#include <optional>

namespace simwords {
constexpr uint16_t kGetParam = 0xE001;
constexpr uint16_t kReplyConfig = 0xE081;
constexpr uint16_t kVersion = 0xE003;
constexpr uint16_t kVersionReply = 0xE083;
constexpr uint16_t kState = 0xE004;
constexpr uint16_t kReset = 0xE005;
constexpr uint16_t kDefaults = 0xE006;
constexpr uint16_t kSetClock = 0xE00D;
constexpr uint16_t kGetClock = 0xE00E;
constexpr uint16_t kClockReply = 0xE08E;
constexpr uint16_t kWorkMode = 0xE022;
constexpr uint16_t kSignal = 0xE023;
constexpr uint16_t kSelectSet = 0xE050;
constexpr uint16_t kSockCreate = 0x0060;
constexpr uint16_t kSockConnect = 0x0061;
constexpr uint16_t kSockSend = 0x0062;
constexpr uint16_t kSockFetch = 0x0063;
constexpr uint16_t kSockDisconnect = 0x0064;
constexpr uint16_t kSockClose = 0x0065;
constexpr uint8_t kFetchReply = 0xA2;
constexpr const char kAccessCode[] = "KMVRBTQHWDNXA";
constexpr const char kVersionText[] = "DTUSIM-V1.0.3";
constexpr uint16_t kIdentityCode = 0x0091;   // the factory serial number
} // namespace simwords

// Reply shapes.
QByteArray AckFrame(bool accepted);
QByteArray ByteFrame(uint16_t cmd, uint8_t value);
QByteArray WordFrame(uint16_t cmd, const QByteArray &body);
QByteArray FetchFrame(const QByteArray &content);

// A request as the device sees it.
struct Request {
    QByteArray prefix;
    uint16_t cmd = 0;
    QByteArray payload;
};
// nullopt when the frame is too short to hold the prefix and a command word.
std::optional<Request> ParseRequest(const QByteArray &frame, int prefixLength);

class DeviceModel {
public:
    DeviceModel(ParamStore store, int state, int csq);

    // The reply to one request, or nullopt when the device stays silent. `anySet`: parameters
    // are addressed by code in whichever set holds them (the TCP maintenance port), not only in
    // the selected one.
    std::optional<QByteArray> handle(const Request &r, bool anySet = false);

    // The unit's own factory identity (a serial number in parameter `code`), kept through a
    // factory reset.
    void setIdentity(uint16_t code, const QByteArray &identity);
    QByteArray identity() const { return m_identity; }

    // Another unit behind the same port: silent for `pauseMs`, then answering with its own
    // version text, the start values and an identity of its own; `sameIdentity`: the same unit
    // comes back reset (a rework).
    void swapUnit(int pauseMs, bool sameIdentity = false, bool sameVersion = false);
    int unitNumber() const { return m_unit; }

    // A fault: the parameter's stored value changes as if another write had slipped onto it.
    void disturb(uint16_t code, const QByteArray &value) { m_store.write(code, value); }

    int workMode() const { return m_mode; }
    int state() const { return m_state; }
    const ParamStore &store() const { return m_store; }

private:
    struct Socket {
        int type = 0;
        uint16_t localPort = 0;
        uint16_t remotePort = 0;
        QByteArray peer;
        bool connected = false;
        QByteArray received;   // loopback: what was sent comes back on the next fetch
    };

    QByteArray readParams(const Request &r, bool anySet) const;
    QByteArray socketCommand(const Request &r);
    QByteArray clockText() const;
    bool setClock(const QByteArray &text);

    ParamStore m_store;
    int m_mode = 0;
    int m_state = 2;
    int m_csq = 23;
    qint64 m_clockOffsetSecs = 0;
    std::optional<Socket> m_socket;   // the data commands always address socket 0
    int m_unit = 1;
    bool m_sameVersion = false;
    uint16_t m_identityCode = 0;
    QByteArray m_identityBase;   // as given; later units add their number
    QByteArray m_identity;
    QDeadlineTimer m_away{0};
};
