#pragma once
// Starts dtusim as a separate process and tells where it serves (pty path, TCP port).
// Waits for its "READY" line; kills it on stop() or destruction.
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Launches DTU_BIN_DIR/dtusim with `args`; true once it printed READY within `timeoutMs`.
    bool start(const QStringList &args, int timeoutMs = 10000);
    QString ptyPath() const { return m_ptyPath; }
    quint16 tcpPort() const { return m_tcpPort; }
    // SIGTERM, then SIGKILL if it does not end within a second.
    void stop();

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Waits for the simulator to end by itself (e.g. after a hang-up).
    bool waitForExit(int timeoutMs);
    int exitCode() const { return m_process.exitCode(); }
    // Sends `sig` to the simulator (SIGUSR1: the device vanishes for a while).
    bool signal(int sig);
    // Waits for a stdout line beginning with `prefix` (after READY: "VANISHED", "RETURNED ...");
    // the whole line, or empty on time-out. The event loop runs meanwhile.
    QString waitForLine(const QString &prefix, int timeoutMs);
    // What went wrong in start(), with the simulator's own stderr.
    QString errorText() const { return m_error; }
    static QString executable();

private:
    QProcess m_process;
    QString m_ptyPath;
    quint16 m_tcpPort = 0;
    QString m_error;
};
