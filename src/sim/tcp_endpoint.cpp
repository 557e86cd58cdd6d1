#include "sim/tcp_endpoint.h"
#include "sim/session.h"

#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

TcpEndpoint::TcpEndpoint(SimContext ctx, QObject *parent) : QObject(parent), m_ctx(new SimContext(ctx))
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpEndpoint::onNewConnection);
}

TcpEndpoint::~TcpEndpoint()
{
    delete m_ctx;
}

bool TcpEndpoint::listen(quint16 port, QString &error)
{
    // Loopback only: the simulator is a test device, never a network service.
    if (!m_server.listen(QHostAddress::LocalHost, port)) {
        error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(m_server.errorString());
        return false;
    }
    m_port = m_server.serverPort();
    return true;
}

void TcpEndpoint::vanish(int pauseMs)
{
    if (m_away || !m_server.isListening())
        return;
    m_away = true;
    m_server.close();
    const auto connections = findChildren<TcpConnection *>(QString(), Qt::FindDirectChildrenOnly);
    for (TcpConnection *c : connections)
        c->drop();
    QTimer::singleShot(pauseMs, this, [this] {
        m_away = false;
        if (!m_server.listen(QHostAddress::LocalHost, m_port))
            std::fprintf(stderr, "dtusim: cannot listen again on %u: %s\n", m_port,
                         m_server.errorString().toLocal8Bit().constData());
    });
}

void TcpEndpoint::onNewConnection()
{
    while (QTcpSocket *s = m_server.nextPendingConnection())
    {
        auto *c = new TcpConnection(s, *m_ctx, this);
        connect(c, &TcpConnection::vanishDue, this, [this] { vanish(m_ctx->options.vanishPauseMs); });
    }
}

TcpConnection::TcpConnection(QTcpSocket *socket, SimContext ctx, QObject *parent)
    : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_session = new Session(
        ctx, [this](const QByteArray &b) { m_socket->write(b); }, [this] { return m_socket->bytesToWrite(); }, true, this);
    connect(m_session, &Session::hangupDue, this, [this] {
        m_socket->flush();
        m_socket->disconnectFromHost();
    });
    connect(m_session, &Session::vanishDue, this, [this] {
        m_socket->flush();
        emit vanishDue();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &TcpConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
}

void TcpConnection::onReadyRead()
{
    QByteArray got = m_socket->readAll();
    if (!m_open) {
        m_gate.append(got);
        const QByteArray access(TcpEndpoint::kAccessText);
        const int at = m_gate.indexOf(access);
        if (at < 0) {
            // Keep only a tail that could still begin the access text.
            m_gate = m_gate.right(access.size() - 1);
            return;
        }
        got = m_gate.mid(at + access.size());
        m_gate.clear();
        m_open = true;
        m_session->startStream();
    }
    if (!got.isEmpty())
        m_session->receive(got);
}

void TcpConnection::drop()
{
    // Closed from this end after what was written has gone out (a reset would make the
    // tool's side discard a reply it has not read yet).
    m_socket->disconnectFromHost();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}
