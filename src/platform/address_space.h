#pragma once
// The process's address space: its size, a limit on it, and whether the limit has been reached.
#include <QtGlobal>

// Size of the address space of this process in bytes; 0 when it cannot be read.
qint64 AddressSpaceBytes();

// Caps this process's address space at its present size plus `extraBytes`, so an allocation
// past that fails instead of growing. False when the cap cannot be set, or cannot work in this
// build (the address sanitizer reserves terabytes of address space up front).
bool LimitAddressSpace(qint64 extraBytes);

// Whether a fresh block of a few megabytes can no longer be mapped: the cap has been reached.
// Async-signal-safe, for a fatal-signal handler telling exhaustion from a crash.
bool AddressSpaceExhausted();

// Whether LimitAddressSpace can work in this build.
bool AddressSpaceLimitWorks();
