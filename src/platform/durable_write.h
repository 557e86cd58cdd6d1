#pragma once
// Making what was written to an open file survive a power cut.

// Waits until the file's content has reached the disk; false when the system says it did not.
bool SyncToDisk(int fd);
