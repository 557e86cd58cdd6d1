#pragma once
// A channel that passes everything to another and counts the bytes both ways: the wire time a
// unit's run needs, for the station's figures.
#include "link/channel.h"

class CountingChannel : public Channel {
public:
    explicit CountingChannel(Channel &inner, QObject *parent = nullptr) : Channel(parent), m_inner(inner)
    {
        connect(&inner, &Channel::dataArrived, this, &Channel::dataArrived);
        connect(&inner, &Channel::lost, this, &Channel::lost);
    }
    bool isOpen() const override { return m_inner.isOpen(); }
    void close() override { m_inner.close(); }
    bool write(const QByteArray &bytes) override
    {
        const bool ok = m_inner.write(bytes);
        if (ok)
            m_sent += bytes.size();
        return ok;
    }
    QByteArray takeAvailable(qint64 maxBytes = -1) override
    {
        const QByteArray b = m_inner.takeAvailable(maxBytes);
        m_received += b.size();
        return b;
    }
    qint64 bytesAvailable() const override { return m_inner.bytesAvailable(); }
    QString errorString() const override { return m_inner.errorString(); }
    bool hasFatalError() const override { return m_inner.hasFatalError(); }

    qint64 total() const { return m_sent + m_received; }

private:
    Channel &m_inner;
    qint64 m_sent = 0;
    qint64 m_received = 0;
};
