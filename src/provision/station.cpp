#include "provision/station.h"

#include "provision/port_scan.h"
#include "provision/unit_link.h"
#include "session/core_session.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

Station::Station(StationConfig config, QObject *parent) : QObject(parent), m_c(std::move(config))
{
    m_c.plan.station = m_c.name;
    m_scan.setInterval(m_c.scanMs);
    connect(&m_scan, &QTimer::timeout, this, &Station::scan);
    m_probe.setInterval(m_c.probeMs);
    connect(&m_probe, &QTimer::timeout, this, &Station::probe);
}

Station::~Station()
{
    m_closing = true;
    // No unit's end is handled any more: a runner deleted here must not reach unitDone() later.
    for (UnitRunner *r : m_runners)
        disconnect(r, nullptr, this, nullptr);
    for (PortProbe *p : m_probes) {
        disconnect(p, nullptr, this, nullptr);
        p->wait();
        delete p;
    }
    m_probes.clear();
    // A unit may be waiting for its values from this thread: keep answering until all have ended.
    while (!m_runners.isEmpty()) {
        for (UnitRunner *r : m_runners)
            r->wait(10);
        QCoreApplication::processEvents();
        for (auto it = m_runners.begin(); it != m_runners.end();) {
            if ((*it)->isFinished()) {
                delete *it;
                it = m_runners.erase(it);
            } else {
                ++it;
            }
        }
    }
}

bool Station::checkPlan(QString &error)
{
    // The same checks every unit would make, once, before any unit is touched.
    // Every unit reads the script and the golden again: a pipe would be empty after the first.
    for (const QString &path : {m_c.plan.scriptPath, m_c.plan.goldenPath})
        if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
            error = QStringLiteral("%1 is not a file: the script and the golden profile are read again for every unit").arg(path);
            return false;
        }
    m_golden = std::make_unique<CoreSession>();
    CoreSession &core = *m_golden;
    QString fileError;
    const ScriptResult s = core.script.evaluateFile(m_c.plan.scriptPath, &fileError);
    if (!fileError.isEmpty()) {
        error = QStringLiteral("cannot read the script file %1: %2").arg(m_c.plan.scriptPath, fileError);
        return false;
    }
    if (!s.ok) {
        error = QStringLiteral("error in the script file %1: %2").arg(m_c.plan.scriptPath, s.error);
        return false;
    }
    if (!QFileInfo::exists(m_c.plan.goldenPath)) {
        error = QStringLiteral("golden profile %1 does not exist").arg(m_c.plan.goldenPath);
        return false;
    }
    const ProfileLoadResult p = core.profile.LoadProfile(m_c.plan.goldenPath);
    if (!p.ok) {
        error = QStringLiteral("cannot load the golden profile: ") + p.error;
        return false;
    }
    std::optional<UnitsFile> units;
    if (!m_c.unitsFile.isEmpty() && !(units = ReadUnitsCsv(m_c.unitsFile, error)))
        return false;
    if (!m_values.prepare(core, m_c.uniques, units, m_c.unitsFile, error))
        return false;
    m_c.plan.uniqueParams = m_values.codes();
    return true;
}

