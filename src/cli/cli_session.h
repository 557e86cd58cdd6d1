#pragma once
// One dtucfg run: the core session with its device commands and parameter operations,
// the script and profile loaded from the options, and the connection to the device.
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "cli/exit_codes.h"
#include "params/op_sink.h"
#include "params/param_ops.h"
#include "protocol/device_commands.h"
#include "session/core_session.h"

#include <optional>

// Records like the window's panels and logs would show them; with --trace the log lines
// also go to stderr as they happen.
class CliSink : public RecordingSink {
public:
    explicit CliSink(bool echo) : m_echo(echo) {}
    void logLine(const QString &line) override;
    // The session log, when one is open.
    SessionLog *sessionLog = nullptr;

private:
    bool m_echo;
};

class CliSession {
public:
    explicit CliSession(const CliOptions &options);
    ~CliSession();

    const CliOptions &options() const { return m_opt; }
    CoreSession &core() { return m_core; }
    DeviceCommands &commands() { return m_commands; }
    ParamOps &params() { return m_params; }
    CliOutput &out() { return m_out; }
    CliSink &sink() { return m_sink; }

    // Evaluates the script file; a missing file or a script error is an error.
    std::optional<CliError> loadScript();
    // Loads `path` as the main profile (replacing any loaded one); entry problems are warnings.
    std::optional<CliError> loadProfile(const QString &path);
    // --profile when given.
    std::optional<CliError> loadProfileOption();
    // Fails with a usage error when no profile is loaded.
    std::optional<CliError> requireProfile() const;
    // Opens the serial port or makes the TCP link, and sets the reply timing; with
    // --wait-port, tries again every half second until the port or the peer is there.
    std::optional<CliError> connect();
    // The reason, when the channel vanished after connect() (the run then ends with exNoChannel).
    std::optional<QString> lostChannel() const;
    // --log FILE: opens the session log; m_log lines and frames go there from now on.
    std::optional<CliError> openLog();
    bool viaTcp() const { return !m_opt.tcp.isEmpty(); }

    // Points the device at the parameter set of `table`, as showing its page in the window does.
    void selectSetFor(const ParamTable &table);

    // An operation's error text as an exit status: no channel, busy, script error.
    static CliError errorFromText(const QString &text);

private:
    CliOptions m_opt;
    CoreSession m_core;
    DeviceCommands m_commands;
    ParamOps m_params;
    CliOutput m_out;
    CliSink m_sink;
    std::optional<QString> m_lost;
    bool m_connected = false;

    std::optional<CliError> connectOnce(int tcpWaitMs);
};
