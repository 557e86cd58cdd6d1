#pragma once
// A copy of this very program started as a helper, talking over one socket. The helper finds
// its end of the socket at descriptor kChildSocketFd and its task in the environment.
#include <QByteArray>
#include <QList>
#include <QString>
#include <sys/types.h>
#include <utility>

class ChildProcess {
public:
    static constexpr int kChildSocketFd = 3;

    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Starts the program's own executable with `env` added to the environment; stdin and
    // stdout are /dev/null, stderr too unless `keepStderr`. The parent's socket is non-blocking.
    // On failure `error` is the system's reason.
    bool start(const QList<std::pair<QByteArray, QByteArray>> &env, bool keepStderr, QString *error);
    bool running() const { return m_pid > 0; }
    // Whether the helper still runs; one that ended is reaped.
    bool alive();
    pid_t pid() const { return m_pid; }
    int socket() const { return m_fd; }

    // Kills the helper if it still runs and reaps it; safe to call twice.
    void stop();

private:
    pid_t m_pid = -1;
    int m_fd = -1;
};
