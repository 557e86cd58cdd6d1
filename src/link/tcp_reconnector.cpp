#include "link/tcp_reconnector.h"

#include "link/tcp_channel.h"

#include <algorithm>

TcpReconnector::TcpReconnector(TcpChannel &tcp, QObject *parent)
    : QObject(parent), m_tcp(tcp), m_timer(this), m_settle(this), m_held(this)
{
    m_timer.setSingleShot(true);
    m_settle.setSingleShot(true);
    m_held.setSingleShot(true);
    connect(&m_held, &QTimer::timeout, this, &TcpReconnector::onHeld);
    connect(&m_tcp, &Channel::dataArrived, this, [this] {
        if (m_held.isActive())
            onHeld();
    });
    m_settle.setInterval(kSettleMs);
    // A connection that has held this long was a success: the next outage starts at 1 s again.
    connect(&m_settle, &QTimer::timeout, this, [this] { m_attempts = 0; });
    connect(&m_timer, &QTimer::timeout, this, &TcpReconnector::attempt);
    connect(&m_tcp, &TcpChannel::connected, this, &TcpReconnector::onConnected);
    connect(&m_tcp, &TcpChannel::disconnected, this, &TcpReconnector::onDisconnected);
}

int TcpReconnector::PauseBeforeAttempt(int n)
{
    if (n <= 1)
        return kFirstPauseMs;
    const int shift = std::min(n - 1, 10);
    return std::min(kMaxPauseMs, kFirstPauseMs << shift);
}

void TcpReconnector::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (!m_wanted || !m_outage)
        return;
    if (!on) {
        // Off in the middle of an outage: as if the link had dropped with reconnecting off.
        m_timer.stop();
        m_reconnecting = false;
        m_tcp.disconnectFromHost();  // an attempt under way
        emit stopped();
        return;
    }
    if (!m_tcp.isActive()) {
        m_reconnecting = true;
        m_attempts = 0;
        scheduleNext();
    }
}

void TcpReconnector::connectByUser(const QString &address)
{
    if (m_tcp.isActive())
        return;
    m_timer.stop();
    m_reconnecting = false;
    m_attempts = 0;
    m_settle.stop();
    m_everConnected = false;
    m_outage = false;
    m_address = address;
    m_wanted = true;
    m_tcp.connectTo(address);
}

void TcpReconnector::disconnectByUser()
{
    // Before the channel reports its own disconnect, so that it is not taken for a drop.
    m_wanted = false;
    m_reconnecting = false;
    m_outage = false;
    m_attempts = 0;
    m_timer.stop();
    m_settle.stop();
    m_held.stop();
    m_tcp.disconnectFromHost();
}

void TcpReconnector::onConnected()
{
    m_everConnected = true;
    m_outage = false;
    const bool was = m_reconnecting;
    m_reconnecting = false;
    m_settle.start();
    if (was)
        m_held.start(kHeldMs / m_divisor);
}

void TcpReconnector::onHeld()
{
    m_held.stop();
    if (m_tcp.isActive())
        emit reconnected();
}

void TcpReconnector::onDisconnected()
{
    // A peer that accepts and drops at once (busy, or refusing the access text) counts as a
    // failed attempt: the pauses keep growing instead of hammering it every second.
    m_settle.stop();
    m_held.stop();
    if (!m_wanted || !m_everConnected)
        return;
    m_outage = true;
    if (!m_enabled)
        return;
    m_reconnecting = true;
    scheduleNext();
}

void TcpReconnector::scheduleNext()
{
    const int next = m_attempts + 1;
    const int pause = PauseBeforeAttempt(next) / m_divisor;
    m_timer.start(pause);
    emit waiting(next, pause);
}

void TcpReconnector::attempt()
{
    if (!m_wanted || !m_enabled || m_tcp.isActive())
        return;
    ++m_attempts;
    // Told before connecting: a refusal may be reported at once, and its pause must come after.
    emit attempting(m_attempts);
    m_tcp.connectTo(m_address);
}
