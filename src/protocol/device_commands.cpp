#include "protocol/device_commands.h"

#include "link/data_link.h"
#include "protocol/exchange_engine.h"
#include "script/script_host.h"
#include "state/app_state.h"

#include "text/text_codec.h"
#include "protocol/result_texts.h"
#include <QCoreApplication>

#include <iterator>

namespace {
struct DeviceCommandTexts {
    Q_DECLARE_TR_FUNCTIONS(DeviceCommandTexts)
};
} // namespace

namespace {
constexpr int kStateTimeoutMs = 4000;
constexpr int kSignalTimeoutMs = 10000;

OpOutcome busy()
{
    OpOutcome out;
    out.code = rcNotSent;
    out.busy = true;
    out.panelText = ExchangeEngine::BusyText();
    out.logLines << ExchangeEngine::BusyText();
    return out;
}
} // namespace

DeviceCommands::DeviceCommands(DeviceContext context) : m_s(context) {}

OpOutcome DeviceCommands::CheckDataChannel() const
{
    OpOutcome out;
    if (!m_s.link.IsDataChannelOpen()) {
        out.code = rcNotSent;
        out.messageText = DataLink::NoChannelMessage();
    }
    return out;
}

std::optional<uint16_t> DeviceCommands::wordOf(const QString &name, OpOutcome &out)
{
    QString error;
    const std::optional<uint16_t> w = m_s.engine.CmdWordOf(name, &error);
    if (!w) {
        out.code = rcNotSent;
        out.errorText = error;
    }
    return w;
}

bool DeviceCommands::send(uint16_t cmd, const QByteArray &payload, OpOutcome &out)
{
    QString error;
    if (m_s.engine.SendFrame(cmd, payload, &error) == rcOk)
        return true;
    out.code = rcNotSent;
    out.errorText = error;
    return false;
}

OpOutcome DeviceCommands::ackCommand(const QString &cmdName, const QByteArray &payload, QString (*texts)(int))
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    OpOutcome out;
    const std::optional<uint16_t> cmd = wordOf(cmdName, out);
    if (!cmd || !send(*cmd, payload, out))
        return out;
    out.code = m_s.engine.AwaitAck();
    out.panelText = texts(out.code);
    out.logLines << out.panelText;
    return out;
}

OpOutcome DeviceCommands::cancelled(const QString &currentPanelText)
{
    OpOutcome out;
    out.code = rcNotSent;
    out.logLines << currentPanelText;
    return out;
}

OpOutcome DeviceCommands::Reset()
{
    OpOutcome out = CheckDataChannel();
    if (!out.messageText.isEmpty())
        return out;
    out = ackCommand(QStringLiteral("CMD_RESET"), QByteArray(), ResetResultText);
    if (!out.busy)
        m_s.state.WorkMode = 0;
    return out;
}

OpOutcome DeviceCommands::ResetCancelled(const QString &currentPanelText)
{
    m_s.state.WorkMode = 0;
    return cancelled(currentPanelText);
}

OpOutcome DeviceCommands::ReadState()
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    OpOutcome out;
    const std::optional<uint16_t> cmd = wordOf(QStringLiteral("CMD_GETSTATUS"), out);
    if (!cmd || !send(*cmd, QByteArray(), out))
        return out;
    // The reply word is fixed, whatever word the script gives for the request.
    const frame::ByteReply r = m_s.engine.AwaitByteReply(kStateReplyWord, kStateTimeoutMs);
    out.code = r.value;
    if (r.wrongCommand) {
        out.panelText = StateWrongCommandText();
        out.logLines << out.panelText;
    }
    const QString line = DeviceStateLine(r.value);
    if (!line.isEmpty())
        out.stateLogLines << line;
    return out;
}

QStringList DeviceCommands::StateItems()
{
    return {DeviceCommandTexts::tr("00-睡眠状态"), DeviceCommandTexts::tr("02-待机状态"), DeviceCommandTexts::tr("05-GPRS状态")};
}

std::optional<uint8_t> DeviceCommands::StateOfItem(int index)
{
    static const uint8_t states[] = {0x00, 0x02, 0x05};
    if (index < 0 || index >= int(std::size(states)))
        return std::nullopt;
    return states[index];
}

