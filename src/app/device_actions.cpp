#include "app/device_actions.h"

#include "app/comm_page.h"
#include "widgets/dialogs.h"
#include "app/ext_page.h"
#include "app/gui_sink.h"
#include "app/tform1.h"
#include "params/param_ops.h"
#include "session/core_session.h"
#include "tools/control_page.h"

#include <QAction>
#include <QTabBar>
#include <QComboBox>
#include <QDateTime>
#include <QPlainTextEdit>
#include <QPushButton>

DeviceActions::DeviceActions(TForm1 &form, GuiSink &sink, ParamOps &ops)
    : QObject(&form), m_form(form), m_sink(sink), m_ops(ops), m_commands(form.session())
{
    ControlPage *page = form.TabSheet3;
    connect(form.N1, &QAction::triggered, this, &DeviceActions::N1Click);
    connect(form.N6, &QAction::triggered, this, &DeviceActions::N6Click);
    connect(form.N3, &QAction::triggered, this, &DeviceActions::N3Click);
    connect(page->Button9, &QPushButton::clicked, this, &DeviceActions::Button9Click);
    connect(page->Button10, &QPushButton::clicked, this, &DeviceActions::Button10Click);
    connect(page->Button6, &QPushButton::clicked, this, &DeviceActions::Button6Click);
    connect(page->Button14, &QPushButton::clicked, this, &DeviceActions::Button14Click);
    connect(page->Button19, &QPushButton::clicked, this, &DeviceActions::Button19Click);
    connect(page->Button20, &QPushButton::clicked, this, &DeviceActions::Button20Click);
    form.selectParamChannel = [this](int n) { SelectParamChannel(n); };

    m_lockedWidgets = {form.TabSheet1->btRead, form.TabSheet1->btWrite, form.TabSheet1->Button4,
                       form.TabSheet1->Button5, form.TabSheet5->Button16, form.TabSheet5->Button17,
                       page->Button9, page->Button10, page->Button6, page->Button14, page->Button19,
                       page->Button20,
                       // Reopening the port, switching the TCP link or loading another profile in
                       // the middle of a wait would pull the channel or the rows from under it.
                       form.TabSheet1->Button3, form.TabSheet1->ComboBox1, form.TabSheet1->ComboBox6,
                       form.TabSheet1->Button15, form.TabSheet1->Button18,
                       // Showing a page selects a parameter set, which cannot be sent inside a wait.
                       form.PageControl1->tabBar()};
    m_lockedActions = {form.N1, form.N6, form.N3, form.N4, form.N5, form.ba1};
    connect(&form.session().engine, &ExchangeEngine::busyChanged, this, &DeviceActions::setBusy);
}

void DeviceActions::setBusy(bool busy)
{
    for (QWidget *w : std::as_const(m_lockedWidgets))
        w->setEnabled(!busy);
    for (QAction *a : std::as_const(m_lockedActions))
        a->setEnabled(!busy);
}

void DeviceActions::memo4(const OpOutcome &outcome)
{
    m_sink.applyOutcome(outcome, m_form.TabSheet3->Memo4);
}

void DeviceActions::N1Click()
{
    const OpOutcome check = m_commands.CheckDataChannel();
    if (!check.messageText.isEmpty()) {
        m_sink.applyOutcome(check);
        return;
    }
    if (m_form.dialogs().confirm(&m_form, QStringLiteral("提示"), QStringLiteral("真的要恢复出厂默认设置吗？")))
        m_sink.applyOutcome(m_commands.RestoreFactoryDefaults());
    else
        m_sink.applyOutcome(m_commands.RestoreCancelled(m_sink.panel()));
}

void DeviceActions::N6Click()
{
    const OpOutcome check = m_commands.CheckDataChannel();
    if (!check.messageText.isEmpty()) {
        m_sink.applyOutcome(check);
        return;
    }
    if (m_form.dialogs().confirm(&m_form, QStringLiteral("提示"), QStringLiteral("真的要复位设备吗？")))
        m_sink.applyOutcome(m_commands.Reset());
    else
        m_sink.applyOutcome(m_commands.ResetCancelled(m_sink.panel()));
}

void DeviceActions::N3Click()
{
    CoreSession &s = m_form.session();
    if (s.engine.isBusy()) {
        m_sink.error(ExchangeEngine::BusyText());
        return;
    }
    m_form.dialogs().information(&m_form, QStringLiteral("请先将DTU断电，点击确定按钮(OK)后，立即给DTU上电"));
    m_form.TabSheet1->ComboBox1->setCurrentIndex(9);
    m_form.TabSheet1->ComboBox6->setCurrentIndex(0);
    m_form.TabSheet1->Button3Click();
    s.state.WorkMode = 0;
    const OpOutcome r = m_commands.SwitchWorkMode(1);
    m_sink.applyOutcome(r);
    if (r.code >= 0)
        m_ops.btReadClick(m_sink);
}

void DeviceActions::Button9Click()
{
    memo4(m_commands.ReadState());
}

void DeviceActions::Button10Click()
{
    memo4(m_commands.SetState(m_form.TabSheet3->ComboBox3->currentText()));
}

void DeviceActions::Button6Click()
{
    memo4(m_commands.ReadSignal());
}

void DeviceActions::Button14Click()
{
    memo4(m_commands.ReadVersion());
}

void DeviceActions::Button19Click()
{
    memo4(m_commands.ReadClock());
}

void DeviceActions::Button20Click()
{
    memo4(m_commands.SetClock(QDateTime::currentDateTime()));
}

int DeviceActions::SelectParamChannel(int n)
{
    // Nothing is shown, whatever the device answers.
    return m_commands.SelectParamChannel(n).code;
}
