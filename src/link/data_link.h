#pragma once
// The channel-neutral operations: TCP wins while it is active, else the serial port.
#include "link/channel.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QCoreApplication>

class SerialChannel;
class TcpChannel;

class DataLink : public QObject {
    Q_OBJECT
public:
    explicit DataLink(QObject *parent = nullptr);
    ~DataLink() override;

    SerialChannel &serial() { return *m_serial; }
    TcpChannel &tcp() { return *m_tcp; }

    // The seam for tests and tools: a channel that stands in for the serial port (TCP still
    // wins while active). nullptr puts the real serial port back. Not owned.
    void setOverrideChannel(Channel *channel) { m_override = channel; }
    Channel *overrideChannel() const { return m_override; }

    bool IsDataChannelOpen() const;
    bool isSerialOpen() const;
    // False with `error` ("Device not opened." when no channel is open, NotConnectedText while
    // TCP is still connecting).
    bool ChannelSend(const QByteArray &bytes, QString *error = nullptr);
    // Takes what has arrived on the active channel (first the last bytes of a TCP link that has
    // closed), at most `maxBytes` (all when negative); never waits. `error` set on a read error.
    QByteArray ChannelRead(QString *error = nullptr, qint64 maxBytes = -1);
    // Changes whenever a channel is opened or connected anew: a wait that began on one
    // connection must not carry on over the next one.
    quint64 epoch() const;
    // Changes whenever `channel` itself is opened or connected anew (0 for a stand-in).
    quint64 generationOf(const Channel *channel) const;
    // The TCP link has closed, or the serial port was lost, but the bytes that came last have
    // not been read yet.
    bool hasClosedChannelBytes() const;
    // The channel ChannelSend/ChannelRead use now, or nullptr.
    Channel *active() const;
    // The serial port or the channel standing in for it.
    Channel *serialSide() const;

    static QString NotOpenedText() { return QStringLiteral("Device not opened."); }
    static QString NoChannelMessage() { return QCoreApplication::translate("LinkTexts", "数据通道未打开，请先打开串口或建立TCP链接"); }

signals:
    // Every byte string ChannelSend wrote (the session log's outgoing side).
    void sent(const QByteArray &bytes);

private:
    SerialChannel *m_serial;
    TcpChannel *m_tcp;
    QPointer<Channel> m_override;
};
