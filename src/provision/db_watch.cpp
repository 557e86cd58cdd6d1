#include "provision/db_watch.h"

#include "platform/socket_io.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace dbwatch {
namespace {
using Clock = std::chrono::steady_clock;
// How long a wait may still run once the station stops: a healthy statement takes milliseconds.
constexpr auto kAbortGrace = std::chrono::milliseconds(800);
// How often the watcher looks for an abort asked for from a signal handler.
constexpr auto kPoll = std::chrono::milliseconds(100);

std::atomic<bool> g_abort{false};
static_assert(std::atomic<bool>::is_always_lock_free, "RequestAbort() runs in a signal handler");

struct Entry {
    int fd;
    Clock::time_point start;
    Clock::time_point deadline;
    bool cut = false;
};

class Watcher {
public:
    static Watcher &instance()
    {
        // Never destroyed: a wait may end during static destruction.
        static Watcher *w = new Watcher;
        return *w;
    }

    std::uint64_t add(int fd, int boundMs)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::uint64_t id = ++m_next;
        const auto now = Clock::now();
        m_entries.emplace(id, Entry{fd, now, now + std::chrono::milliseconds(boundMs)});
        m_wake.notify_one();
        return id;
    }
    void remove(std::uint64_t id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.erase(id);
    }
    bool cut(std::uint64_t id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_entries.find(id);
        return it != m_entries.end() && it->second.cut;
    }

private:
    Watcher()
    {
        std::thread([this] { run(); }).detach();
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        Clock::time_point abortSeen{};
        for (;;) {
            const auto now = Clock::now();
            if (g_abort.load() && abortSeen == Clock::time_point{})
                abortSeen = now;
            if (!g_abort.load())
                abortSeen = {};
            for (auto &[id, e] : m_entries) {
                auto deadline = e.deadline;
                // Stopping: every wait gets a short grace from when the stop was seen or it began.
                if (abortSeen != Clock::time_point{})
                    deadline = std::min(deadline, std::max(abortSeen, e.start) + kAbortGrace);
                if (!e.cut && deadline <= now) {
                    // The blocked read or write returns at once; the connection is not used again.
                    CutConnection(e.fd);
                    e.cut = true;
                }
            }
            m_wake.wait_for(lock, kPoll);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::uint64_t, Entry> m_entries;
    std::uint64_t m_next = 0;
};
} // namespace

Wait::Wait(int fd, int boundMs)
{
    if (fd >= 0)
        m_id = Watcher::instance().add(fd, boundMs);
}

Wait::~Wait()
{
    if (m_id)
        Watcher::instance().remove(m_id);
}

bool Wait::cut() const { return m_id && Watcher::instance().cut(m_id); }

void RequestAbort() { g_abort.store(true); }
void ClearAbort() { g_abort.store(false); }
bool Aborting() { return g_abort.load(); }
} // namespace dbwatch