OpOutcome DeviceCommands::SetState(int itemIndex)
{
    // No item chosen (or one past the list) is refused: nothing sensible to send.
    const std::optional<uint8_t> state = StateOfItem(itemIndex);
    if (!state) {
        OpOutcome out;
        out.code = rcNotSent;
        out.messageText = DeviceCommandTexts::tr("请选择一个状态!");
        return out;
    }
    return ackCommand(QStringLiteral("CMD_GETSTATUS"), QByteArray(1, static_cast<char>(*state)),
                      StateSetResultText);
}

OpOutcome DeviceCommands::ReadSignal()
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    OpOutcome out;
    if (!send(kSignalWord, QByteArray(), out))
        return out;
    const frame::ByteReply r = m_s.engine.AwaitByteReply(kSignalWord, kSignalTimeoutMs);
    out.code = r.value;
    if (r.wrongCommand) {
        out.panelText = SignalWrongCommandText();
        out.logLines << out.panelText;
    }
    out.stateLogLines << SignalLine(r.value);
    return out;
}

OpOutcome DeviceCommands::ReadVersion()
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    OpOutcome out;
    const std::optional<uint16_t> cmd = wordOf(QStringLiteral("CMD_GETDTUVER"), out);
    if (!cmd || !send(*cmd, QByteArray(), out))
        return out;
    const QByteArray text = m_s.engine.AwaitTextReply().value_or(QByteArray());
    out.code = text.isEmpty() ? rcNoReply : rcOk;
    if (text.isEmpty())
        out.stateLogLines << VersionFailedText();
    out.valueText = GbkDecode(text);
    out.stateLogLines << VersionLine(out.valueText);
    return out;
}

OpOutcome DeviceCommands::ReadClock()
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    OpOutcome out;
    if (!send(kClockReadWord, QByteArray(), out))
        return out;
    const QByteArray text = m_s.engine.AwaitTextReply().value_or(QByteArray());
    out.code = text.isEmpty() ? rcNoReply : rcOk;
    out.panelText = ClockReadText(!text.isEmpty());
    out.stateLogLines << out.panelText << GbkDecode(text);
    return out;
}

QString DeviceCommands::ClockText(const QDateTime &t)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    return QString::asprintf("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", d.year(), d.month(), d.day(), tm.hour(),
                             tm.minute(), tm.second());
}

OpOutcome DeviceCommands::SetClock(const QDateTime &now)
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    const QString clock = ClockText(now);
    OpOutcome out;
    out.stateLogLines << ClockSetLine(clock);
    if (!send(kClockSetWord, clock.toLatin1(), out))
        return out;
    out.code = m_s.engine.AwaitAck();
    out.panelText = ClockSetResultText(out.code);
    out.stateLogLines << out.panelText;
    return out;
}

OpOutcome DeviceCommands::SwitchWorkMode(uint8_t mode)
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    OpOutcome out;
    if (mode == m_s.state.WorkMode)
        return out;
    // The device listens for the switch on its serial line only; a TCP link does not count.
    if (!m_s.link.isSerialOpen()) {
        out.code = rcNotSerial;
        return out;
    }
    const QByteArray payload = QByteArray(1, static_cast<char>(mode)) + AccessCode();
    int code = rcNoReply;
    for (int attempt = 0; attempt < SwitchAttempts && !m_s.state.CloseRequested; ++attempt) {
        if (!send(kWorkModeWord, payload, out))
            return out;
        code = m_s.engine.AwaitAckQuick();
        if (code == rcOk)
            break;
    }
    out.code = code;
    if (code == rcOk)
        m_s.state.WorkMode = mode;
    out.panelText = WorkModeResultText(code);
    out.logLines << out.panelText;
    return out;
}

OpOutcome DeviceCommands::SelectParamChannel(int n)
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok())
        return busy();
    OpOutcome out;
    if (!m_s.state.ExtTabVisible || n == m_s.state.ParamChannel)
        return out;
    // Recorded before sending, whatever the device answers.
    m_s.state.ParamChannel = n;
    if (!m_s.link.isSerialOpen())
        return out;
    if (!send(kParamSetWord, QByteArray(1, static_cast<char>(n & 0xFF)), out))
        return out;
    out.code = m_s.engine.AwaitAck();
    return out;
}

OpOutcome DeviceCommands::RestoreFactoryDefaults()
{
    OpOutcome out = CheckDataChannel();
    if (!out.messageText.isEmpty())
        return out;
    return ackCommand(QStringLiteral("CMD_SETDEFAULT"), QByteArray(), FactoryDefaultsResultText);
}
