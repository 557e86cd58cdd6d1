#pragma once
// Runs one command button of the profile: ONCLICK describes what to send (a framed packet,
// raw hex bytes or ASCII text), the answer goes to the script as `hexinput`, and ONREPLY turns
// it into a line of text. Widget-free, shared by the command window and the CLI.
#include "protocol/device_context.h"
#include <QByteArray>
#include <QString>
#include <QStringList>

struct ButtonRow;

// Where a run shows its lines, in the order the user should see them.
class CommandRunSink {
public:
    virtual ~CommandRunSink() = default;
    // The command window's output box.
    virtual void outputLine(const QString &line) = 0;
    // The main log.
    virtual void logLine(const QString &line) = 0;
};

class RecordingRunSink : public CommandRunSink {
public:
    void outputLine(const QString &line) override { output.append(line); }
    void logLine(const QString &line) override { log.append(line); }
    QStringList output, log;
};

// Why a run ended early, for the caller to choose where to tell it.
enum class CommandFailure {
    None,
    NotAnObject,  // the description is not a JSON object: the profile's fault
    Busy,         // another exchange is running
    Other,        // a script or send error
};

struct OutgoingCommand {
    bool ok = false;
    CommandFailure failure = CommandFailure::None;
    QByteArray bytes;   // what goes on the wire; empty for an unknown TYPE
    QString logLine;    // "下行HEX：…" / "下行ASCII：…"; empty for a packet
    QString error;      // script error or a description that is not a JSON object
};

struct CommandRunResult {
    bool ok = false;       // ONREPLY was evaluated
    QByteArray sent;
    QByteArray answer;     // empty when nothing came within the wait
    QString replyText;     // ONREPLY's result
    QString error;         // why the run ended early
    CommandFailure failure = CommandFailure::None;
};

class CommandRunner {
public:
    static constexpr int kAnswerTimeoutMs = 40000;

    explicit CommandRunner(DeviceContext context);

    // Evaluates ONCLICK and turns its description into the bytes to send.
    OutgoingCommand BuildOutgoing(const QString &onClick);
    // The whole run: "[name]", send through the active channel, wait, "上行：…", hexinput, ONREPLY.
    CommandRunResult Run(const ButtonRow &button, CommandRunSink &sink, int timeoutMs = kAnswerTimeoutMs);

    static QString BusyText();

private:
    DeviceContext m_s;
};
