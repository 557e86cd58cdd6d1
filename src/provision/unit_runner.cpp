#include "provision/unit_runner.h"

#include "params/param_editor_logic.h"
#include "params/param_ops.h"
#include "params/value_input.h"
#include "link/serial_channel.h"
#include "provision/counting_channel.h"
#include "provision/golden.h"
#include "provision/unit_failure.h"
#include "provision/port_probe.h"
#include "provision/value_pool.h"
#include "protocol/device_commands.h"
#include "session/core_session.h"

#include <QElapsedTimer>
#include <QHash>
#include <QFileInfo>
#include <QHostInfo>
#include <QUuid>

namespace {

// Why a read failed: the reply's check, or what the read told the sink before any reply.
QString readFailure(const ParamOps &ops, const RecordingSink &sink)
{
    if (ops.lastReplyCheck() != frame::DataCheck::Ok)
        return ParamOps::ReadFailureText(ops.lastReplyCheck());
    if (!sink.errors.isEmpty())
        return sink.errors.last();
    if (!sink.messages.isEmpty())
        return sink.messages.last();
    return sink.panel();
}

bool sameStored(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The row of `key` (code, case ignored, or name) among the coded rows; -1 when none.
int findRow(const ParamTable &t, const QString &key)
{
    const int byCode = t.findByCode(key);
    if (byCode >= 0 && !key.isEmpty())
        return byCode;
    for (int i = 0; i < t.size(); ++i)
        if (!t.row(i).isHeading() && t.row(i).name == key)
            return i;
    return -1;
}

// A row of the main (0) or the extended (1) table.
using RowRef = QPair<int, int>;

class Run {
public:
    Run(UnitRunner &owner, const QString &port, const UnitPlan &plan, UnitRecord &rec)
        : m_owner(owner), m_port(port), m_plan(plan), m_rec(rec), m_commands(m_core),
          m_ops(m_core, [this](int n) { m_commands.SelectParamChannel(n); })
    {
    }

    // Fills the record; false with its failure set.
    bool go(const UnitRunner::ValueSource &source);
    qint64 wireBytes() const { return m_counter ? m_counter->total() : 0; }

private:
    void step(UnitStep s, const QString &code = QString(), int n = 1, int total = 1)
    {
        emit m_owner.progress(m_port, s, code, n, total);
    }
    bool fail(const QString &code, const QStringList &args)
    {
        m_rec.fail(code, args);
        return false;
    }
    // A failure of the link: the port gone is said as such, whatever the exchange reported.
    bool linkFail(const QString &code, const QStringList &args, const QString &doing)
    {
        if (!IsTcpAddress(m_port) && !QFileInfo::exists(m_port))
            return fail(failure::kPortLost, {m_port, doing});
        return fail(code, args);
    }
    bool prepare();
    // A golden row is written unless it has no value, the tool does not write it, or it is the
    // unit's own identity.
    bool isGoldenRow(int t, int i) const
    {
        const ParamRow &g = m_golden[t].at(i);
        return !g.isHeading() && !g.stored.isEmpty() && !IsProtectedRow(g.cmdId, m_core.state.PrivilegeLevel) &&
               RowRef{t, i} != m_identityRow;
    }
    bool holdsGoldenRest(const QList<RowRef> &uniqueRows, const QVector<ParamRow> *current) const
    {
        for (int t = 0; t < tables(); ++t)
            for (int i = 0; i < m_golden[t].size(); ++i)
                if (isGoldenRow(t, i) && !uniqueRows.contains(RowRef{t, i}) &&
                    !sameStored(current[t].at(i).stored, m_golden[t].at(i).stored))
                    return false;
        return true;
    }
    bool readAll(bool readBack);
    int tables() const { return m_core.state.ExtTabVisible ? 2 : 1; }
    ParamTable &table(int t) { return t == 0 ? m_core.mainTable : m_core.extTable; }
    // The row of `key` (code or name), the main table first; {-1, -1} when none.
    RowRef find(const QString &key)
    {
        for (int t = 0; t < tables(); ++t)
            if (const int i = findRow(table(t), key); i >= 0)
                return {t, i};
        return {-1, -1};
    }
    bool writeAll(const QMap<RowRef, StoredValue> &writes, QHash<RowRef, int> &recorded);
    bool compare(const QMap<RowRef, StoredValue> &wanted, const QHash<RowRef, int> &recorded);
    QString fingerprint(const QList<RowRef> &rows);

    UnitRunner &m_owner;
    QString m_port;
    const UnitPlan &m_plan;
    UnitRecord &m_rec;
    CoreSession m_core;
    DeviceCommands m_commands;
    ParamOps m_ops;
    RecordingSink m_sink;
    std::unique_ptr<CountingChannel> m_counter;
    QVector<ParamRow> m_golden[2];
    RowRef m_identityRow{-1, -1};
};

bool Run::prepare()
{
    const GoldenLoad g = LoadGolden(m_core, m_plan.scriptPath, m_plan.goldenPath);
    m_rec.goldenHash = g.goldenHash;
    m_rec.extHash = g.extHash;
    if (!g.ok)
        return fail(g.failureCode, g.failureArgs);
    m_golden[0] = m_core.mainTable.rows();
    m_golden[1] = m_core.extTable.rows();
    return true;
}

bool Run::readAll(bool readBack)
{
    m_sink.messages.clear();
    m_sink.errors.clear();
    const QString code = readBack ? failure::kReadBackFailed : failure::kReadFailed;
    const QString doing = readBack ? QStringLiteral("reading back") : QStringLiteral("reading");
    // Each table from its own parameter set, selected as the window does (the main tab reads
    // whichever set is selected, so the main one is selected first).
    m_commands.SelectParamChannel(m_core.state.MainParamChannel);
    if (readBack)
        step(UnitStep::Verify, QString(), 1, tables());
    if (!m_ops.readMainParams(m_sink))
        return linkFail(code, {readFailure(m_ops, m_sink)}, doing);
    if (tables() < 2)
        return true;
    if (readBack)
        step(UnitStep::Verify, QString(), 2, tables());
    if (m_ops.readExtParams(m_sink))
        return true;
    return linkFail(code, {readFailure(m_ops, m_sink)}, doing);
}

bool Run::writeAll(const QMap<RowRef, StoredValue> &writes, QHash<RowRef, int> &recorded)
{
    int n = 0;
    for (auto it = writes.cbegin(); it != writes.cend(); ++it) {
        const ParamRow &g = m_golden[it.key().first].at(it.key().second);
        m_commands.SelectParamChannel(it.key().first == 0 ? m_core.state.MainParamChannel : 0);
        step(UnitStep::Write, g.cmdId, ++n, int(writes.size()));
        ParamTable &t = table(it.key().first);
        t.setStoredAndShown(it.key().second, it.value().stored, it.value().shown);
        recorded.insert(it.key(), m_rec.params.size());
        m_rec.params.append({g.cmdId, g.name, it.value().shown, QString(), t.row(it.key().second).hexDigits(), QString()});
        const int r = m_ops.WriteParam(g.cmdId, m_sink);
        if (r == rcNoReply)
            return linkFail(failure::kWriteNoAnswer, {g.name, g.cmdId, it.value().shown}, QStringLiteral("writing %1").arg(g.cmdId));
        if (r != rcOk)
            return linkFail(failure::kWriteRefused,
                            {g.name, g.cmdId, it.value().shown,
                             r == rcNotSent && !m_sink.log.isEmpty() ? m_sink.log.value(m_sink.log.size() - 2)
                                                                     : ParamOps::WriteResultText(r)},
                            QStringLiteral("writing %1").arg(g.cmdId));
    }
    return true;
}

bool Run::compare(const QMap<RowRef, StoredValue> &wanted, const QHash<RowRef, int> &recorded)
{
    QStringList differences;   // groups of five, as the failure code wants them
    bool allMissing = true;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const ParamRow &r = table(it.key().first).row(it.key().second);
        const bool written = recorded.contains(it.key());
        if (written) {
            WrittenParam &w = m_rec.params[recorded.value(it.key())];
            w.read = r.shown;
            w.readHex = r.hexDigits();
        }
        if (sameStored(r.stored, it.value().stored))
            continue;
        const bool missing = r.stored.isEmpty();
        allMissing = allMissing && missing;
        differences << (missing ? QStringLiteral("missing") : written ? QStringLiteral("wrote") : QStringLiteral("expected"))
                    << r.name << r.cmdId << it.value().shown << (missing ? QString() : r.shown);
    }
    if (differences.isEmpty())
        return true;
    return fail(allMissing ? failure::kReadBackMissing : failure::kReadBackDiffers, differences);
}

QString Run::fingerprint(const QList<RowRef> &rows)
{
    QMap<QString, QString> stored;
    for (const RowRef &at : rows) {
        const ParamRow &r = table(at.first).row(at.second);
        stored.insert(r.cmdId.toUpper(), CanonicalStored(r.stored));
    }
    return UnitFingerprint(m_rec.version, stored);
}

bool Run::go(const UnitRunner::ValueSource &source)
{
    if (!prepare())
        return false;

    step(UnitStep::Open);
    if (auto why = OpenUnitLink(m_core, m_port, m_plan.link))
        return fail(failure::kOpenFailed, {m_port, *why});
    if (!IsTcpAddress(m_port)) {
        m_counter = std::make_unique<CountingChannel>(m_core.link.serial());
        m_core.link.setOverrideChannel(m_counter.get());
    }
    m_commands.SelectParamChannel(m_core.state.MainParamChannel);

    step(UnitStep::Version);
    const OpOutcome v = m_commands.ReadVersion();
    if (v.code != rcOk)
        return linkFail(failure::kNoAnswer, {v.stateLogLines.isEmpty() ? v.errorText + v.messageText : v.stateLogLines.first()},
                        QStringLiteral("reading the version"));
    m_rec.version = v.valueText;
    m_rec.answered = true;

    step(UnitStep::Read);
    // What the unit leaves out of its answer must not count as the golden's value it was loaded with.
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < table(t).size(); ++i)
            if (!table(t).row(i).isHeading())
                table(t).setStoredAndShown(i, QString(), QString());
    if (!readAll(false))
        return false;
    QList<RowRef> uniqueRows;
    UnitIdentity identity;
    identity.port = m_port;
    identity.goldenHash = m_rec.goldenHash + QLatin1Char('+') + m_rec.extHash;
    // Who the unit is comes first: without it nothing is taken for it.
    if (!m_plan.identityParam.isEmpty()) {
        m_identityRow = find(m_plan.identityParam);
        if (m_identityRow.first < 0)
            return fail(failure::kUnknownParam, {m_plan.identityParam});
        const ParamRow &r = table(m_identityRow.first).row(m_identityRow.second);
        if (r.stored.isEmpty() || r.shown.trimmed().isEmpty())
            return fail(failure::kIdentityEmpty, {r.name, r.cmdId});
        m_rec.unitId = identity.unitId = r.shown;
    }
    for (const QString &key : m_plan.uniqueParams) {
        const RowRef at = find(key);
        if (at.first < 0)
            return fail(failure::kUnknownParam, {key});
        uniqueRows << at;
        const ParamRow &r = table(at.first).row(at.second);
        m_rec.identity.insert(r.cmdId, r.shown);
        identity.stored.insert(r.cmdId.toUpper(), CanonicalStored(r.stored));
    }
    identity.shown = m_rec.identity;
    const QVector<ParamRow> current[2] = {m_core.mainTable.rows(), m_core.extTable.rows()};
    identity.holdsGolden = holdsGoldenRest(uniqueRows, current);
    const QList<RowRef> probed = m_identityRow.first >= 0 ? QList<RowRef>{m_identityRow} : uniqueRows;
    // A unit known by its identity is known whatever its run comes to: another unit answering on
    // the port later, even one swapped in while this one failed, is seen as another.
    if (m_identityRow.first >= 0)
        m_rec.fingerprint = fingerprint(probed);

