#include "sim/frame_log.h"
#include "text/hex.h"

bool FrameLog::open(const QString &path, QString &error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        error = QStringLiteral("cannot open log %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

void FrameLog::append(const QByteArray &frame)
{
    if (!m_file.isOpen())
        return;
    m_file.write(HexDump(frame).trimmed().toLatin1() + '\n');
    m_file.flush();
}
