#include "provision/unit_link.h"

#include "link/serial_channel.h"
#include "link/serial_settings.h"
#include "link/tcp_channel.h"
#include "session/core_session.h"
#include "text/json_text.h"

#include <QEventLoop>
#include <QTimer>

namespace {
constexpr int kTcpLineRate = 1000000;
const QString kTcpPrefix = QStringLiteral("tcp:");
} // namespace

bool IsTcpAddress(const QString &address) { return address.startsWith(kTcpPrefix); }
QString TcpAddress(const QString &hostPort) { return kTcpPrefix + hostPort; }

std::optional<QString> OpenUnitLink(CoreSession &core, const QString &address, const LinkSettings &settings)
{
    core.state.FastReplies = true;
    if (IsTcpAddress(address)) {
        const QString host = address.mid(kTcpPrefix.size());
        const QString why = core.link.tcp().connectAndWait(host, settings.timeoutMs);
        if (!why.isEmpty())
            return QStringLiteral("cannot connect to %1: %2").arg(host, why);
        core.engine.setLineRate(kTcpLineRate);
        return std::nullopt;
    }

    const auto *root = core.profile.root();
    auto fromProfile = [root](const char *key, const QString &given, const char *fallback) {
        QString v = given;
        if (v.isEmpty() && root)
            v = JsonMemberText(*root, key);
        return v.isEmpty() ? QString::fromLatin1(fallback) : v;
    };
    SerialSettings s;
    s.portName = address;
    s.baudRate = BaudFromText(fromProfile("Baudrate", settings.baud, "57600"));
    ApplyFormatText(fromProfile("ComOption", settings.format, "8N1"), s);
    SerialChannel &serial = core.link.serial();
    if (!serial.open(s))
        return QStringLiteral("cannot open the serial port %1: %2").arg(address, serial.errorString());
    core.state.ParamChannel = core.state.ExtTabVisible ? -1 : core.state.MainParamChannel;
    core.engine.setLineRate(qMax(1, s.baudRate / 10));
    return std::nullopt;
}
