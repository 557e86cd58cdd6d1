#include "platform/address_space.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>

namespace {
bool underAddressSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}
} // namespace

qint64 AddressSpaceBytes()
{
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buf[128];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    buf[n] = '\0';
    return std::strtoll(buf, nullptr, 10) * ::sysconf(_SC_PAGESIZE);
}

bool LimitAddressSpace(qint64 extraBytes)
{
    const qint64 now = AddressSpaceBytes();
    if (underAddressSanitizer() || now <= 0 || extraBytes <= 0)
        return false;
    struct rlimit lim = {};
    lim.rlim_cur = lim.rlim_max = static_cast<rlim_t>(now + extraBytes);
    return ::setrlimit(RLIMIT_AS, &lim) == 0;
}

bool AddressSpaceLimitWorks()
{
    return !underAddressSanitizer();
}

bool AddressSpaceExhausted()
{
    constexpr size_t kProbe = 16u * 1024 * 1024;
    void *p = ::mmap(nullptr, kProbe, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        return true;
    ::munmap(p, kProbe);
    return false;
}
