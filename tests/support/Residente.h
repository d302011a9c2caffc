#pragma once
// The process's resident memory, as the kernel counts it (mapped files included).
#include <QByteArray>
#include <QFile>

namespace kv8test {

// Resident memory in kB; -1 without /proc.
inline long ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace kv8test
