#include "provision/station.h"

#include "params/param_editor_logic.h"
#include "provision/golden.h"
#include "provision/port_scan.h"
#include "provision/unit_failure.h"
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
    const GoldenLoad g = LoadGolden(core, m_c.plan.scriptPath, m_c.plan.goldenPath);
    if (!g.ok) {
        error = failure::Text(g.failureCode, g.failureArgs);
        return false;
    }
    std::optional<UnitsFile> units;
    if (!m_c.unitsFile.isEmpty() && !(units = ReadUnitsCsv(m_c.unitsFile, error)))
        return false;
    if (!m_values.prepare(core, m_c.uniques, units, m_c.unitsFile, !m_c.identity.isEmpty(), error))
        return false;
    m_c.plan.uniqueParams = m_values.codes();
    m_c.plan.identityParam.clear();
    m_probeCodes = m_values.codes();
    if (!m_c.identity.isEmpty()) {
        const ParamRow *row = nullptr;
        for (const ParamTable *t : {&core.mainTable, &core.extTable}) {
            int i = t->findByCode(m_c.identity);
            for (int k = 0; i < 0 && k < t->size(); ++k)
                if (!t->row(k).isHeading() && t->row(k).name == m_c.identity)
                    i = k;
            if (i >= 0 && (t == &core.mainTable || core.state.ExtTabVisible)) {
                row = &t->row(i);
                break;
            }
        }
        if (!row) {
            error = QStringLiteral("identity: no parameter \"%1\" in the golden profile").arg(m_c.identity);
            return false;
        }
        if (m_probeCodes.contains(row->cmdId.toUpper())) {
            error = QStringLiteral("identity: %1 (%2) is the unit's own and cannot also be handed out").arg(row->name, row->cmdId);
            return false;
        }
        // A row the golden writes is the same on every unit it wrote: no identity.
        if (!row->stored.isEmpty() && !IsProtectedRow(row->cmdId, core.state.PrivilegeLevel)) {
            error = QStringLiteral("identity: %1 (%2) is written by the golden profile, so every unit would hold the same; "
                                   "name a row each unit carries from its factory, such as a serial number")
                        .arg(row->name, row->cmdId);
            return false;
        }
        m_c.plan.identityParam = row->cmdId;
        m_probeCodes = QStringList{row->cmdId.toUpper()};
    }
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
    if (m_c.watch && m_c.identity.isEmpty())
        emit notice(QCoreApplication::translate(
            "StationNotice", "配方未指定设备标识：同一端口上换上一台相同的设备，要等端口静默一次才会发现"));
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
        m_unitIds.remove(gone);
        dropProbe(gone);
        emit unitGone(gone);
    }
    for (const QString &p : present)
        if (!m_runners.contains(p) && !m_idle.contains(p) && !m_probes.contains(p))
            launch(p);
}

