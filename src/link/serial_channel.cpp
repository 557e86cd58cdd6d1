#include "link/serial_channel.h"

#include "link/data_link.h"

#include <QDeadlineTimer>

SerialChannel::SerialChannel(QObject *parent) : Channel(parent), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Channel::dataArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialChannel::onError);
}

bool SerialChannel::open(const SerialSettings &settings)
{
    if (m_port.isOpen())
        m_port.close();
    m_fatal = false;
    m_error.clear();
    ++m_generation;

    // Everything is set before opening so the port comes up in its final configuration.
    m_port.setPortName(settings.portName);
    m_port.setBaudRate(settings.baudRate);
    m_port.setDataBits(settings.dataBits);
    m_port.setParity(settings.parity);
    m_port.setStopBits(settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = m_port.errorString();
        m_port.clearError();
        return false;
    }
    ++m_opens;
    // The device expects RTS asserted; pseudo-terminals have no modem lines and refuse it.
    m_port.setRequestToSend(true);
    m_port.clearError();
    return true;
}

bool SerialChannel::isOpen() const
{
    return m_port.isOpen();
}

void SerialChannel::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialChannel::write(const QByteArray &bytes)
{
    if (!m_port.isOpen()) {
        m_error = DataLink::NotOpenedText();
        return false;
    }
    if (bytes.isEmpty())
        return true;
    if (m_port.write(bytes) != bytes.size()) {
        m_error = m_port.errorString();
        return false;
    }
    const QDeadlineTimer deadline(kWriteTimeoutMs);
    while (m_port.isOpen() && m_port.bytesToWrite() > 0) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || !m_port.waitForBytesWritten(static_cast<int>(left))) {
            if (m_port.bytesToWrite() == 0)
                break;
            m_error = m_port.error() == QSerialPort::TimeoutError || m_port.error() == QSerialPort::NoError
                          ? WriteTimeoutText()
                          : m_port.errorString();
            return false;
        }
    }
    if (!m_port.isOpen()) {
        m_error = m_error.isEmpty() ? DataLink::NotOpenedText() : m_error;
        return false;
    }
    return true;
}

QByteArray SerialChannel::takeAvailable()
{
    if (!m_port.isOpen())
        return {};
    const QByteArray bytes = m_port.readAll();
    const auto err = m_port.error();
    if (err == QSerialPort::ResourceError || err == QSerialPort::ReadError) {
        m_fatal = true;
        m_error = m_port.errorString();
    }
    return bytes;
}

qint64 SerialChannel::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

void SerialChannel::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError)
        return;
    m_fatal = true;
    m_error = m_port.errorString();
    // QSerialPort is still inside its read notification here: close from the event loop.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this, [this, generation] { dropLostPort(generation); }, Qt::QueuedConnection);
}

void SerialChannel::dropLostPort(quint64 generation)
{
    // Whoever closes first (this, or the receive poll after a failed read) reports the loss.
    if (generation != m_generation || !m_port.isOpen())
        return;
    m_port.close();
    emit lost(m_error);
}
