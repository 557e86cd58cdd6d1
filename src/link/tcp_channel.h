#pragma once
#include "link/channel.h"

#include <QTcpSocket>

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
    bool isOpen() const override { return isActive(); }
    void close() override { disconnectFromHost(); }
    bool write(const QByteArray &bytes) override;
    QByteArray takeAvailable() override;
    qint64 bytesAvailable() const override;
    QString errorString() const override { return m_error; }

    static void SplitAddress(const QString &address, QString *host, quint16 *port);

signals:
    void connecting();   // "TCP维护端口连接中..."
    void connected();    // access text already sent: "TCP维护端口连接成功"
    void disconnected(); // also a failed attempt: "TCP维护端口连接失败"

private:
    QTcpSocket m_socket;
    QString m_error;
};
