#include "platform/input_file.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

InputOpen OpenInputFile(const QByteArray &path, int fifoWriterWaitMs, int *fd, int *systemError)
{
    *fd = -1;
    // Without O_NONBLOCK, opening a FIFO waits until a writer opens it, for ever if none does.
    // Once open, reads block again as usual: a pipe is read to its writer's end.
    const int f = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (f < 0) {
        *systemError = errno;
        return InputOpen::Failed;
    }
    InputOpen refused = InputOpen::Ok;
    struct stat st {};
    if (::fstat(f, &st) == 0 && S_ISDIR(st.st_mode)) {
        refused = InputOpen::Folder;
    } else if (S_ISCHR(st.st_mode)) {
        // A device is read only when it answers at once, as /dev/zero does.
        pollfd p{f, POLLIN, 0};
        if (::isatty(f) || ::poll(&p, 1, 0) <= 0)
            refused = InputOpen::Device;
    } else if (S_ISFIFO(st.st_mode)) {
        // A FIFO's writer may come a moment after us; one that never comes ends the wait.
        pollfd p{f, POLLIN, 0};
        int n;
        do
            n = ::poll(&p, 1, fifoWriterWaitMs);
        while (n < 0 && errno == EINTR);
        if (n == 0)
            refused = InputOpen::NoWriter;
    }
    if (refused != InputOpen::Ok) {
        ::close(f);
        return refused;
    }
    const int flags = ::fcntl(f, F_GETFL);
    if (flags < 0 || ::fcntl(f, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        *systemError = errno;
        ::close(f);
        return InputOpen::Failed;
    }
    *fd = f;
    return InputOpen::Ok;
}

void CloseInputFile(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

bool IsFifo(const QByteArray &path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

bool IsCharacterDevice(const QByteArray &path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISCHR(st.st_mode);
}
