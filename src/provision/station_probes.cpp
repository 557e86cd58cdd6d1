// A station's idle ports: a prober each, and what its answers mean (gone, the same unit, another).
#include "provision/port_probe.h"
#include "provision/station.h"

void Station::probe()
{
    // Never during a unit's run, one query at a time per port.
    for (auto it = m_idle.cbegin(); it != m_idle.cend(); ++it) {
        if (m_runners.contains(it.key()))
            continue;
        PortProbe *p = m_probes.value(it.key());
        if (!p) {
            p = new PortProbe(it.key(), m_c.plan.link, m_c.plan.scriptPath, m_c.plan.goldenPath, m_probeCodes);
            connect(p, &PortProbe::answered, this, &Station::probeDone, Qt::QueuedConnection);
            m_probes.insert(it.key(), p);
            p->start();
        }
        p->query();
    }
}

void Station::dropProbe(const QString &port)
{
    if (PortProbe *p = m_probes.take(port)) {
        disconnect(p, nullptr, this, nullptr);
        delete p;
    }
}

void Station::probeDone(const QString &port, const QString &fingerprint)
{
    const auto it = m_idle.find(port);
    if (it == m_idle.end() || m_stopping || !m_probes.contains(port))
        return;
    if (fingerprint.isEmpty()) {
        // Silent: the unit is gone (or going); the port waits, and its label is not reprinted.
        if (it->fingerprint || it->baseline) {
            it->fingerprint.reset();
            it->baseline = false;
            m_unitIds.remove(it.key());
            emit unitGone(it.key());
        }
        return;
    }
    if (it->baseline) {
        // The unit that failed is still there: it is not tried again by itself.
        it->fingerprint = fingerprint;
        it->baseline = false;
        return;
    }
    if (it->fingerprint && *it->fingerprint == fingerprint)
        return;
    // An answer after silence, or another unit answering: a new unit.
    m_idle.erase(it);
    m_unitIds.remove(port);
    launch(port);
}
