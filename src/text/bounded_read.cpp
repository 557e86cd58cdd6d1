#include "text/bounded_read.h"

#include <QFile>

#include <algorithm>

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
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return BoundedRead::Failed;
    }
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
