#include "profile/command_runner.h"

#include "link/data_link.h"
#include "protocol/exchange_engine.h"
#include "script/script_host.h"
#include "state/app_state.h"

#include "text/json_text.h"
#include "profile/button_table.h"
#include "profile/profile_session.h"
#include "text/text_codec.h"
#include "text/hex.h"
#include <QCoreApplication>

namespace {
struct CommandRunnerTexts {
    Q_DECLARE_TR_FUNCTIONS(CommandRunnerTexts)
};
} // namespace

CommandRunner::CommandRunner(DeviceContext context) : m_s(context) {}

QString CommandRunner::BusyText()
{
    return ExchangeEngine::BusyText();
}

OutgoingCommand CommandRunner::BuildOutgoing(const QString &onClick)
{
    OutgoingCommand out;
    const ScriptResult described = m_s.script.evaluate(onClick);
    if (!described.ok) {
        out.error = described.error;
        out.failure = CommandFailure::Other;
        return out;
    }
    QString why;
    const auto root = ParseLenientJson(described.text, &why);
    if (!root || !root->is_object()) {
        out.error = CommandRunnerTexts::tr("命令描述不是 JSON 对象：") + described.text;
        out.failure = CommandFailure::NotAnObject;
        return out;
    }
    const QString type = JsonMemberText(*root, "TYPE");
    if (type == QLatin1String("PACKET")) {
        const QString cmd = JsonMemberText(*root, "CMD");
        // A missing pair counts as 0: "12" is the word 1200.
        const int word = (HexToInt(cmd.mid(0, 2)) & 0xFF) * 256 + (HexToInt(cmd.mid(2, 2)) & 0xFF);
        const QByteArray payload = HexTextToBytes(JsonMemberText(*root, "DATA"));
        const std::optional<QByteArray> f =
            m_s.engine.BuildFrame(static_cast<uint16_t>(word), payload, &out.error);
        if (!f) {
            out.failure = CommandFailure::Other;
            return out;
        }
        out.bytes = *f;
    } else if (type == QLatin1String("HEX")) {
        const QString data = JsonMemberText(*root, "DATA");
        out.bytes = HexTextToBytes(data);
        out.logLine = CommandRunnerTexts::tr("下行HEX：") + data;
    } else if (type == QLatin1String("ASCII")) {
        const QString cmd = JsonMemberText(*root, "CMD");
        out.bytes = GbkEncode(cmd);
        out.logLine = CommandRunnerTexts::tr("下行ASCII：") + cmd;
    }
    // Any other TYPE (the test is case-sensitive) sends nothing but still waits for an answer.
    out.ok = true;
    return out;
}

CommandRunResult CommandRunner::Run(const ButtonRow &button, CommandRunSink &sink, int timeoutMs)
{
    CommandRunResult result;
    // One exchange at a time: a second run would take the first one's answer.
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok()) {
        result.error = BusyText();
        result.failure = CommandFailure::Busy;
        return result;
    }
    sink.outputLine(QLatin1Char('[') + button.name + QLatin1Char(']'));

    const OutgoingCommand out = BuildOutgoing(button.onClick);
    if (!out.ok) {
        result.error = out.error;
        result.failure = out.failure;
        return result;
    }
    if (!out.logLine.isEmpty())
        sink.logLine(out.logLine);

    // Through the active channel, so a TCP link works like the serial line.
    QString sendError;
    if (!m_s.link.ChannelSend(out.bytes, &sendError)) {
        result.error = sendError;
        result.failure = CommandFailure::Other;
        return result;
    }
    result.sent = out.bytes;

    result.answer = m_s.engine.ReceiveReply(timeoutMs, ExchangeEngine::ReplyKind::Raw);
    sink.logLine(CommandRunnerTexts::tr("上行：") + HexDump(result.answer));

    m_s.script.setHexInput(StrToHexText(result.answer));
    const ScriptResult reply = m_s.script.evaluate(button.onReply);
    if (!reply.ok) {
        result.error = reply.error;
        result.failure = CommandFailure::Other;
        return result;
    }
    result.replyText = reply.text;
    sink.outputLine(reply.text);
    result.ok = true;
    return result;
}