void Station::launch(const QString &port)
{
    // The port's prober has answered and waits; it must not query while the unit runs.
    dropProbe(port);
    auto source = [this](const UnitIdentity &identity) {
        UnitValues v;
        if (m_closing) {
            v.fail(failure::kStationClosing, {});
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
    if (!identity.unitId.isEmpty())
        return valuesForIdentified(identity);
    // Without an identity a unit is known only by holding the current golden and values this
    // database (or its outbox) handed out to a unit that passed.
    if ((m_c.watch || m_c.skipDone) && !m_c.again && identity.holdsGolden && !identity.stored.isEmpty()) {
        QString error;
        const auto done = m_db.wasDone(identity.stored, identity.shown, error);
        UnitValues v;
        if (!done) {
            v.fail(m_db.failureCode(), m_db.failureArgs(error));
            return v;
        }
        v.skip = *done;
        for (const UnitRecord &r : waitingRecords())
            v.skip = v.skip || (r.result == UnitRecord::Passed && !r.held.isEmpty() && r.held == identity.stored);
        if (v.skip)
            return v;
    }
    return m_values.take(m_db);
}

std::optional<QList<UnitRecord>> Station::recordsOf(const QString &unitId, UnitValues &failed)
{
    QString error;
    auto stored = m_db.recordsOfUnit(unitId, error);
    if (!stored) {
        failed.fail(m_db.failureCode(), m_db.failureArgs(error));
        return std::nullopt;
    }
    // What waits in the outbox happened after what the database holds.
    QList<UnitRecord> waiting;
    for (const UnitRecord &r : waitingRecords())
        if (r.unitId == unitId)
            waiting.prepend(r);
    return waiting + *stored;
}

UnitValues Station::valuesForIdentified(const UnitIdentity &identity)
{
    UnitValues v;
    // An identity is unique or it is no identity.
    for (auto it = m_unitIds.cbegin(); it != m_unitIds.cend(); ++it)
        if (it.key() != identity.port && it.value() == identity.unitId) {
            v.fail(failure::kIdentityTwice, {identity.unitId, it.key(), identity.port});
            // The unit that came first fails as well once its run ends: neither can be traced.
            if (m_runners.contains(it.key()))
                m_twice.insert(identity.unitId, identity.port);
            return v;
        }
    m_unitIds.insert(identity.port, identity.unitId);
    const auto records = recordsOf(identity.unitId, v);
    if (!records)
        return v;
    if (!m_c.again)
        for (const UnitRecord &r : *records) {
            if (r.result != UnitRecord::Passed)
                continue;
            // Done: the same golden by content, and the unit still holds it and its values.
            v.skip = r.goldenHash + QLatin1Char('+') + r.extHash == identity.goldenHash && identity.holdsGolden &&
                     r.held == identity.stored;
            if (v.skip)
                return v;
            break;
        }
    // The same unit back without them (reset, rework): written again with what it was given.
    QStringList codes = m_values.codes();
    codes.sort();
    for (const UnitRecord &r : *records) {
        if (r.unique.isEmpty())
            continue;
        QStringList given;
        for (const QString &c : r.unique.keys())
            given << c.toUpper();
        given.sort();
        if (given != codes)
            break;   // the recipe hands out other rows now: new values
        v.values = r.unique;
        v.reused = true;
        return v;
    }
    return m_values.take(m_db);
}

QList<UnitRecord> Station::waitingRecords()
{
    QString error;
    const QList<UnitRecord> waiting = m_outbox->pending(error);
    // Unread, a record that waits cannot count a unit as done: said, not swallowed.
    if (!error.isEmpty())
        emit warning(error);
    return waiting;
}

void Station::forgetUnitOn(const QString &port) { m_unitIds.remove(port); }

void Station::unitDone(UnitRunner *runner)
{
    runner->wait();
    UnitRecord r = runner->record();
    m_runners.remove(runner->port());
    runner->deleteLater();
    const bool nobody = !r.answered && (r.failureCode == failure::kNoAnswer || r.failureCode == failure::kOpenFailed ||
                                        r.failureCode == failure::kPortLost);
    if (m_c.watch && !IsTcpAddress(r.port) && nobody) {
        // Nobody on the port (also when the station stops meanwhile): nothing to record.
        forgetUnitOn(r.port);
        if (!m_stopping) {
            m_idle.insert(r.port, Idle{});
            emit portWaiting(r.port);
        }
        finishIfIdle();
        return;
    }
    if (!r.unitId.isEmpty() && m_twice.contains(r.unitId) && m_twice.value(r.unitId) != r.port) {
        if (r.result == UnitRecord::Passed)
            r.fail(failure::kIdentityTwice, {r.unitId, r.port, m_twice.value(r.unitId)});
        m_twice.remove(r.unitId);
    }
    if (r.unitId.isEmpty() || r.failureCode == failure::kIdentityTwice)
        forgetUnitOn(r.port);
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
            if (r.result == UnitRecord::Passed)
                r.fail(failure::kNotRecorded, {error});
        }
    }
    m_records.append(r);
    if (m_c.watch && !IsTcpAddress(r.port)) {
        Idle idle;
        if (!r.fingerprint.isEmpty())
            idle.fingerprint = r.fingerprint;
        else
            idle.baseline = true;
        m_idle.insert(r.port, idle);
    }
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
