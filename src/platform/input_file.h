#pragma once
// Opening a file the user named for reading, without waiting for ever: a FIFO nobody writes
// to, a terminal nobody types into, a device with nothing to give.
#include <QByteArray>

enum class InputOpen { Ok, Failed, Folder, NoWriter, Device };

// Opens `path` read-only. A FIFO waits up to `fifoWriterWaitMs` for its writer (NoWriter);
// a terminal, or a device with nothing to read at once, is refused (Device), as is a folder.
// On Ok `*fd` is an open, blocking descriptor; on Failed `*systemError` is errno.
InputOpen OpenInputFile(const QByteArray &path, int fifoWriterWaitMs, int *fd, int *systemError);

// Closes a descriptor OpenInputFile gave that nobody took over.
void CloseInputFile(int fd);

// Whether `path` names a FIFO.
bool IsFifo(const QByteArray &path);
// Whether `path` names (or links to) a character device, such as a serial port.
bool IsCharacterDevice(const QByteArray &path);
