#pragma once
// A bound on every wait for the records database that the client keeps itself. A server that
// stops answering without closing (stopped, its host gone) acknowledges nothing a timeout on the
// server could act on, and a Unix socket has no keep-alive at all: the one wait that always ends
// is the client giving the connection up. A watcher thread shuts the connection's socket down
// when a wait outlives its bound, so the blocked call returns with an error at once.
#include <atomic>
#include <cstdint>

namespace dbwatch {
// Marks one wait on socket `fd`, ending it after `boundMs` (or soon after RequestAbort()).
class Wait {
public:
    Wait(int fd, int boundMs);
    ~Wait();
    Wait(const Wait &) = delete;
    Wait &operator=(const Wait &) = delete;
    // The wait was ended by the watcher: the connection is gone.
    bool cut() const;

private:
    std::uint64_t m_id = 0;
};

// Every wait, now and until ClearAbort(), ends within about a second: the station is stopping.
// Only an atomic store: safe in a signal handler.
void RequestAbort();
void ClearAbort();
bool Aborting();
} // namespace dbwatch
