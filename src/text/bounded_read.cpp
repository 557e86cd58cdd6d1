#include "text/bounded_read.h"

#include <QCoreApplication>
#include <QFile>

#include "platform/input_file.h"

#include <algorithm>
#include <cerrno>

namespace {
constexpr int kFifoWriterWaitMs = 5000;
} // namespace

bool OpenForBoundedRead(QFile &f, QString *error)
{
    int fd = -1, systemError = 0;
    QString why;
    switch (OpenInputFile(QFile::encodeName(f.fileName()), kFifoWriterWaitMs, &fd, &systemError)) {
    case InputOpen::Ok:
        if (f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return true;
        why = f.errorString();
        CloseInputFile(fd);
        break;
    case InputOpen::Failed:
        why = qt_error_string(systemError);
        break;
    case InputOpen::Folder:
        why = qt_error_string(EISDIR);
        break;
    case InputOpen::NoWriter:
        why = QCoreApplication::translate("BoundedRead", "%1 秒内没有程序写入这个管道").arg(kFifoWriterWaitMs / 1000);
        break;
    case InputOpen::Device:
        why = QCoreApplication::translate("BoundedRead", "这是一个设备，不是文件，读取它会一直等待");
        break;
    }
    if (error)
        *error = why;
    return false;
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
