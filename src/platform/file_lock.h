#pragma once
// Advisory locks that tell one writer of a file from the others: a writer holds a shared lock
// on the file it writes for as long as it writes it.
#include <QString>

// Takes a shared lock on the open file `fd`, without waiting; false when it cannot.
bool HoldSharedLock(int fd);

// Whether some process holds a lock on the file at `path` (false when it cannot be opened).
bool LockedByAWriter(const QString &path);
