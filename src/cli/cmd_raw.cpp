// send, at, button: raw bytes and the profile's command buttons.
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "profile/button_table.h"
#include "text/text_codec.h"
#include "profile/command_runner.h"
#include "text/hex.h"

#include <QJsonArray>

namespace {
// Sends `bytes` as they are and shows what comes back within the timeout.
int exchangeRaw(CliSession &s, const QByteArray &bytes, QString &error)
{
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    ExchangeEngine &engine = s.core().engine;
    QString sendError;
    if (!engine.SendLogged(bytes, &sendError)) {
        const CliError e = CliSession::errorFromText(sendError);
        error = QStringLiteral("sending failed: ") + e.text;
        return e.exit;
    }
    const QByteArray answer = engine.ReceiveReply(s.options().timeoutMs, ExchangeEngine::ReplyKind::Raw);
    const QString text = GbkDecode(answer);
    s.out().set(QStringLiteral("sent"), StrToHexText(bytes));
    s.out().set(QStringLiteral("reply"), StrToHexText(answer));
    s.out().set(QStringLiteral("text"), text);
    if (answer.isEmpty()) {
        error = QStringLiteral("no answer within %1 ms").arg(s.options().timeoutMs);
        return exNoReply;
    }
    s.out().line(QStringLiteral("HEX:  ") + HexDump(answer).trimmed());
    // Control characters shown visibly, so the line stays one line.
    QString shown;
    for (const QChar c : text)
        shown += c == QLatin1Char('\r') ? QStringLiteral("\\r")
                 : c == QLatin1Char('\n') ? QStringLiteral("\\n")
                 : c.unicode() < 0x20     ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                          : QString(c);
    s.out().line(QStringLiteral("TEXT: ") + shown);
    return exOk;
}

// The runner's lines go where the window puts them: its log lines to the main log (and so to
// the session log and, with --trace, stderr), its output to the command window's view.
class CliRunSink : public RecordingRunSink {
public:
    explicit CliRunSink(CliSession &s) : m_s(s) {}
    void logLine(const QString &line) override
    {
        RecordingRunSink::logLine(line);
        m_s.sink().logLine(line);
    }
    void outputLine(const QString &line) override
    {
        RecordingRunSink::outputLine(line);
        m_s.core().log.line(QStringLiteral("Form2.Memo1"), line);
    }

private:
    CliSession &m_s;
};
} // namespace

int RunSend(CliSession &s, QString &error)
{
    QByteArray bytes;
    if (s.options().hexGiven) {
        const QString digits = QString(s.options().hex).remove(QLatin1Char(' '));
        if (digits.isEmpty() || digits.size() % 2 != 0 || !IsHexText(digits)) {
            error = QStringLiteral("--hex needs pairs of hex digits, not \"%1\"").arg(s.options().hex);
            return exUsage;
        }
        bytes = HexTextToBytes(digits);
    } else {
        bytes = GbkEncode(s.options().args.first());
    }
    return exchangeRaw(s, bytes, error);
}

int RunAt(CliSession &s, QString &error)
{
    return exchangeRaw(s, GbkEncode(s.options().args.first()) + '\r', error);
}

int RunButton(CliSession &s, QString &error)
{
    const ButtonTable &buttons = s.core().buttons;
    const int i = buttons.findByName(s.options().args.first());
    if (i < 0) {
        QStringList names;
        for (int k = 0; k < buttons.size(); ++k)
            names << buttons.row(k).name;
        error = QStringLiteral("no button \"%1\" in the profile (buttons: %2)")
                    .arg(s.options().args.first(), names.join(QStringLiteral(", ")));
        return exUsage;
    }
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    CommandRunner runner(s.core());
    CliRunSink sink(s);
    const CommandRunResult r = runner.Run(buttons.row(i), sink);
    s.out().set(QStringLiteral("button"), buttons.row(i).name);
    s.out().set(QStringLiteral("sent"), StrToHexText(r.sent));
    s.out().set(QStringLiteral("reply"), StrToHexText(r.answer));
    if (!r.ok) {
        const CliError e = CliSession::errorFromText(r.error);
        error = QStringLiteral("running the button failed: ") + e.text;
        return e.exit;
    }
    s.out().set(QStringLiteral("text"), r.replyText);
    s.out().line(r.replyText);
    if (r.answer.isEmpty()) {
        error = QStringLiteral("no answer from the device");
        return exNoReply;
    }
    return exOk;
}
