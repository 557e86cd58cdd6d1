#include "provision/port_probe.h"

#include "params/op_sink.h"
#include "params/param_ops.h"
#include "provision/golden.h"
#include "provision/unit_runner.h"
#include "provision/value_pool.h"
#include "protocol/device_commands.h"
#include "session/core_session.h"

void PortProbe::run()
{
    CoreSession core;
    LoadGolden(core, m_script, m_golden);
    if (OpenUnitLink(core, m_port, m_link))
        return;
    DeviceCommands commands(core);
    const OpOutcome v = commands.ReadVersion();
    if (v.code != rcOk) {
        core.link.serial().close();
        return;
    }
    // Only the rows that tell units apart: a whole read every second would crowd the hub.
    ParamOps ops(core, [&commands](int n) { commands.SelectParamChannel(n); });
    RecordingSink sink;
    QMap<QString, QString> stored;
    bool answered = true;
    for (ParamTable *t : {&core.mainTable, &core.extTable}) {
        QByteArray list;
        QList<int> rows;
        for (const QString &code : m_codes)
            if (const int i = t->findByCode(code); i >= 0) {
                list += QByteArray::fromHex(t->row(i).cmdId.toLatin1());
                rows << i;
            }
        if (rows.isEmpty())
            continue;
        commands.SelectParamChannel(t == &core.extTable ? 0 : core.state.MainParamChannel);
        for (int i : rows)
            t->setStoredAndShown(i, QString(), QString());
        answered = ops.ReadParamList(*t, list, sink) && answered;
        for (int i : rows)
            stored.insert(t->row(i).cmdId.toUpper(), CanonicalStored(t->row(i).stored));
    }
    if (answered)
        m_fingerprint = UnitFingerprint(v.valueText, stored);
    core.link.serial().close();
}
