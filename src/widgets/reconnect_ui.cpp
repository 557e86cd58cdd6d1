#include "widgets/reconnect_ui.h"

#include "link/data_link.h"
#include "link/serial_reconnector.h"
#include "link/tcp_channel.h"
#include "link/tcp_reconnector.h"
#include "log/session_log.h"
#include "state/app_state.h"
#include "state/user_settings.h"
#include "widgets/conversation_view.h"
#include "widgets/view_log_tap.h"

#include <QCoreApplication>
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

ReconnectUi::ReconnectUi(QMainWindow &window, const ReconnectParts &parts, UserSettings &settings)
    : QObject(&window), m_window(window), m_parts(parts), m_settings(settings)
{
    openUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    m_panel1 = window.findChild<QLabel *>(QStringLiteral("StatusBar1Panel1"));
    m_label10 = window.findChild<QLabel *>(QStringLiteral("Label10"));

    // Next to "快速应答", the other link preference.
    QMenu *menu = nullptr;
    if (QAction *fast = window.findChild<QAction *>(QStringLiteral("NFast")))
        for (QObject *o : fast->associatedObjects())
            if ((menu = qobject_cast<QMenu *>(o)))
                break;
    if (!menu && window.menuBar())
        menu = window.menuBar()->addMenu(QCoreApplication::translate("ReconnectTexts", "连接"));
    m_auto = menu->addAction(QCoreApplication::translate("ReconnectTexts", "自动重连"));
    m_auto->setObjectName(QStringLiteral("NAutoReconnect"));
    m_auto->setCheckable(true);
    m_auto->setChecked(settings.autoReconnect());
    m_folder = menu->addAction(QCoreApplication::translate("ReconnectTexts", "打开日志文件夹"));
    m_folder->setObjectName(QStringLiteral("NLogFolder"));
    setAutoReconnect(settings.autoReconnect());
    connect(m_auto, &QAction::toggled, this, [this](bool on) {
        m_settings.setAutoReconnect(on);
        setAutoReconnect(on);
    });
    connect(m_folder, &QAction::triggered, this, &ReconnectUi::showLogFolder);

    SerialReconnector &serial = parts.serial;
    connect(&serial, &SerialReconnector::waiting, this, &ReconnectUi::onSerialWaiting);
    connect(&serial, &SerialReconnector::reconnected, this, &ReconnectUi::onSerialBack);
    connect(&serial, &SerialReconnector::lostForGood, this, &ReconnectUi::onSerialLostForGood);
    connect(&serial, &SerialReconnector::cannotConfirm, this, [this](const QString &port, const QString &reason) {
        const QString text = SerialReconnector::CannotConfirmText(port);
        if (m_panel1)
            m_panel1->setText(text);
        m_parts.state.log(reason.isEmpty() ? text : text + QStringLiteral(" ") + reason);
    });

    // The pages set m_tcpStatusLabel from the channel's own events first; during reconnection these
    // handlers, connected later, say which attempt it is.
    TcpChannel &tcp = parts.link.tcp();
    TcpReconnector &again = parts.tcp;
    connect(&tcp, &TcpChannel::connecting, this, [this, &again] {
        if (m_label10 && again.isReconnecting())
            m_label10->setText(TcpReconnector::AttemptText(again.attempts()));
    });
    connect(&tcp, &TcpChannel::disconnected, this, [this, &again] {
        if (m_label10 && again.isWaiting())
            m_label10->setText(TcpReconnector::WaitingText(again.attempts() + 1,
                                                           TcpReconnector::PauseBeforeAttempt(again.attempts() + 1) / 1000));
    });
    // Attempts taken up again ("自动重连" on) come with no disconnect of their own.
    connect(&again, &TcpReconnector::waiting, this, [this](int attempt) {
        if (m_label10)
            m_label10->setText(TcpReconnector::WaitingText(attempt, TcpReconnector::PauseBeforeAttempt(attempt) / 1000));
    });
    connect(&again, &TcpReconnector::stopped, this, [this] {
        if (m_label10)
            m_label10->setText(QCoreApplication::translate("CommPageTexts", "TCP维护端口连接失败"));
    });
    connect(&again, &TcpReconnector::reconnected, this,
            [this] { m_parts.state.log(QCoreApplication::translate("ReconnectTexts", "[TCP维护端口已重新连接]")); });
    // A log that cannot be written is said once where results are shown, and again when it works.
    connect(&parts.log, &SessionLog::failed, this, &ReconnectUi::showLogState);
    connect(&parts.log, &SessionLog::recovered, this, &ReconnectUi::showLogState);
}

void ReconnectUi::showLogState(const QString &text)
{
    if (auto *panel3 = m_window.findChild<QLabel *>(QStringLiteral("StatusBar1Panel3")))
        panel3->setText(text);
    m_parts.state.log(text);
}

void ReconnectUi::setAutoReconnect(bool on)
{
    m_parts.serial.setEnabled(on);
    m_parts.tcp.setEnabled(on);
}

void ReconnectUi::openLog()
{
    m_parts.log.openFolder(m_settings.logFolder(), m_settings.logKeepDays(), m_settings.logMaxBytes());
}

void ReconnectUi::tapViews(QWidget *window, const QStringList &viewNames)
{
    if (!window)
        return;
    for (const QString &name : viewNames)
        for (ConversationView *view : window->findChildren<ConversationView *>(name))
            ViewLogTap::attach(view, m_parts.log);
}

void ReconnectUi::onSerialWaiting(const QString &port, const QString &reason)
{
    const QString text = SerialReconnector::WaitingText(port);
    if (m_panel1)
        m_panel1->setText(text);
    m_parts.state.log(QStringLiteral("[%1]%2").arg(text, reason.isEmpty() ? QString() : QStringLiteral(" ") + reason));
}

QString ReconnectUi::openText(const SerialSettings &settings)
{
    // As after "打开串口", with what the port was opened with (the lists may show other choices by now).
    return QCoreApplication::translate("CommPageTexts", "%1打开成功,BaudRate=%2,参数=%3")
        .arg(settings.portName, QString::number(settings.baudRate), FormatText(settings));
}

void ReconnectUi::onSerialBack(const SerialSettings &settings)
{
    // Found under a new name: the port field follows, so the next "打开串口" opens it too.
    if (auto *edit = m_window.findChild<QLineEdit *>(QStringLiteral("Edit1")))
        edit->setText(settings.portName);
    if (m_panel1)
        m_panel1->setText(openText(settings));
    m_parts.state.log(SerialReconnector::ReconnectedText());
}

void ReconnectUi::onSerialLostForGood(const QString &port, const QString &reason)
{
    if (m_panel1)
        m_panel1->setText(LostText(port));
    m_parts.state.log(QStringLiteral("[%1]%2").arg(LostText(port), reason.isEmpty() ? QString() : QStringLiteral(" ") + reason));
}

void ReconnectUi::showLogFolder()
{
    const QString folder = m_settings.logFolder();
    QDir().mkpath(folder);
    if (!openUrl(QUrl::fromLocalFile(folder)))
        m_parts.state.log(QCoreApplication::translate("ReconnectTexts", "[无法打开日志文件夹：%1]").arg(folder));
}
