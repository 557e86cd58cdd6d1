#pragma once
#include "link/channel.h"
#include "link/serial_settings.h"

#include <QSerialPort>

// Serial data channel over QSerialPort; any device path is accepted (pseudo-terminals too).
class SerialChannel : public Channel {
    Q_OBJECT
public:
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

private:
    QSerialPort m_port;
    QString m_error;
    bool m_fatal = false;
};
