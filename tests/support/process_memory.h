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
