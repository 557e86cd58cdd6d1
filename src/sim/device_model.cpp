#include "sim/device_model.h"
#include "protocol/frame.h"

#include <QDateTime>

using namespace simwords;

namespace {
inline int byteAt(const QByteArray &b, int i) { return static_cast<uint8_t>(b[i]); }
inline uint16_t wordAt(const QByteArray &b, int i) { return static_cast<uint16_t>(byteAt(b, i) * 256 + byteAt(b, i + 1)); }
const char kClockFormat[] = "yyyy-MM-dd HH:mm:ss";
} // namespace

QByteArray WordFrame(uint16_t cmd, const QByteArray &body)
{
    return frame::Build(QByteArray(), cmd, body);
}

QByteArray AckFrame(bool accepted)
{
    return WordFrame(accepted ? 0x00F0 : 0x00F1, QByteArray());
}

QByteArray ByteFrame(uint16_t cmd, uint8_t value)
{
    return WordFrame(cmd, QByteArray(1, static_cast<char>(value)));
}

QByteArray FetchFrame(const QByteArray &content)
{
    // LEN counts itself, the A2 byte and the content.
    const int len = content.size() + 3;
    QByteArray f("\xAA\x55", 2);
    f.append(static_cast<char>(len >> 8));
    f.append(static_cast<char>(len & 0xFF));
    f.append(static_cast<char>(kFetchReply));
    f.append(content);
    const uint16_t sum = frame::Sum16(f, 2, len);
    f.append(static_cast<char>(sum >> 8));
    f.append(static_cast<char>(sum & 0xFF));
    return f;
}

std::optional<Request> ParseRequest(const QByteArray &f, int prefixLength)
{
    if (f.size() < 8)
        return std::nullopt;
    const int len = wordAt(f, 2);
    if (len < 4 + prefixLength || f.size() < len + 4)
        return std::nullopt;
    Request r;
    r.prefix = f.mid(4, prefixLength);
    r.cmd = wordAt(f, 4 + prefixLength);
    r.payload = f.mid(6 + prefixLength, len - 4 - prefixLength);
    return r;
}

DeviceModel::DeviceModel(ParamStore store, int state, int csq)
    : m_store(std::move(store)), m_state(state), m_csq(csq)
{
}

void DeviceModel::setIdentity(uint16_t code, const QByteArray &identity)
{
    m_identityCode = code;
    m_identityBase = identity;
    m_identity = identity;
    m_store.setStartValue(code, identity);
}

void DeviceModel::swapUnit(int pauseMs, bool sameIdentity, bool sameVersion)
{
    ++m_unit;
    m_sameVersion = sameVersion;
    if (!m_identityBase.isEmpty() && !sameIdentity) {
        m_identity = m_identityBase + '-' + QByteArray::number(m_unit);
        m_store.setStartValue(m_identityCode, m_identity);
    }
    m_store.restoreDefaults();
    m_mode = 0;
    m_socket.reset();
    m_away.setRemainingTime(pauseMs);
}

