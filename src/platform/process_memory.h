#pragma once
// Memory of a process as the kernel counts it.
#include <QtGlobal>
#include <sys/types.h>

// Resident size of process `pid` (0: this process) in bytes; 0 when it cannot be read.
qint64 ResidentBytes(pid_t pid = 0);

// Peak resident size of process `pid` (0: this process) in bytes; 0 when it cannot be read.
qint64 PeakResidentBytes(pid_t pid = 0);
