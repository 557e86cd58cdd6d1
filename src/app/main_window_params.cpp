// The main window's parameter actions: the table editor, the result sink, the device
// actions, the buttons that read and write, and what stays locked while a reply is awaited.
#include "app/main_window.h"

#include "app/comm_page.h"
#include "app/device_actions.h"
#include "app/ext_page.h"
#include "app/gui_sink.h"
#include "params/param_ops.h"
#include "params/ui/param_editor.h"
#include "params/ui/param_view.h"
#include "session/core_session.h"
#include "tools/control_page.h"
#include "tools/modem_page.h"
#include "tools/transparent_page.h"
#include "widgets/busy_lock.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

void MainWindow::wireParamActions()
{
    m_editor = new ParamEditor(m_session, m_dialogs, m_commPage->m_paramView, m_extPage->m_paramView, m_commPage->m_valueEdit,
                               m_commPage->m_valueCombo, this);
    keepEditorPlaced = [this] { m_editor->place(); };
    m_sink = std::make_unique<GuiSink>(GuiSink::Targets{m_session, m_dialogs, this, m_resultLabel, m_log,
                                                        m_commPage->m_paramView, m_extPage->m_paramView, m_editor});
    m_ops = std::make_unique<ParamOps>(m_session, [this](int n) { selectParamChannel(n); });
    m_deviceActions = new DeviceActions({m_session, m_dialogs, this, *m_sink, *m_ops, *m_commPage, *m_controlPage}, this);
    m_commPage->sink = m_sink.get();
    connect(m_factoryDefaultsAction, &QAction::triggered, m_deviceActions, &DeviceActions::restoreDefaults);
    connect(m_resetDeviceAction, &QAction::triggered, m_deviceActions, &DeviceActions::resetDevice);
    connect(m_autoReadAction, &QAction::triggered, m_deviceActions, &DeviceActions::autoReadParams);
    selectParamChannel = [this](int n) { m_deviceActions->SelectParamChannel(n); };
    lockDuringWaits();

    connect(m_commPage->m_readButton, &QPushButton::clicked, this, &MainWindow::readMainParams);
    connect(m_commPage->m_writeButton, &QPushButton::clicked, this, &MainWindow::writeSelectedParam);
    connect(m_extPage->m_readButton, &QPushButton::clicked, this, &MainWindow::readExtParams);
    connect(m_extPage->m_writeButton, &QPushButton::clicked, this, &MainWindow::writeSelectedParam);
    connect(m_batchWriteAction, &QAction::triggered, this, &MainWindow::writeAllParams);
    connect(m_fastRepliesAction, &QAction::toggled, this, &MainWindow::setFastReplies);
    connect(m_timedQueryCheck, &QCheckBox::toggled, this, [this](bool on) { m_commPage->m_timedQueryPanel->setVisible(on); });
    connect(m_commPage->m_showDataCheck, &QCheckBox::clicked, this, &MainWindow::toggleLogPanel);
    connect(m_extPage->m_showDataCheck, &QCheckBox::clicked, this, &MainWindow::toggleLogPanel);
}

void MainWindow::lockDuringWaits()
{
    CommPage *comm = m_commPage;
    ControlPage *control = m_controlPage;
    auto *lock = new BusyLock(
        {comm->m_readButton, comm->m_writeButton, comm->m_queryReadButton, comm->m_queryWriteButton,
         m_extPage->m_readButton, m_extPage->m_writeButton, control->m_readStateButton, control->m_setStateButton,
         control->m_signalButton, control->m_versionButton, control->m_readClockButton, control->m_setClockButton,
         // Reopening the port, switching the TCP link or loading another profile in the middle of a
         // wait would pull the channel or the rows from under it.
         comm->m_openPortButton, comm->m_baudCombo, comm->m_formatCombo, comm->m_connectButton,
         comm->m_disconnectButton,
         // Showing a page selects a parameter set, which cannot be sent inside a wait.
         m_tabs->tabBar(),
         // Bytes sent during a wait would land in its reply.
         m_transparentPage->m_sendButton, m_modemPage->m_atCommandEdit, control->m_createSocketButton,
         control->m_connectSocketButton, control->m_disconnectSocketButton, control->m_closeSocketButton,
         control->m_socketSendButton, control->m_socketReceiveButton},
        {m_factoryDefaultsAction, m_resetDeviceAction, m_autoReadAction, m_batchWriteAction, m_loadProfileAction,
         m_saveProfileAction},
        this);
    connect(&m_session.engine, &ExchangeEngine::busyChanged, lock, &BusyLock::setBusy);
    connect(&m_session.engine, &ExchangeEngine::refused, this, &MainWindow::setResultText);
}

void MainWindow::readMainParams()
{
    m_ops->readMainParams(*m_sink);
}

void MainWindow::readExtParams()
{
    m_ops->readExtParams(*m_sink);
}

void MainWindow::writeSelectedParam()
{
    m_ops->writeSelectedParam(*m_sink);
}

void MainWindow::writeAllParams()
{
    m_ops->writeAllParams(*m_sink);
}
