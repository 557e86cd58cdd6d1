#include "tools/socket_frames.h"

#include "params/param_ops.h"
#include "protocol/frame.h"
#include <QCoreApplication>

namespace {
struct ControlPageTexts {
    Q_DECLARE_TR_FUNCTIONS(ControlPageTexts)
};
} // namespace

namespace socketcmd {

std::optional<uint16_t> PortOf(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(v);
}

QString BadPortText()
{
    return ControlPageTexts::tr("端口号必须是0到65535之间的整数");
}

QByteArray PortPayload(uint16_t port)
{
    QByteArray b;
    b.append(static_cast<char>(port >> 8));
    b.append(static_cast<char>(port & 0xFF));
    return b;
}

QByteArray CreatePayload(uint8_t type, uint16_t localPort, uint16_t remotePort, const QString &peer)
{
    QByteArray b(1, static_cast<char>(type));
    b.append(PortPayload(localPort));
    b.append(PortPayload(remotePort));
    b.append(IpTextToBytes(peer));
    return b;
}

QByteArray SendPayload(const QByteArray &data)
{
    return PortPayload(0) + data;
}

QByteArray FetchPayload()
{
    return PortPayload(0);
}

uint16_t WordOf(SocketOp op)
{
    switch (op) {
    case SocketOp::Create:
        return kCreate;
    case SocketOp::Connect:
        return kConnect;
    case SocketOp::Disconnect:
        return kDisconnect;
    case SocketOp::Close:
        break;
    }
    return kClose;
}

QString SocketResultText(SocketOp op, int code)
{
    QString ok, fail;
    switch (op) {
    case SocketOp::Create:
        ok = ControlPageTexts::tr("Socket创建成功");
        fail = ControlPageTexts::tr("Socket创建失败");
        break;
    case SocketOp::Connect:
        ok = ControlPageTexts::tr("TCP连接成功");
        fail = ControlPageTexts::tr("TCP连接失败");
        break;
    case SocketOp::Disconnect:
        ok = ControlPageTexts::tr("TCP断开成功");
        fail = ControlPageTexts::tr("TCP断开失败");
        break;
    case SocketOp::Close:
        ok = ControlPageTexts::tr("Socket关闭成功");
        fail = ControlPageTexts::tr("Socket关闭失败");
        break;
    }
    switch (code) {
    case 0:
        return ok;
    case -1:
        return fail;
    case -2:
        return fail + ControlPageTexts::tr("，设备无响应！");
    case -3:
        return fail + ControlPageTexts::tr("，参数错误！");
    case -4:
        return fail + ControlPageTexts::tr("，返回帧校验错误！");
    default:
        return QString();
    }
}

QString SendResultText(int code)
{
    switch (code) {
    case 0:
        return ControlPageTexts::tr("[数据发送成功]");
    case -1:
        return ControlPageTexts::tr("[数据发送失败]");
    case -2:
        return ControlPageTexts::tr("[数据发送失败，设备无响应！]");
    case -3:
        return ControlPageTexts::tr("[数据发送失败，非法的返回串！]");
    case -4:
        return ControlPageTexts::tr("[数据发送失败，返回帧校验错误！]");
    default:
        return QString();
    }
}

FetchResult CheckFetchReply(const QByteArray &reply)
{
    FetchResult r;
    const auto at = [&reply](int i) { return static_cast<uint8_t>(reply[i]); };
    if (reply.isEmpty()) {
        r.failText = ControlPageTexts::tr("[数据读取失败，设备无响应！]");
        return r;
    }
    if (reply.size() < 2 || at(0) != 0xAA || at(1) != 0x55) {
        r.failText = ControlPageTexts::tr("[数据读取失败，返回数据包头非法！]");
        return r;
    }
    if (reply.size() < 5 || at(4) != kFetchReply) {
        r.failText = ControlPageTexts::tr("[数据读取失败，返回数据包命令字非法！]");
        return r;
    }
    const int len = at(2) * 256 + at(3);
    // LEN must cover itself and the A2 byte, and the sum must be there to compare.
    if (len < 3 || reply.size() < len + 4 ||
        frame::Sum16(reply, 2, len) != static_cast<uint16_t>(at(len + 2) * 256 + at(len + 3))) {
        r.failText = ControlPageTexts::tr("[数据读取失败，返回数据包校验错！]");
        return r;
    }
    r.ok = true;
    r.content = reply.mid(5, len - 3);
    return r;
}

} // namespace socketcmd
