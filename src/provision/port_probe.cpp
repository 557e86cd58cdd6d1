#include "provision/port_probe.h"

#include "protocol/device_commands.h"
#include "session/core_session.h"

namespace {
const QString kVersionPrefix = QStringLiteral("DTU版本号=");
} // namespace

QString VersionTextOf(const QStringList &stateLogLines)
{
    return stateLogLines.isEmpty() ? QString() : stateLogLines.last().mid(kVersionPrefix.size());
}

void PortProbe::run()
{
    CoreSession core;
    QString fileError;
    core.script.evaluateFile(m_script, &fileError);
    core.profile.LoadProfile(m_golden);
    if (OpenUnitLink(core, m_port, m_link))
        return;
    DeviceCommands commands(core);
    const OpOutcome v = commands.ReadVersion();
    if (v.code == rcOk)
        m_version = VersionTextOf(v.stateLogLines);
    core.link.serial().close();
}
