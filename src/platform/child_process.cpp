#include "platform/child_process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

bool ChildProcess::start(const QList<std::pair<QByteArray, QByteArray>> &env, bool keepStderr, QString *error)
{
    stop();
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // The environment as it is, the helper's own entries replacing any of the same name.
    std::vector<QByteArray> entries;
    for (char **e = environ; e && *e; ++e) {
        const QByteArray entry(*e);
        bool replaced = false;
        for (const auto &[name, value] : env)
            replaced = replaced || entry.startsWith(name + '=');
        if (!replaced)
            entries.push_back(entry);
    }
    for (const auto &[name, value] : env)
        entries.push_back(name + '=' + value);
    std::vector<char *> envp;
    for (QByteArray &e : entries)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!keepStderr)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // dup2 clears close-on-exec on the helper's copy only.
    posix_spawn_file_actions_adddup2(&actions, fds[1], kChildSocketFd);
    // Nothing else the program holds goes with it: a serial port or a pseudo-terminal kept
    // open in the helper would never be seen to hang up.
    posix_spawn_file_actions_addclosefrom_np(&actions, kChildSocketFd + 1);
    char self[] = "/proc/self/exe";
    char *argv[] = {self, nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, self, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        *error = QString::fromLocal8Bit(std::strerror(rc));
        return false;
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    m_pid = pid;
    m_fd = fds[0];
    return true;
}

bool ChildProcess::alive()
{
    if (m_pid <= 0)
        return false;
    if (::waitpid(m_pid, nullptr, WNOHANG) == 0)
        return true;
    m_pid = -1;
    stop();
    return false;
}

void ChildProcess::stop()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
}
