#pragma once
#include "link/channel.h"

#include <QTcpSocket>
#include <QCoreApplication>
#include <QTimer>

// TCP maintenance-port channel: sends the access text first on every connection. A connection
// attempt ends after kConnectTimeoutMs; a peer gone silently (cable, NAT, power) is found by TCP
// keep-alive probes within about half a minute. The bytes a peer sent before it closed stay
// readable (takeAvailable) after the channel has gone inactive, until they are taken.
class TcpChannel : public Channel {
    Q_OBJECT
public:
    static constexpr quint16 kMaintenancePort = 8888;
    static constexpr const char *kAccessText = "740319";
    static constexpr int kConnectTimeoutMs = 10000;
    // Keep-alive: first probe after this much silence, then every kKeepAliveIntervalS, given up
    // after kKeepAliveProbes unanswered probes (or unacknowledged data for kUserTimeoutMs).
    static constexpr int kKeepAliveIdleS = 10;
    static constexpr int kKeepAliveIntervalS = 5;
    static constexpr int kKeepAliveProbes = 3;
    static constexpr int kUserTimeoutMs = 30000;

    explicit TcpChannel(QObject *parent = nullptr);
    ~TcpChannel() override;

    // "host" or "host:port" (extension: a port overrides 8888). Does nothing while active.
    void connectTo(const QString &address);
    void disconnectFromHost();
    // Connected or connecting.
    bool isActive() const;
    // Connects and waits (local event loop) until connected, refused or `timeoutMs` passed.
    // Returns empty on success, else the reason ("no answer in time" when nothing came back).
    QString connectAndWait(const QString &host, int timeoutMs);
    bool isConnected() const { return m_phase == Phase::Connected; }
    // Counts connections made.
    quint64 generation() const { return m_generation; }
    // Test seam: a shorter bound for a connection attempt.
    void setConnectTimeout(int ms) { m_connectTimer.setInterval(ms); }
    // The socket's descriptor while connected (its options, for tests); -1 otherwise.
    qintptr socketDescriptor() const { return m_socket.socketDescriptor(); }
    bool isOpen() const override { return isActive(); }
    void close() override { disconnectFromHost(); }
    // Fails with NotConnectedText() while the connection is still being made.
    bool write(const QByteArray &bytes) override;
    QByteArray takeAvailable(qint64 maxBytes = -1) override;
    qint64 bytesAvailable() const override;
    QString errorString() const override { return m_error; }

    static void SplitAddress(const QString &address, QString *host, quint16 *port);
    static QString NotConnectedText() { return QCoreApplication::translate("LinkTexts", "TCP连接尚未建立"); }

signals:
    void connecting();   // "TCP维护端口连接中..."
    void connected();    // access text already sent: "TCP维护端口连接成功"
    void disconnected(); // also a failed attempt: "TCP维护端口连接失败"

private:
    enum class Phase { Idle, Connecting, Connected };
    void onConnected();
    void onStateChanged(QAbstractSocket::SocketState state);
    void onConnectTimeout();
    void keepLeftovers();
    void enableKeepAlive();

    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QByteArray m_leftover;  // read from a connection that has closed, not yet taken
    QString m_error;
    Phase m_phase = Phase::Idle;
    quint64 m_generation = 0;
};