bool Station::start(QString &error)
{
    if (!checkPlan(error))
        return false;
    if (!m_db.open(m_c.db, error))
        return false;
    m_outbox.emplace(Outbox::PathFor(m_c.db));
    flushOutbox();
    m_started = true;
    for (const QString &h : m_c.tcpHosts)
        launch(TcpAddress(h));
    if (m_c.watch) {
        scan();
        m_scan.start();
        m_probe.start();
        return true;
    }
    const QStringList ports = ExpandPorts(m_c.ports, true);
    for (const QString &p : ports)
        launch(p);
    if (m_runners.isEmpty()) {
        error = QStringLiteral("no units found on %1").arg(m_c.ports.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

void Station::stop()
{
    m_stopping = true;
    m_scan.stop();
    m_probe.stop();
    finishIfIdle();
}

void Station::scan()
{
    if (m_stopping)
        return;
    const QStringList present = ExpandPorts(m_c.ports, false);
    // A port that vanished has been unplugged: the next unit on it is a new one.
    for (auto it = m_idle.begin(); it != m_idle.end();) {
        if (present.contains(it.key())) {
            ++it;
            continue;
        }
        const QString gone = it.key();
        it = m_idle.erase(it);
        emit unitGone(gone);
    }
    for (const QString &p : present)
        if (!m_runners.contains(p) && !m_idle.contains(p) && !m_probes.contains(p))
            launch(p);
}

void Station::probe()
{
    // Never during a unit's run, one query at a time per port.
    for (auto it = m_idle.cbegin(); it != m_idle.cend(); ++it) {
        if (m_probes.contains(it.key()) || m_runners.contains(it.key()))
            continue;
        auto *p = new PortProbe(it.key(), m_c.plan.link, m_c.plan.scriptPath, m_c.plan.goldenPath);
        connect(p, &QThread::finished, this, [this, q = QPointer<PortProbe>(p)] {
            if (q && m_probes.value(q->port()) == q)
                probeDone(q);
        });
        m_probes.insert(it.key(), p);
        p->start();
    }
}

void Station::probeDone(PortProbe *p)
{
    p->wait();
    m_probes.remove(p->port());
    p->deleteLater();
    const auto it = m_idle.find(p->port());
    if (it == m_idle.end() || m_stopping)
        return;
    const std::optional<QString> answer = p->version();
    if (!answer) {
        // A few silent probes: the unit is gone, the next answer is a new one.
        if (++it->misses >= 3 && it->version) {
            it->version.reset();
            emit unitGone(it.key());
        }
        return;
    }
    it->misses = 0;
    if (it->version && *it->version == *answer)
        return;
    // An answer after silence, or another unit answering: a new unit.
    const QString port = it.key();
    m_idle.erase(it);
    launch(port);
}

void Station::launch(const QString &port)
{
    auto source = [this](const UnitIdentity &identity) {
        UnitValues v;
        if (m_closing) {
            v.error = QStringLiteral("the station is closing");
            return v;
        }
        QMetaObject::invokeMethod(this, [&] { v = valuesFor(identity); }, Qt::BlockingQueuedConnection);
        return v;
    };
    auto *runner = new UnitRunner(port, m_c.plan, source);
    connect(runner, &UnitRunner::progress, this, &Station::unitProgress);
    // Queued: the runner may be gone by the time it arrives (the station is being destroyed).
    connect(runner, &QThread::finished, this, [this, p = QPointer<UnitRunner>(runner)] {
        if (p && m_runners.value(p->port()) == p)
            unitDone(p);
    });
    m_runners.insert(port, runner);
    emit unitStarted(port);
    runner->start();
}

UnitValues Station::valuesFor(const UnitIdentity &identity)
{
    if (m_c.watch && !m_c.again && identity.mayBeDone && !identity.stored.isEmpty()) {
        QString error;
        const auto done = m_db.wasDone(identity.stored, identity.shown, error);
        UnitValues v;
        if (!done)
            v.error = error;
        v.skip = done.value_or(false);
        if (!done || *done)
            return v;
    }
    return m_values.take(m_db);
}

void Station::unitDone(UnitRunner *runner)
{
    runner->wait();
    UnitRecord r = runner->record();
    m_runners.remove(runner->port());
    runner->deleteLater();
    if (m_c.watch && !IsTcpAddress(r.port) && !r.answered && !m_stopping) {
        // Nobody on the port: it waits for a unit, with nothing to record.
        m_idle.insert(r.port, Idle{});
        emit portWaiting(r.port);
        finishIfIdle();
        return;
    }
    QString error;
    if (m_db.insert(r, error)) {
        flushOutbox();
    } else {
        QString keepError;
        if (m_outbox->add(r, keepError)) {
            emit warning(QStringLiteral("%1; the record waits in %2 until the database answers").arg(error, m_outbox->path()));
        } else {
            // A unit nobody can trace is not a passed unit.
            emit warning(error);
            emit warning(keepError);
            if (r.result == UnitRecord::Passed) {
                r.result = UnitRecord::Failed;
                r.failure = QStringLiteral("provisioned but not recorded: ") + error;
            }
        }
    }
    m_records.append(r);
    if (m_c.watch && !IsTcpAddress(r.port))
        m_idle.insert(r.port, Idle{r.answered ? std::optional<QString>(r.version) : std::nullopt, 0});
    emit unitFinished(r);
    if (r.result == UnitRecord::Passed && m_c.watch && m_c.target > 0 && ++m_passed >= m_c.target && !m_stopping) {
        emit targetReached();
        stop();
        return;
    }
    if (m_c.watch && !m_stopping)
        scan();
    finishIfIdle();
}

void Station::flushOutbox()
{
    QString error;
    const int stored = m_outbox->flush(m_db, error);
    if (stored > 0)
        emit notice(QStringLiteral("%1 record(s) from %2 stored").arg(stored).arg(m_outbox->path()));
    if (!error.isEmpty())
        emit warning(QStringLiteral("records still wait in %1: %2").arg(m_outbox->path(), error));
}

void Station::finishIfIdle()
{
    if (!m_runners.isEmpty() || !m_started)
        return;
    if (m_c.watch && !m_stopping)
        return;
    m_started = false;
    emit finished();
}
