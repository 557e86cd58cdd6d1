#pragma once
// The test process's own memory, as the kernel counts it: for bounds on what an input may make
// the program allocate.
#include <QByteArray>
#include <QFile>

// Peak resident size since the start or the last ResetPeakResident(), in MB; -1 if unknown.
inline qint64 PeakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024;
    return -1;
}

// Starts the peak over from the present size.
inline bool ResetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// A bound on memory in MB, as it holds in a normal build. Under AddressSanitizer every block
// carries red zones and freed blocks wait in quarantine (held to 32 MB for the tests, see
// tests/CMakeLists.txt), so the same program holds up to about twice as much: the bound doubles
// there, and stays exact everywhere else.
constexpr qint64 MemoryBoundMb(qint64 mb)
{
#if defined(__SANITIZE_ADDRESS__)
    return 2 * mb;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return 2 * mb;
#else
    return mb;
#endif
#else
    return mb;
#endif
}

// A bound on time in ms, as it holds in a normal build; the address sanitizer makes the same
// work several times slower, and the bound grows with it there.
constexpr qint64 TimeBoundMs(qint64 ms)
{
    return MemoryBoundMb(ms) == ms ? ms : 3 * ms;
}
