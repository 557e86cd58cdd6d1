// status, signal, version, clock, reset, defaults, mode: the named device commands.
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "protocol/result_texts.h"

#include <QDateTime>
#include <QJsonArray>

namespace {
// Exit status of an outcome whose code is a result code; `what` names the operation.
int outcomeExit(const OpOutcome &o, const QString &what, QString &error)
{
    if (!o.messageText.isEmpty() || !o.errorText.isEmpty()) {
        const CliError e = CliSession::errorFromText(o.messageText.isEmpty() ? o.errorText : o.messageText);
        error = what + QStringLiteral(": ") + e.text;
        return e.exit;
    }
    const int rc = ExitForResult(o.code);
    if (rc != exOk)
        error = what + QStringLiteral(": ") +
                (!o.panelText.isEmpty()    ? o.panelText
                 : !o.stateLogLines.isEmpty() ? o.stateLogLines.join(QStringLiteral("; "))
                                           : QStringLiteral("failed (%1)").arg(o.code));
    return rc;
}

void putLines(CliSession &s, const OpOutcome &o)
{
    // The session log gets what the window's views would show: the main log's lines and the
    // state log's (Memo4).
    for (const QString &l : o.logLines)
        s.sink().logLine(l);
    for (const QString &l : o.stateLogLines)
        s.core().log.line(QStringLiteral("Memo4"), l);
    QStringList lines = o.stateLogLines;
    if (lines.isEmpty() && !o.panelText.isEmpty())
        lines << o.panelText;
    for (const QString &l : lines)
        s.out().line(l);
    if (!o.panelText.isEmpty())
        s.out().set(QStringLiteral("result"), o.panelText);
    s.out().set(QStringLiteral("lines"), QJsonArray::fromStringList(lines));
}

// State and signal: a value 0..255, or a negative code; a wrong command word is a bad frame.
int valueExit(const OpOutcome &o, const QString &wrongCommandText, const QString &what, QString &error)
{
    if (!o.panelText.isEmpty() && o.panelText == wrongCommandText) {
        error = what + QStringLiteral(": ") + o.panelText;
        return exBadFrame;
    }
    if (o.code >= 0 && o.messageText.isEmpty() && o.errorText.isEmpty())
        return exOk;
    return outcomeExit(o, what, error);
}
} // namespace

int RunDeviceCommand(CliSession &s, QString &error)
{
    const QString cmd = s.options().command;
    int mode = -1;
    if (cmd == QLatin1String("mode")) {
        bool ok = false;
        mode = s.options().args.first().toInt(&ok);
        if (!ok || mode < 0 || mode > 2) {
            error = QStringLiteral("the work mode is 0, 1 or 2, not \"%1\"").arg(s.options().args.first());
            return exUsage;
        }
        if (s.viaTcp()) {
            error = QStringLiteral("the work-mode switch needs the serial port (--port); the device does not take it over TCP");
            return exUsage;
        }
    }
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    DeviceCommands &dc = s.commands();
    if (cmd == QLatin1String("status")) {
        const OpOutcome o = dc.ReadState();
        putLines(s, o);
        const int rc = valueExit(o, StateWrongCommandText(), QStringLiteral("reading the device state"), error);
        if (rc == exOk) {
            s.out().set(QStringLiteral("state"), o.code);
            if (o.stateLogLines.isEmpty())
                s.out().line(UnnamedDeviceStateLine(o.code));
        }
        return rc;
    }
    if (cmd == QLatin1String("signal")) {
        const OpOutcome o = dc.ReadSignal();
        putLines(s, o);
        const int rc = valueExit(o, SignalWrongCommandText(), QStringLiteral("reading the signal strength"), error);
        if (rc == exOk)
            s.out().set(QStringLiteral("csq"), o.code);
        return rc;
    }
    if (cmd == QLatin1String("version")) {
        const OpOutcome o = dc.ReadVersion();
        putLines(s, o);
        const int rc = outcomeExit(o, QStringLiteral("reading the firmware version"), error);
        if (rc == exOk)
            s.out().set(QStringLiteral("version"), o.stateLogLines.value(0).section(QLatin1Char('='), 1));
        else if (o.code == rcNoReply)
            error = QStringLiteral("reading the firmware version: ") + VersionFailedText();
        return rc;
    }
    if (cmd == QLatin1String("clock")) {
        if (s.options().setClock) {
            const OpOutcome o = dc.SetClock(QDateTime::currentDateTime());
            putLines(s, o);
            return outcomeExit(o, QStringLiteral("setting the device clock"), error);
        }
        const OpOutcome o = dc.ReadClock();
        putLines(s, o);
        const int rc = outcomeExit(o, QStringLiteral("reading the device clock"), error);
        if (rc == exOk)
            s.out().set(QStringLiteral("clock"), o.stateLogLines.value(1));
        return rc;
    }
    if (cmd == QLatin1String("reset")) {
        // The command itself is the confirmation the window asks for.
        const OpOutcome o = dc.Reset();
        putLines(s, o);
        return outcomeExit(o, QStringLiteral("resetting the device"), error);
    }
    if (cmd == QLatin1String("defaults")) {
        const OpOutcome o = dc.RestoreFactoryDefaults();
        putLines(s, o);
        return outcomeExit(o, QStringLiteral("restoring the factory defaults"), error);
    }
    // mode: the tool cannot know the device's current mode, so the switch is always sent.
    s.core().state.WorkMode = 0xFF;
    const OpOutcome o = dc.SwitchWorkMode(static_cast<uint8_t>(mode));
    putLines(s, o);
    const int rc = outcomeExit(o, QStringLiteral("switching the work mode"), error);
    if (rc == exOk)
        s.out().set(QStringLiteral("mode"), mode);
    return rc;
}
