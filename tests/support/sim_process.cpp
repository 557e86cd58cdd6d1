#include "support/sim_process.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFileInfo>
#include <QtGlobal>
#include <algorithm>
#include <csignal>
#include <sys/types.h>

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::executable()
{
    QString dir = qEnvironmentVariable("DTU_BIN_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(DTU_BINARY_DIR "/src");
    return dir + QStringLiteral("/dtusim");
}

bool SimProcess::start(const QStringList &args, int timeoutMs)
{
    stop();
    m_ptyPath.clear();
    m_tcpPort = 0;
    m_error.clear();
    const QString exe = executable();
    if (!QFileInfo(exe).isExecutable()) {
        m_error = QStringLiteral("no simulator at ") + exe;
        return false;
    }
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(exe, args);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start ") + exe + QStringLiteral(": ") + m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    QByteArray pending;
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PTY ")))
                m_ptyPath = line.mid(4);
            else if (line.startsWith(QLatin1String("TCP ")))
                m_tcpPort = static_cast<quint16>(line.mid(4).toUInt());
            else if (line == QLatin1String("READY"))
                return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
        m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
    m_process.waitForFinished(200);
    m_error = QStringLiteral("simulator not ready: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
    stop();
    return false;
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(1000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool SimProcess::signal(int sig)
{
    const qint64 pid = m_process.processId();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), sig) == 0;
}

QString SimProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            if (line.startsWith(prefix))
                return line;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return {};
        // The caller's own objects (timers, sockets) keep running meanwhile.
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, 50)), &loop, &QEventLoop::quit);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool SimProcess::waitForExit(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    return m_process.waitForFinished(timeoutMs);
}
