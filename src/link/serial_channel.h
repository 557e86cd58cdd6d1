#pragma once
#include "link/channel.h"
#include "link/serial_settings.h"

#include <QSerialPort>

// Serial data channel over QSerialPort; any device path is accepted (pseudo-terminals too).
class SerialChannel : public Channel {
    Q_OBJECT
public:
    static constexpr int kWriteTimeoutMs = 5000;

    explicit SerialChannel(QObject *parent = nullptr);

    // Applies every setting, then opens. A refused RTS is not a failure.
    bool open(const SerialSettings &settings);
    bool isOpen() const override;
    void close() override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeAvailable() override;
    qint64 bytesAvailable() const override;
    QString errorString() const override { return m_error; }
    bool hasFatalError() const override { return m_fatal; }
    QSerialPort &port() { return m_port; }
    // Counts successful opens: a reply wait that sees it change knows its port is gone.
    quint64 opens() const { return m_opens; }

    static QString WriteTimeoutText() { return QStringLiteral("串口写入超时"); }

private:
    void onError(QSerialPort::SerialPortError error);
    // Closes the port after the device vanished and reports it once.
    void dropLostPort(quint64 generation);

    QSerialPort m_port;
    quint64 m_generation = 0;
    quint64 m_opens = 0;  // counts opens, so a late loss report never closes a newer port
    QString m_error;
    bool m_fatal = false;
};
