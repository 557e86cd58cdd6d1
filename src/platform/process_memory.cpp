#include "platform/process_memory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Reads a small /proc file of `pid` into `buf`; the length read, 0 on failure.
size_t readProc(pid_t pid, const char *name, char *buf, size_t size)
{
    char path[64];
    if (pid > 0)
        std::snprintf(path, sizeof path, "/proc/%d/%s", static_cast<int>(pid), name);
    else
        std::snprintf(path, sizeof path, "/proc/self/%s", name);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const ssize_t n = ::read(fd, buf, size - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    buf[n] = '\0';
    return static_cast<size_t>(n);
}
} // namespace

qint64 ResidentBytes(pid_t pid)
{
    char buf[128];
    if (!readProc(pid, "statm", buf, sizeof buf))
        return 0;
    char *end = nullptr;
    std::strtoll(buf, &end, 10);  // the first field is the address space
    return std::strtoll(end, nullptr, 10) * ::sysconf(_SC_PAGESIZE);
}

qint64 PeakResidentBytes(pid_t pid)
{
    char buf[4096];
    if (!readProc(pid, "status", buf, sizeof buf))
        return 0;
    const char *line = std::strstr(buf, "VmHWM:");
    return line ? std::strtoll(line + 6, nullptr, 10) * 1024 : 0;
}