std::optional<QByteArray> DeviceModel::handle(const Request &r, bool anySet)
{
    if (!m_away.hasExpired())
        return std::nullopt;   // between two units nobody answers
    switch (r.cmd) {
    case kGetParam:
        return readParams(r, anySet);
    case kSelectSet:
        if (r.payload.size() != 1)
            return AckFrame(false);
        return AckFrame(m_store.selectSet(byteAt(r.payload, 0)));
    case kReset:
        m_mode = 0;
        return AckFrame(true);
    case kDefaults:
        m_store.restoreDefaults();
        return AckFrame(true);
    case kState:
        if (r.payload.isEmpty())
            return ByteFrame(kState, static_cast<uint8_t>(m_state));
        if (r.payload.size() != 1)
            return AckFrame(false);
        m_state = byteAt(r.payload, 0);
        return AckFrame(true);
    case kSignal:
        return ByteFrame(kSignal, static_cast<uint8_t>(m_csq));
    case kVersion:
        return WordFrame(kVersionReply, m_unit == 1 || m_sameVersion ? QByteArray(kVersionText)
                                                    : QByteArray(kVersionText) + "-UNIT" + QByteArray::number(m_unit));
    case kGetClock:
        return WordFrame(kClockReply, clockText());
    case kSetClock:
        return AckFrame(setClock(r.payload));
    case kWorkMode: {
        const QByteArray code(kAccessCode);
        if (r.payload.size() != code.size() + 1 || r.payload.mid(1) != code || byteAt(r.payload, 0) > 2)
            return AckFrame(false);
        m_mode = byteAt(r.payload, 0);
        return AckFrame(true);
    }
    case kSockCreate:
    case kSockConnect:
    case kSockSend:
    case kSockFetch:
    case kSockDisconnect:
    case kSockClose:
        return socketCommand(r);
    default:
        break;
    }
    if ((r.cmd >> 8) == 0xE0)
        return AckFrame(false);   // a device word we do not know
    // Any other word is a parameter write.
    if (anySet)
        return AckFrame(m_store.writeIn(m_store.setHolding(r.cmd), r.cmd, r.payload));
    return AckFrame(m_store.write(r.cmd, r.payload));
}

QByteArray DeviceModel::readParams(const Request &r, bool anySet) const
{
    QByteArray body = r.prefix;
    for (int i = 0; i + 1 < r.payload.size(); i += 2) {
        const uint16_t code = wordAt(r.payload, i);
        const int set = anySet ? m_store.setHolding(code) : m_store.currentSet();
        if (set < 0 || !m_store.sets().value(set).contains(code))
            continue;
        const QByteArray value = m_store.valueIn(set, code);
        const int l = value.size() + 2;
        body.append(static_cast<char>(l >> 8));
        body.append(static_cast<char>(l & 0xFF));
        body.append(static_cast<char>(code >> 8));
        body.append(static_cast<char>(code & 0xFF));
        body.append(value);
    }
    return WordFrame(kReplyConfig, body);
}

QByteArray DeviceModel::socketCommand(const Request &r)
{
    const QByteArray &p = r.payload;
    switch (r.cmd) {
    case kSockCreate: {
        if ((p.size() != 5 && p.size() != 9) || byteAt(p, 0) > 1)
            return AckFrame(false);
        Socket s;
        s.type = byteAt(p, 0);
        s.localPort = wordAt(p, 1);
        s.remotePort = wordAt(p, 3);
        s.peer = p.mid(5);
        m_socket = s;
        return AckFrame(true);
    }
    case kSockConnect:
    case kSockDisconnect:
    case kSockClose: {
        if (p.size() != 2 || !m_socket || m_socket->localPort != wordAt(p, 0))
            return AckFrame(false);
        if (r.cmd == kSockClose) {
            m_socket.reset();
            return AckFrame(true);
        }
        if (m_socket->type != 1)
            return AckFrame(false);   // connect/disconnect are for TCP sockets only
        m_socket->connected = r.cmd == kSockConnect;
        return AckFrame(true);
    }
    case kSockSend:
        if (p.size() < 2 || !m_socket || wordAt(p, 0) != 0)
            return AckFrame(false);
        m_socket->received.append(p.mid(2));
        return AckFrame(true);
    case kSockFetch: {
        if (p.size() != 2 || !m_socket || wordAt(p, 0) != 0)
            return AckFrame(false);
        QByteArray content = p.left(2);
        content.append(m_socket->received);
        m_socket->received.clear();
        return FetchFrame(content);
    }
    default:
        return AckFrame(false);
    }
}

QByteArray DeviceModel::clockText() const
{
    return QDateTime::currentDateTime().addSecs(m_clockOffsetSecs).toString(QLatin1String(kClockFormat)).toLatin1();
}

bool DeviceModel::setClock(const QByteArray &text)
{
    if (text.size() != 19)
        return false;
    const QDateTime t = QDateTime::fromString(QString::fromLatin1(text), QLatin1String(kClockFormat));
    if (!t.isValid())
        return false;
    m_clockOffsetSecs = QDateTime::currentDateTime().secsTo(t);
    return true;
}
