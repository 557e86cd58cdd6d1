#include "platform/socket_io.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

bool ReadExactly(int fd, char *data, size_t n)
{
    while (n > 0) {
        const ssize_t got = ::read(fd, data, n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const char *data, size_t n)
{
    while (n > 0) {
        const ssize_t put = ::write(fd, data, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

namespace {
qint64 moved(ssize_t n)
{
    if (n > 0)
        return n;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return 0;
    return -1;
}
} // namespace

qint64 SendSome(int fd, const char *data, qint64 n)
{
    // MSG_NOSIGNAL: a helper that died must not take the program with it by SIGPIPE.
    return moved(::send(fd, data, static_cast<size_t>(n), MSG_NOSIGNAL));
}

qint64 ReceiveSome(int fd, char *data, qint64 n)
{
    return moved(::recv(fd, data, static_cast<size_t>(n), 0));
}

bool WaitReady(int fd, bool wantWrite, int ms, bool *readable, bool *writable)
{
    pollfd p = {fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0};
    const int n = ::poll(&p, 1, ms);
    *readable = n > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR));
    *writable = n > 0 && (p.revents & POLLOUT);
    return n >= 0 || errno == EINTR;
}

void CutConnection(int fd)
{
    ::shutdown(fd, SHUT_RDWR);
}
