#pragma once
#include "link/channel.h"
#include "link/serial_settings.h"

#include <QSerialPort>
#include <QCoreApplication>

// Serial data channel over QSerialPort; any device path is accepted (pseudo-terminals too).
class SerialChannel : public Channel {
    Q_OBJECT
public:
    // Time a write may take beyond the line time of its bytes (driver and scheduling delays).
    static constexpr int kWriteMarginMs = 2000;

    explicit SerialChannel(QObject *parent = nullptr);

    // Applies every setting, then opens. A refused RTS is not a failure.
    bool open(const SerialSettings &settings);
    bool isOpen() const override;
    void close() override;
    // Waits until the bytes are handed to the driver, with the event loop running, for their
    // line time plus a margin. A time-out discards what is still queued, so nothing reported
    // as failed goes out afterwards.
    bool write(const QByteArray &bytes) override;
    // Ends a running write at once (the window is closing); its output is discarded.
    void abortWrite();
    QByteArray takeAvailable(qint64 maxBytes = -1) override;
    qint64 bytesAvailable() const override;
    QString errorString() const override { return m_error; }
    bool hasFatalError() const override { return m_fatal; }
    QSerialPort &port() { return m_port; }
    // Counts successful opens: a reply wait that sees it change knows its port is gone.
    quint64 opens() const { return m_opens; }

    static QString WriteTimeoutText() { return QCoreApplication::translate("LinkTexts", "串口写入超时"); }
    static QString WriteAbortedText() { return QCoreApplication::translate("LinkTexts", "串口写入已中止"); }

    // Milliseconds allowed for `bytes` at `baudRate` with `bitsPerChar` bits on the line per
    // character (start, data, parity and stop bits): the line time, a quarter more, and the margin.
    static qint64 WriteAllowanceMs(qint64 bytes, qint32 baudRate, int bitsPerChar);

private:
    void onError(QSerialPort::SerialPortError error);
    // Closes the port after the device vanished and reports it once.
    void dropLostPort(quint64 generation);
    // Runs the event loop until something is written, the port closes, a write is aborted or
    // `ms` pass.
    void waitForOutput(qint64 ms);
    // Throws away what is queued for output, in the port and in the driver.
    void discardOutput();
    int bitsPerCharacter() const;

    QSerialPort m_port;
    quint64 m_generation = 0;
    quint64 m_opens = 0;
    QByteArray m_leftover;  // read from a port that failed, not yet taken
    QString m_error;
    bool m_fatal = false;
    quint64 m_discards = 0;  // counts discarded output, so a write whose bytes went with it fails
    quint64 m_aborts = 0;

signals:
    void writeAborted();
};
