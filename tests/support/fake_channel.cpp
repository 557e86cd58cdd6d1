#include "support/fake_channel.h"

#include <QTimer>

FakeChannel::FakeChannel(QObject *parent) : Channel(parent) {}

void FakeChannel::open()
{
    m_open = true;
    m_fatal = false;
    m_error.clear();
}

bool FakeChannel::write(const QByteArray &bytes)
{
    if (!m_open) {
        m_error = QStringLiteral("Device not opened.");
        return false;
    }
    if (!m_writeError.isEmpty()) {
        m_error = m_writeError;
        return false;
    }
    m_writes.append(bytes);
    if (m_responder)
        m_responder(bytes);
    return true;
}

QByteArray FakeChannel::takeAvailable(qint64 maxBytes)
{
    ++m_reads;
    if (!m_open)
        return {};
    QByteArray out;
    if (maxBytes >= 0 && maxBytes < m_incoming.size()) {
        out = m_incoming.left(maxBytes);
        m_incoming.remove(0, maxBytes);
        return out;
    }
    out.swap(m_incoming);
    if (m_failNextRead) {
        m_failNextRead = false;
        m_fatal = true;
        m_error = m_pendingReadError;
    }
    return out;
}

void FakeChannel::feed(const QByteArray &bytes)
{
    m_incoming.append(bytes);
    emit dataArrived();
}

void FakeChannel::feedAfter(int ms, const QByteArray &bytes)
{
    QTimer::singleShot(ms, Qt::PreciseTimer, this, [this, bytes] { feed(bytes); });
}

void FakeChannel::injectReadError(const QString &text)
{
    m_failNextRead = true;
    m_pendingReadError = text;
}

QByteArray FakeChannel::written() const
{
    QByteArray all;
    for (const QByteArray &w : m_writes)
        all.append(w);
    return all;
}
