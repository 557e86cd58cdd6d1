#include "link/serial_reconnector.h"

#include "link/serial_channel.h"

SerialReconnector::SerialReconnector(SerialChannel &serial, QObject *parent)
    : QObject(parent), m_serial(serial), m_timer(this)
{
    m_timer.setInterval(kRetryMs);
    connect(&m_timer, &QTimer::timeout, this, &SerialReconnector::attempt);
}

void SerialReconnector::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (!m_remembered || !m_outage)
        return;
    if (!on) {
        // Off in the middle of an outage: as if the port had been lost with reconnecting off.
        m_timer.stop();
        emit lostForGood(m_settings.portName, QString());
        return;
    }
    if (!m_serial.isOpen()) {
        m_attempts = 0;
        m_timer.start();
        emit waiting(m_settings.portName, QString());
    }
}

bool SerialReconnector::openByUser(const SerialSettings &settings)
{
    stop();
    if (!m_serial.open(settings))
        return false;
    m_settings = settings;
    m_identity = IdentityOf(settings.portName, m_lister());
    m_remembered = true;
    m_outage = false;
    return true;
}

void SerialReconnector::closeByUser()
{
    stop();
    m_serial.close();
}

void SerialReconnector::stop()
{
    m_timer.stop();
    m_remembered = false;
    m_outage = false;
    m_attempts = 0;
}

void SerialReconnector::onLost(const QString &reason)
{
    if (!m_remembered || m_timer.isActive())
        return;
    m_outage = true;
    const QList<PortIdentity> listed = m_lister();
    // Our adapter is gone this moment: one listed now with its identity is another unit's.
    if (IdentityListedElsewhere(m_identity, listed))
        m_identity.ambiguous = true;
    if (!m_enabled) {
        emit lostForGood(m_settings.portName, reason);
        return;
    }
    m_attempts = 0;
    if (FindPortAgain(m_identity, listed).cannotConfirm) {
        emit cannotConfirm(m_settings.portName, reason);
        return;
    }
    // The first try waits one interval too: a port that just failed is rarely back at once,
    // and a reply wait running now must see the port closed before it can come back.
    m_timer.start();
    emit waiting(m_settings.portName, reason);
}

void SerialReconnector::attempt()
{
    if (m_serial.isOpen()) {
        // Someone opened it meanwhile (not through us): nothing to bring back.
        m_timer.stop();
        return;
    }
    ++m_attempts;
    const PortSearch found = FindPortAgain(m_identity, m_lister());
    if (found.cannotConfirm) {
        m_timer.stop();
        emit cannotConfirm(m_settings.portName, QString());
        return;
    }
    const QString path = found.path;
    if (path.isEmpty())
        return;
    SerialSettings s = m_settings;
    s.portName = path;
    if (!m_serial.open(s))
        return;
    m_timer.stop();
    m_outage = false;
    m_settings = s;
    m_identity = IdentityOf(path, m_lister());
    emit reconnected(s);
}
