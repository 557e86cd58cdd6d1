#pragma once
// Reading and writing the socket between the program and a helper it started.
#include <QtGlobal>
#include <cstddef>

// Blocking: all `n` bytes, or false when the peer has gone. WriteAll is async-signal-safe.
bool ReadExactly(int fd, char *data, size_t n);
bool WriteAll(int fd, const char *data, size_t n);

// Non-blocking socket: the bytes moved, 0 when it would block, -1 when the peer has gone.
qint64 SendSome(int fd, const char *data, qint64 n);
qint64 ReceiveSome(int fd, char *data, qint64 n);

// Ends both directions of a connection at once: a read or write blocked on it in another
// thread returns. The descriptor stays open (its owner closes it).
void CutConnection(int fd);
// Waits up to `ms` for the socket to become readable (or closed), or writable when `wantWrite`.
// False when waiting itself failed.
bool WaitReady(int fd, bool wantWrite, int ms, bool *readable, bool *writable);