    step(UnitStep::Values);
    const UnitValues given = source(identity);
    if (given.skip) {
        m_rec.result = UnitRecord::Skipped;
        m_rec.failureCode = failure::kAlreadyDone;
        m_rec.failure = failure::Text(failure::kAlreadyDone, {});
        m_rec.held = identity.stored;
        m_rec.fingerprint = fingerprint(probed);
        return true;
    }
    if (given.failed())
        return fail(given.failureCode, given.failureArgs);
    m_rec.reused = given.reused;

    // Every value is converted before anything is written. A golden row without a value is
    // not part of the golden (the loader and diff treat it so): the unit keeps its own.
    QMap<RowRef, StoredValue> wanted;
    for (int t = 0; t < tables(); ++t)
        for (int i = 0; i < m_golden[t].size(); ++i)
            if (isGoldenRow(t, i))
                wanted.insert({t, i}, StoredValue{m_golden[t].at(i).stored, m_golden[t].at(i).shown});
    for (auto it = given.values.cbegin(); it != given.values.cend(); ++it) {
        const RowRef at = find(it.key());
        if (at.first < 0)
            return fail(failure::kUnknownParam, {it.key()});
        const ParamRow &g = m_golden[at.first].at(at.second);
        QString why;
        const auto value = ConvertGivenValue(m_core.script, g, m_core.state.PrivilegeLevel, it.value(), why);
        if (!value)
            return fail(failure::kValueRefused, {why});
        wanted.insert(at, *value);
        m_rec.unique.insert(g.cmdId, value->shown);
    }
    // Only what differs is written; everything wanted is read back all the same.
    QMap<RowRef, StoredValue> writes = wanted;
    if (m_plan.onlyChanged)
        for (auto it = writes.begin(); it != writes.end();)
            it = sameStored(current[it.key().first].at(it.key().second).stored, it.value().stored) ? writes.erase(it)
                                                                                                    : std::next(it);
    QHash<RowRef, int> recorded;   // row → its entry in the record's parameters
    if (!writeAll(writes, recorded))
        return false;

