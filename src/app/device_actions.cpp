#include "app/device_actions.h"

#include "app/comm_page.h"
#include "app/gui_sink.h"
#include "params/param_ops.h"
#include "session/core_session.h"
#include "tools/control_page.h"
#include "widgets/dialogs.h"

#include <QComboBox>
#include <QDateTime>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCoreApplication>

namespace {
struct MainWindowTexts {
    Q_DECLARE_TR_FUNCTIONS(MainWindowTexts)
};
} // namespace

DeviceActions::DeviceActions(const Parts &parts, QObject *parent)
    : QObject(parent), m_p(parts), m_sink(parts.sink), m_commands(parts.session)
{
    ControlPage *page = &m_p.controlPage;
    connect(page->m_readStateButton, &QPushButton::clicked, this, &DeviceActions::readDeviceState);
    connect(page->m_setStateButton, &QPushButton::clicked, this, &DeviceActions::setDeviceState);
    connect(page->m_signalButton, &QPushButton::clicked, this, &DeviceActions::readSignal);
    connect(page->m_versionButton, &QPushButton::clicked, this, &DeviceActions::readVersion);
    connect(page->m_readClockButton, &QPushButton::clicked, this, &DeviceActions::readClock);
    connect(page->m_setClockButton, &QPushButton::clicked, this, &DeviceActions::setClock);
}

void DeviceActions::toStateLog(const OpOutcome &outcome)
{
    m_sink.applyOutcome(outcome, m_p.controlPage.m_stateLog);
}

void DeviceActions::restoreDefaults()
{
    const OpOutcome check = m_commands.CheckDataChannel();
    if (!check.messageText.isEmpty()) {
        m_sink.applyOutcome(check);
        return;
    }
    if (m_p.dialogs.confirm(m_p.dialogParent, MainWindowTexts::tr("提示"), MainWindowTexts::tr("真的要恢复出厂默认设置吗？")))
        m_sink.applyOutcome(m_commands.RestoreFactoryDefaults());
    else
        m_sink.applyOutcome(m_commands.RestoreCancelled(m_sink.panel()));
}

void DeviceActions::resetDevice()
{
    const OpOutcome check = m_commands.CheckDataChannel();
    if (!check.messageText.isEmpty()) {
        m_sink.applyOutcome(check);
        return;
    }
    if (m_p.dialogs.confirm(m_p.dialogParent, MainWindowTexts::tr("提示"), MainWindowTexts::tr("真的要复位设备吗？")))
        m_sink.applyOutcome(m_commands.Reset());
    else
        m_sink.applyOutcome(m_commands.ResetCancelled(m_sink.panel()));
}

void DeviceActions::autoReadParams()
{
    CoreSession &s = m_p.session;
    if (s.engine.isBusy()) {
        s.engine.reportBusy();
        return;
    }
    m_p.dialogs.information(m_p.dialogParent, MainWindowTexts::tr("请先将DTU断电，点击确定按钮(OK)后，立即给DTU上电"));
    m_p.commPage.m_baudCombo->setCurrentIndex(9);
    m_p.commPage.m_formatCombo->setCurrentIndex(0);
    m_p.commPage.openPort();
    s.state.WorkMode = 0;
    const OpOutcome r = m_commands.SwitchWorkMode(1);
    m_sink.applyOutcome(r);
    if (r.code >= 0)
        m_p.ops.readMainParams(m_sink);
}

void DeviceActions::readDeviceState()
{
    toStateLog(m_commands.ReadState());
}

void DeviceActions::setDeviceState()
{
    toStateLog(m_commands.SetState(m_p.controlPage.m_stateCombo->currentIndex()));
}

void DeviceActions::readSignal()
{
    toStateLog(m_commands.ReadSignal());
}

void DeviceActions::readVersion()
{
    toStateLog(m_commands.ReadVersion());
}

void DeviceActions::readClock()
{
    toStateLog(m_commands.ReadClock());
}

void DeviceActions::setClock()
{
    toStateLog(m_commands.SetClock(QDateTime::currentDateTime()));
}

int DeviceActions::SelectParamChannel(int n)
{
    // Nothing is shown, whatever the device answers.
    return m_commands.SelectParamChannel(n).code;
}
