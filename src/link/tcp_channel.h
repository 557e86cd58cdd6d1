#pragma once
#include "link/channel.h"

#include <QTcpSocket>
#include <QCoreApplication>

// TCP maintenance-port channel: sends the access text first on every connection.
class TcpChannel : public Channel {
    Q_OBJECT
public:
    static constexpr quint16 kMaintenancePort = 8888;
    static constexpr const char *kAccessText = "740319";

    explicit TcpChannel(QObject *parent = nullptr);

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

    QTcpSocket m_socket;
    QString m_error;
    Phase m_phase = Phase::Idle;
    quint64 m_generation = 0;
};
