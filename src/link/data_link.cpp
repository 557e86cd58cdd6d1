#include "link/data_link.h"

#include "link/serial_channel.h"
#include "link/tcp_channel.h"
#include <QCoreApplication>

namespace {
struct LinkTexts {
    Q_DECLARE_TR_FUNCTIONS(LinkTexts)
};
} // namespace

DataLink::DataLink(QObject *parent)
    : QObject(parent), m_serial(new SerialChannel(this)), m_tcp(new TcpChannel(this))
{
}

DataLink::~DataLink() = default;

Channel *DataLink::serialSide() const
{
    if (m_override)
        return m_override.data();
    return m_serial;
}

bool DataLink::isSerialOpen() const
{
    return serialSide()->isOpen();
}

bool DataLink::IsDataChannelOpen() const
{
    return m_tcp->isActive() || isSerialOpen();
}

Channel *DataLink::active() const
{
    if (m_tcp->isActive())
        return m_tcp;
    Channel *serial = serialSide();
    return serial->isOpen() ? serial : nullptr;
}

quint64 DataLink::epoch() const
{
    return m_serial->opens() + m_tcp->generation();
}

bool DataLink::ChannelSend(const QByteArray &bytes, QString *error)
{
    Channel *channel = active();
    if (!channel) {
        if (error)
            *error = NotOpenedText();
        return false;
    }
    if (!channel->write(bytes)) {
        if (error)
            *error = channel->errorString();
        return false;
    }
    emit sent(bytes);
    return true;
}

quint64 DataLink::generationOf(const Channel *channel) const
{
    if (channel == m_tcp)
        return m_tcp->generation();
    if (channel == m_serial)
        return m_serial->opens();
    return 0;
}

bool DataLink::hasClosedChannelBytes() const
{
    return (!m_tcp->isActive() && m_tcp->bytesAvailable() > 0) || (!m_serial->isOpen() && m_serial->bytesAvailable() > 0);
}

QByteArray DataLink::ChannelRead(QString *error, qint64 maxBytes)
{
    // What a TCP peer sent just before it closed, or a serial device just before its port was
    // lost, comes first, whatever is active now.
    if (!m_tcp->isActive() && m_tcp->bytesAvailable() > 0)
        return m_tcp->takeAvailable(maxBytes);
    if (!m_serial->isOpen() && m_serial->bytesAvailable() > 0)
        return m_serial->takeAvailable(maxBytes);
    Channel *channel = active();
    if (!channel)
        return {};
    const QByteArray bytes = channel->takeAvailable(maxBytes);
    if (channel->hasFatalError() && error) {
        *error = channel->errorString();
        if (error->isEmpty())
            *error = LinkTexts::tr("读取数据出错");
    }
    return bytes;
}
