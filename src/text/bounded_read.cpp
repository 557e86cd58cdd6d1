#include "text/bounded_read.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kFifoWriterWaitMs = 5000;
} // namespace

bool OpenForBoundedRead(QFile &f, QString *error)
{
    // Without O_NONBLOCK, opening a FIFO waits until a writer opens it, for ever if none does.
    // Once open, reads block again as usual: a pipe is read to its writer's end.
    const int fd = ::open(QFile::encodeName(f.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = qt_error_string(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        if (error)
            *error = qt_error_string(EISDIR);
        ::close(fd);
        return false;
    }
    // A FIFO's writer may come a moment after us; one that never comes ends the wait.
    if (S_ISFIFO(st.st_mode)) {
        pollfd p{fd, POLLIN, 0};
        int n;
        do
            n = ::poll(&p, 1, kFifoWriterWaitMs);
        while (n < 0 && errno == EINTR);
        if (n == 0) {
            if (error)
                *error = QCoreApplication::translate("BoundedRead", "%1 秒内没有程序写入这个管道").arg(kFifoWriterWaitMs / 1000);
            ::close(fd);
            return false;
        }
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0 ||
        !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (error)
            *error = qt_error_string(errno);
        ::close(fd);
        return false;
    }
    return true;
}

BoundedRead ReadBounded(QFile &f, qint64 maxBytes, QByteArray *bytes)
{
    if (!f.isSequential() && f.size() > maxBytes)
        return BoundedRead::TooLarge;
    constexpr qint64 kChunk = 64 * 1024;
    for (;;) {
        const qint64 room = maxBytes + 1 - bytes->size();
        if (room <= 0)
            return BoundedRead::TooLarge;
        const QByteArray chunk = f.read(std::min(kChunk, room));
        // A read from a pipe blocks until bytes or its end arrive: empty means the end.
        if (chunk.isEmpty())
            return f.error() == QFileDevice::NoError ? BoundedRead::Ok : BoundedRead::Failed;
        bytes->append(chunk);
    }
}

BoundedRead ReadFileBounded(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *error)
{
    QFile f(path);
    if (!OpenForBoundedRead(f, error))
        return BoundedRead::Failed;
    const BoundedRead r = ReadBounded(f, maxBytes, bytes);
    if (r == BoundedRead::Failed && error)
        *error = f.errorString();
    return r;
}

QString ShortenedMessage(const QString &text, int maxChars)
{
    if (text.size() <= maxChars)
        return text;
    return text.left(maxChars) + QStringLiteral("…");
}
