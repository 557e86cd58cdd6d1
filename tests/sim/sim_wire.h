#pragma once
// Test-side ends of the simulator's lines: a raw pseudo-terminal opened by path and a
// loopback TCP client. Both gather a reply until it holds a whole frame or goes quiet.
#include "protocol/frame.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

// True when `b` holds AA 55 followed by as many bytes as its LEN announces.
inline bool HoldsWholeFrame(const QByteArray &b)
{
    const int at = b.indexOf(QByteArray("\xAA\x55", 2));
    if (at < 0 || b.size() < at + 4)
        return false;
    const int len = static_cast<uint8_t>(b[at + 2]) * 256 + static_cast<uint8_t>(b[at + 3]);
    return b.size() >= at + len + 4;
}

class Wire {
public:
    virtual ~Wire() = default;
    virtual bool send(const QByteArray &bytes) = 0;
    // Waits up to `ms` for bytes; returns what came (empty on time-out), nullopt-like error via `ok`.
    virtual QByteArray readSome(int ms, bool *alive = nullptr) = 0;

    // Gathers until a whole frame is there, or `quietMs` pass without bytes after the first,
    // or nothing at all arrives within `firstMs`.
    QByteArray collect(int firstMs = 3000, int quietMs = 250)
    {
        QByteArray got = readSome(firstMs);
        while (!got.isEmpty() && !HoldsWholeFrame(got)) {
            const QByteArray more = readSome(quietMs);
            if (more.isEmpty())
                break;
            got += more;
        }
        return got;
    }
    // Everything arriving until the line has been quiet for `quietMs`.
    QByteArray drain(int firstMs, int quietMs = 250)
    {
        QByteArray got = readSome(firstMs);
        while (!got.isEmpty()) {
            const QByteArray more = readSome(quietMs);
            if (more.isEmpty())
                break;
            got += more;
        }
        return got;
    }
    QByteArray exchange(const QByteArray &request, int firstMs = 3000)
    {
        send(request);
        return collect(firstMs);
    }
    QByteArray exchange(uint16_t cmd, const QByteArray &payload = QByteArray(), const QByteArray &prefix = QByteArray())
    {
        return exchange(frame::Build(prefix, cmd, payload));
    }
};

class PtyWire : public Wire {
public:
    ~PtyWire() override { close(); }
    bool open(const QString &path)
    {
        close();
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        struct termios t;
        if (tcgetattr(m_fd, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(m_fd, TCSANOW, &t);
        }
        return true;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool send(const QByteArray &bytes) override
    {
        int done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0)
                done += static_cast<int>(n);
            else if (n < 0 && errno == EAGAIN)
                QThread::msleep(1);
            else
                return false;
        }
        return true;
    }
    QByteArray readSome(int ms, bool *alive = nullptr) override
    {
        if (alive)
            *alive = true;
        struct pollfd p = {m_fd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0)
            return QByteArray();
        char buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n <= 0) {
            if (alive && (n == 0 || errno != EAGAIN))
                *alive = false;
            return QByteArray();
        }
        return QByteArray(buf, static_cast<int>(n));
    }

private:
    int m_fd = -1;
};

class TcpWire : public Wire {
public:
    bool connectTo(quint16 port, bool sendAccess = true)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!m_socket.waitForConnected(3000))
            return false;
        return !sendAccess || send(QByteArray("740319"));
    }
    bool send(const QByteArray &bytes) override
    {
        m_socket.write(bytes);
        return m_socket.waitForBytesWritten(3000);
    }
    QByteArray readSome(int ms, bool *alive = nullptr) override
    {
        if (m_socket.bytesAvailable() == 0)
            m_socket.waitForReadyRead(ms);
        if (alive)
            *alive = m_socket.state() == QAbstractSocket::ConnectedState;
        return m_socket.readAll();
    }
    QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
};

} // namespace simtest
