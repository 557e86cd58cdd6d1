#include "provision/port_probe.h"

#include "params/op_sink.h"
#include "params/param_ops.h"
#include "provision/golden.h"
#include "provision/unit_runner.h"
#include "provision/value_pool.h"
#include "protocol/device_commands.h"
#include "session/core_session.h"

namespace {
// UnitFingerprint() of the unit on the open port; empty when nothing answered.
QString fingerprintOf(CoreSession &core, const QStringList &codes)
{
    DeviceCommands commands(core);
    core.state.ParamChannel = core.state.ExtTabVisible ? -1 : core.state.MainParamChannel;
    const OpOutcome v = commands.ReadVersion();
    if (v.code != rcOk)
        return QString();
    // Only the rows that tell units apart: a whole read every second would crowd the hub.
    ParamOps ops(core, [&commands](int n) { commands.SelectParamChannel(n); });
    RecordingSink sink;
    QMap<QString, QString> stored;
    for (ParamTable *t : {&core.mainTable, &core.extTable}) {
        QByteArray list;
        QList<int> rows;
        for (const QString &code : codes)
            if (const int i = t->findByCode(code); i >= 0) {
                list += QByteArray::fromHex(t->row(i).cmdId.toLatin1());
                rows << i;
            }
        if (rows.isEmpty())
            continue;
        commands.SelectParamChannel(t == &core.extTable ? 0 : core.state.MainParamChannel);
        for (int i : rows)
            t->setStoredAndShown(i, QString(), QString());
        if (!ops.ReadParamList(*t, list, sink))
            return QString();
        for (int i : rows)
            stored.insert(t->row(i).cmdId.toUpper(), CanonicalStored(t->row(i).stored));
    }
    return UnitFingerprint(v.valueText, stored);
}
} // namespace

PortProbe::~PortProbe()
{
    m_quit = true;
    m_wake.release();
    wait();
}

void PortProbe::query()
{
    if (m_busy.exchange(true))
        return;
    m_wake.release();
}

void PortProbe::run()
{
    CoreSession core;
    LoadGolden(core, m_script, m_golden);
    for (;;) {
        m_wake.acquire();
        if (m_quit)
            return;
        QString fingerprint;
        // The port is open only for the query: a unit's run may take it as soon as it is answered.
        if (!OpenUnitLink(core, m_port, m_link)) {
            fingerprint = fingerprintOf(core, m_codes);
            core.link.serial().close();
        }
        m_busy = false;
        emit answered(m_port, fingerprint);
    }
}
