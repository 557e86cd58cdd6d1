#include "platform/console.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_pair[2] = {-1, -1};
void (*g_urgent)() = nullptr;
volatile std::sig_atomic_t g_requests = 0;

void onSignal(int)
{
    if (++g_requests >= 2)
        ::_exit(130);
    if (g_urgent)
        g_urgent();
    // Only async-signal-safe work here; the event loop does the rest.
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pair[1], &c, 1);
}

void restoreDefaults()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}
} // namespace

bool IsTerminal(StdStream stream)
{
    return ::isatty(stream == StdStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

// A socket pair carries the signal into the event loop: writing to it is safe in a handler.
struct StopRequests::Channel {
    std::unique_ptr<QSocketNotifier> notifier;
};

StopRequests::StopRequests(std::function<void()> onStop, void (*urgent)())
    : m_channel(std::make_unique<Channel>())
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pair) != 0)
        return;
    g_requests = 0;
    g_urgent = urgent;
    m_channel->notifier = std::make_unique<QSocketNotifier>(g_pair[0], QSocketNotifier::Read);
    QObject::connect(m_channel->notifier.get(), &QSocketNotifier::activated, [onStop = std::move(onStop)] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_pair[0], &c, 1);
        // From here a second request ends the process the ordinary way.
        restoreDefaults();
        onStop();
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

StopRequests::~StopRequests()
{
    restoreDefaults();
    m_channel->notifier.reset();
    for (int &fd : g_pair)
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    g_urgent = nullptr;
}
