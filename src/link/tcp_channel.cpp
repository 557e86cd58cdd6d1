#include "link/tcp_channel.h"

#include <QEventLoop>
#include <QTimer>

#ifdef Q_OS_LINUX
#include "platform/tcp_keepalive.h"
#endif

TcpChannel::TcpChannel(QObject *parent) : Channel(parent), m_socket(this), m_connectTimer(this)
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &TcpChannel::onConnectTimeout);
    connect(&m_socket, &QTcpSocket::connected, this, &TcpChannel::onConnected);
    connect(&m_socket, &QTcpSocket::stateChanged, this, &TcpChannel::onStateChanged);
    connect(&m_socket, &QTcpSocket::readyRead, this, &Channel::dataArrived);
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { m_error = m_socket.errorString(); });
}

TcpChannel::~TcpChannel()
{
    // The socket closes in its own destructor, after the timer is gone; its last state change
    // must not reach this half-destroyed channel.
    disconnect(&m_socket, nullptr, this, nullptr);
}

void TcpChannel::SplitAddress(const QString &address, QString *host, quint16 *port)
{
    const QString text = address.trimmed();
    *host = text;
    *port = kMaintenancePort;
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        // An IPv6 address in brackets, a port after them or not: "[::1]:8888", "[::1]".
        const int close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return;
        *host = text.mid(1, close - 1);
        if (text.mid(close + 1).startsWith(QLatin1Char(':')))
            portText = text.mid(close + 2);
    } else {
        const int colon = text.lastIndexOf(QLatin1Char(':'));
        // More than one colon without brackets is an IPv6 address alone ("::1"), never a port.
        if (colon <= 0 || text.indexOf(QLatin1Char(':')) != colon)
            return;
        portText = text.mid(colon + 1);
        bool ok = false;
        const uint value = portText.toUInt(&ok);
        if (!ok || value == 0 || value > 65535)
            return;
        *host = text.left(colon);
    }
    bool ok = false;
    const uint value = portText.toUInt(&ok);
    if (ok && value > 0 && value <= 65535)
        *port = static_cast<quint16>(value);
}

void TcpChannel::connectTo(const QString &address)
{
    if (isActive())
        return;
    // A connection still closing from an earlier "断开" must not hold up the new one; what it
    // brought last is still to be read.
    keepLeftovers();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
    QString host;
    quint16 port = kMaintenancePort;
    SplitAddress(address, &host, &port);
    m_error.clear();
    m_phase = Phase::Connecting;
    emit connecting();
    m_connectTimer.start();
    m_socket.connectToHost(host, port);
}

void TcpChannel::onConnectTimeout()
{
    if (m_phase != Phase::Connecting)
        return;
    // Without a bound the system tries for about two minutes; the retry schedule needs an end.
    const QString why = QStringLiteral("no connection within %1 s").arg(m_connectTimer.interval() / 1000.0);
    m_error = why;  // before the abort: its disconnect is reported with the reason
    m_socket.abort();
    m_error = why;
    if (m_phase != Phase::Idle) {
        m_phase = Phase::Idle;
        emit disconnected();
    }
}

void TcpChannel::keepLeftovers()
{
    if (m_socket.bytesAvailable() > 0)
        m_leftover += m_socket.readAll();
}

void TcpChannel::enableKeepAlive()
{
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    // The system's own keep-alive starts after two hours of silence: far too late for a field link.
    SetTcpKeepAliveTiming(m_socket.socketDescriptor(), kKeepAliveIdleS, kKeepAliveIntervalS, kKeepAliveProbes,
                          kUserTimeoutMs);
}

void TcpChannel::disconnectFromHost()
{
    if (!isActive())
        return;
    m_connectTimer.stop();
    m_socket.disconnectFromHost();
    // Still closing (unsent bytes): the channel counts as inactive from now on.
    if (m_phase != Phase::Idle) {
        m_phase = Phase::Idle;
        emit disconnected();
    }
}

bool TcpChannel::isActive() const
{
    return m_phase != Phase::Idle;
}

bool TcpChannel::write(const QByteArray &bytes)
{
    if (m_phase != Phase::Connected) {
        m_error = NotConnectedText();
        return false;
    }
    if (m_socket.write(bytes) != bytes.size()) {
        m_error = m_socket.errorString();
        return false;
    }
    m_socket.flush();
    return true;
}

QByteArray TcpChannel::takeAvailable(qint64 maxBytes)
{
    QByteArray out = Channel::takeFront(m_leftover, maxBytes);
    const qint64 room = maxBytes < 0 ? -1 : maxBytes - out.size();
    if (m_socket.bytesAvailable() > 0 && room != 0)
        out += room < 0 ? m_socket.readAll() : m_socket.read(room);
    return out;
}

qint64 TcpChannel::bytesAvailable() const
{
    return m_leftover.size() + m_socket.bytesAvailable();
}

void TcpChannel::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    m_connectTimer.stop();
    enableKeepAlive();
    // The device ignores everything until it has seen the access text.
    m_socket.write(QByteArray(kAccessText));
    m_socket.flush();
    m_phase = Phase::Connected;
    ++m_generation;
    emit connected();
}

void TcpChannel::onStateChanged(QAbstractSocket::SocketState state)
{
    if (state != QAbstractSocket::UnconnectedState && state != QAbstractSocket::ClosingState)
        return;
    if (m_phase == Phase::Idle)
        return;
    m_connectTimer.stop();
    // The peer's last bytes, read before the socket lets them go.
    keepLeftovers();
    m_phase = Phase::Idle;
    emit disconnected();
}

QString TcpChannel::connectAndWait(const QString &host, int timeoutMs)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(this, &TcpChannel::connected, &loop, &QEventLoop::quit);
    QObject::connect(this, &TcpChannel::disconnected, &loop, &QEventLoop::quit);
    connectTo(host);
    if (isActive() && !isConnected()) {
        deadline.start(timeoutMs);
        loop.exec();
    }
    if (isConnected())
        return QString();
    const QString why = errorString();
    disconnectFromHost();
    return why.isEmpty() ? QStringLiteral("no answer in time") : why;
}
