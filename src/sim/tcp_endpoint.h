#pragma once
// The device's maintenance port on 127.0.0.1: every connection must send the access text
// first; what comes before it is discarded, what follows is served like the serial line.
#include <QObject>
#include <QTcpServer>

class QTcpSocket;
class Session;
struct SimContext;

class TcpEndpoint : public QObject {
    Q_OBJECT
public:
    TcpEndpoint(SimContext ctx, QObject *parent = nullptr);
    ~TcpEndpoint() override;
    bool listen(quint16 port, QString &error);
    quint16 port() const { return m_port; }
    // Drops every client and stops listening; listens again on the same port after `pauseMs`.
    void vanish(int pauseMs);

    static constexpr char kAccessText[] = "740319";

private:
    void onNewConnection();

    SimContext *m_ctx;
    QTcpServer m_server;
    quint16 m_port = 0;
    bool m_away = false;
};

// One accepted connection, gated by the access text.
class TcpConnection : public QObject {
    Q_OBJECT
public:
    TcpConnection(QTcpSocket *socket, SimContext ctx, QObject *parent = nullptr);
    void drop();

signals:
    void vanishDue();

private:
    void onReadyRead();

    QTcpSocket *m_socket;
    Session *m_session;
    QByteArray m_gate;
    bool m_open = false;
};
