#include "link/serial_channel.h"

#include <QFileInfo>
#include <utility>

#include "link/data_link.h"
#include "platform/line_state.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {
// The device node's path: the port's name drops "/dev/" from it ("pts/3" for "/dev/pts/3").
QString systemLocation(const QSerialPort &port)
{
    const QString name = port.portName();
    return name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
}

// Why a port ended. A read that met the line's end sets no error of its own, so the system's
// text for it is left over from some unrelated call ("File exists"): said in our words instead.
QString lossReason(const QSerialPort &port, QSerialPort::SerialPortError error)
{
    if (!QFileInfo::exists(systemLocation(port)))
        return QCoreApplication::translate("LinkTexts", "设备已移除");
    if (error == QSerialPort::ReadError)
        return QCoreApplication::translate("LinkTexts", "设备一端已关闭");
    return port.errorString();
}
} // namespace

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
    m_leftover.clear();
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

qint64 SerialChannel::WriteAllowanceMs(qint64 bytes, qint32 baudRate, int bitsPerChar)
{
    const qint64 lineMs = baudRate > 0 ? (bytes * bitsPerChar * 1000 + baudRate - 1) / baudRate : 0;
    // A quarter more for adapters whose real rate lags the nominal one.
    return lineMs + lineMs / 4 + kWriteMarginMs;
}

int SerialChannel::bitsPerCharacter() const
{
    const int parity = m_port.parity() == QSerialPort::NoParity ? 0 : 1;
    const int stop = m_port.stopBits() == QSerialPort::OneStop ? 1 : 2;
    return 1 + m_port.dataBits() + parity + stop;
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
    // Everything queued counts, bytes of an earlier write still going out included.
    const QDeadlineTimer deadline(WriteAllowanceMs(m_port.bytesToWrite(), m_port.baudRate(), bitsPerCharacter()));
    const quint64 generation = m_generation;
    const quint64 discards = m_discards;
    const quint64 aborts = m_aborts;
    while (m_port.isOpen() && generation == m_generation && m_port.bytesToWrite() > 0 && discards == m_discards) {
        if (aborts != m_aborts) {
            discardOutput();
            m_error = WriteAbortedText();
            return false;
        }
        if (deadline.hasExpired()) {
            // The port would go on sending what is reported as failed: stop it.
            discardOutput();
            m_error = WriteTimeoutText();
            return false;
        }
        waitForOutput(deadline.remainingTime());
    }
    if (discards != m_discards) {
        // A write nested in this one's wait failed and took these bytes with it.
        m_error = aborts != m_aborts ? WriteAbortedText() : WriteTimeoutText();
        return false;
    }
    if (!m_port.isOpen() || generation != m_generation) {
        m_error = m_error.isEmpty() ? DataLink::NotOpenedText() : m_error;
        return false;
    }
    return true;
}

void SerialChannel::abortWrite()
{
    ++m_aborts;
    emit writeAborted();
}

void SerialChannel::waitForOutput(qint64 ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_port, &QSerialPort::bytesWritten, &loop, &QEventLoop::quit);
    connect(&m_port, &QSerialPort::aboutToClose, &loop, &QEventLoop::quit);
    connect(&m_port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
    connect(this, &SerialChannel::writeAborted, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max())));
    loop.exec();
}

void SerialChannel::discardOutput()
{
    ++m_discards;
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Output);
}

QByteArray SerialChannel::takeAvailable(qint64 maxBytes)
{
    if (!m_port.isOpen())
        return Channel::takeFront(m_leftover, maxBytes);
    const QByteArray bytes = maxBytes < 0 ? m_port.readAll() : m_port.read(maxBytes);
    const auto err = m_port.error();
    if (err == QSerialPort::ResourceError || err == QSerialPort::ReadError) {
        m_fatal = true;
        m_error = lossReason(m_port, err);
    }
    return bytes;
}

qint64 SerialChannel::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : m_leftover.size();
}

void SerialChannel::onError(QSerialPort::SerialPortError error)
{
    // The errors a read treats as the end of the port: noticed here too, so a port that vanishes
    // while TCP carries the traffic (and nothing reads the port) is not lost in silence.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    // A read error alone may pass (a port just reopened); with the device node gone, or the
    // line hung up (a pseudo-terminal whose device side closed), it is the end.
    if (error == QSerialPort::ReadError && QFileInfo::exists(systemLocation(m_port)) && !LineHungUp(m_port.handle()))
        return;
    m_fatal = true;
    m_error = lossReason(m_port, error);
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
    // What arrived before the failure is still the device's answer.
    m_leftover = m_port.readAll();
    m_port.close();
    emit lost(m_error);
}
