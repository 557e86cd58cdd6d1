#include "link/tcp_channel.h"

#include <QTimer>

#include <QEventLoop>

TcpChannel::TcpChannel(QObject *parent) : Channel(parent), m_socket(this)
{
    connect(&m_socket, &QTcpSocket::connected, this, &TcpChannel::onConnected);
    connect(&m_socket, &QTcpSocket::stateChanged, this, &TcpChannel::onStateChanged);
    connect(&m_socket, &QTcpSocket::readyRead, this, &Channel::dataArrived);
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { m_error = m_socket.errorString(); });
}

void TcpChannel::SplitAddress(const QString &address, QString *host, quint16 *port)
{
    const QString text = address.trimmed();
    *host = text;
    *port = kMaintenancePort;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return;
    bool ok = false;
    const uint value = text.mid(colon + 1).toUInt(&ok);
    if (ok && value > 0 && value <= 65535) {
        *host = text.left(colon);
        *port = static_cast<quint16>(value);
    }
}

void TcpChannel::connectTo(const QString &address)
{
    if (isActive())
        return;
    // A connection still closing from an earlier "断开" must not hold up the new one.
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
    QString host;
    quint16 port = kMaintenancePort;
    SplitAddress(address, &host, &port);
    m_error.clear();
    m_phase = Phase::Connecting;
    emit connecting();
    m_socket.connectToHost(host, port);
}

void TcpChannel::disconnectFromHost()
{
    if (!isActive())
        return;
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
    if (m_socket.bytesAvailable() <= 0)
        return {};
    return maxBytes < 0 ? m_socket.readAll() : m_socket.read(maxBytes);
}

qint64 TcpChannel::bytesAvailable() const
{
    return m_socket.bytesAvailable();
}

void TcpChannel::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
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
