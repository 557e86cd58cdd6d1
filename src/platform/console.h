#pragma once
// The console a command-line program runs in: whether its output is a terminal, and Ctrl-C.
#include <functional>
#include <memory>

enum class StdStream { Output, Error };
// A terminal (progress may be redrawn in place), not a file or a pipe.
bool IsTerminal(StdStream stream);

// Ctrl-C (and, on POSIX, SIGTERM) as a call in the event loop, for programs that finish their
// work before they end.
class StopRequests {
public:
    // While this lives, the first request calls `urgent` at once, in the request's own context
    // (it must be async-signal-safe: set an atomic flag, nothing more), then `onStop` from the
    // event loop; a second request ends the process at once with status 130, even while the
    // event loop is held up. Only one may live at a time.
    explicit StopRequests(std::function<void()> onStop, void (*urgent)() = nullptr);
    ~StopRequests();
    StopRequests(const StopRequests &) = delete;
    StopRequests &operator=(const StopRequests &) = delete;

private:
    struct Channel;
    std::unique_ptr<Channel> m_channel;
};
