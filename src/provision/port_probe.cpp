#include "provision/port_probe.h"

#include "protocol/device_commands.h"
#include "session/core_session.h"

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
        m_version = v.valueText;
    core.link.serial().close();
}