    // A parameter the unit leaves out of its answer must not pass with the value we wrote.
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
        table(it.key().first).setStoredAndShown(it.key().second, QString(), QString());
    if (!readAll(true))
        return false;
    if (!compare(wanted, recorded))
        return false;
    // What the unit holds now is how it is known again when it comes back.
    for (const RowRef &at : uniqueRows) {
        const ParamRow &r = table(at.first).row(at.second);
        m_rec.held.insert(r.cmdId.toUpper(), CanonicalStored(r.stored));
    }
    m_rec.fingerprint = fingerprint(probed);
    m_rec.result = UnitRecord::Passed;
    return true;
}
} // namespace

QString UnitFingerprint(const QString &version, const QMap<QString, QString> &storedByCode)
{
    return version + QLatin1Char('\n') + UniqueKey(storedByCode);
}

UnitRunner::UnitRunner(const QString &port, const UnitPlan &plan, ValueSource source, QObject *parent)
    : QThread(parent), m_port(port), m_plan(plan), m_source(std::move(source))
{
}

void UnitRunner::run()
{
    QElapsedTimer timer;
    timer.start();
    m_record = UnitRecord();
    m_record.started = QDateTime::currentDateTimeUtc();
    m_record.station = m_plan.station.isEmpty() ? QHostInfo::localHostName() : m_plan.station;
    m_record.port = m_port;
    m_record.golden = QFileInfo(m_plan.goldenPath).fileName();
    m_record.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        // Everything the unit uses is made, used and destroyed on this thread.
        Run run(*this, m_port, m_plan, m_record);
        run.go(m_source);
        m_record.bytesOnWire = run.wireBytes();
    }
    m_record.durationMs = timer.elapsed();
}
