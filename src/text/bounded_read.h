#pragma once
// Reading a file, a pipe or a device named by the user with a bound on what is taken: a size
// check alone misses pipes, FIFOs and /dev/zero, which have no size until they are read.
#include <QByteArray>
#include <QString>

class QFile;

enum class BoundedRead { Ok, TooLarge, Failed };

// Opens `f` (its file name set) for reading; a FIFO nobody writes to within a few seconds is
// refused instead of holding the caller for ever, and so are a terminal, a device with nothing
// to read at once, and a folder. `error` is the
// reason when it cannot be opened.
bool OpenForBoundedRead(QFile &f, QString *error = nullptr);

// Reads `f` (opened for reading) to its end, stopping one byte past `maxBytes`. `bytes` holds
// what was read; TooLarge when the bound was passed, Failed on a read error.
BoundedRead ReadBounded(QFile &f, qint64 maxBytes, QByteArray *bytes);

// Opens `path` and reads it as above; `error` is the system's reason when it cannot be opened
// or read (the caller names the file and the bound in its own words).
BoundedRead ReadFileBounded(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *error = nullptr);

// A message from a parser or the system, cut to a length a dialog or a log line can show.
QString ShortenedMessage(const QString &text, int maxChars = 300);
