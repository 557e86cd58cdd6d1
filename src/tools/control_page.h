#pragma once
// The "控制模式测试" tab: device state access, and the hidden socket and data groups.
#include "tools/socket_frames.h"

#include <QWidget>
#include <functional>

class ConversationView;
class CoreSession;
class Dialogs;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

class ControlPage : public QWidget {
    Q_OBJECT
public:
    ControlPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    // The socket commands: one acknowledged exchange each, one main-log line by result.
    void createSocket() { socketCommand(socketcmd::SocketOp::Create); }
    void connectSocket() { socketCommand(socketcmd::SocketOp::Connect); }
    void disconnectSocket() { socketCommand(socketcmd::SocketOp::Disconnect); }
    void closeSocket() { socketCommand(socketcmd::SocketOp::Close); }
    // Sends m_socketPayloadEdit through socket 0, as often as m_socketRepeatCombo says, 200 ms apart.
    void sendSocketData();
    // Fetches what socket 0 received.
    void fetchSocketData();
    void toggleSocketHexMode();
    void onPayloadChanged();
    void appendSocketHexChar();

    // The main window's result panel (panel 3), set when the page is installed.
    std::function<void(const QString &)> setResultText = [](const QString &) {};
    std::function<QString()> resultText = [] { return QString(); };

    QGroupBox *m_stateGroup;
    QPushButton *m_readStateButton;
    QPushButton *m_setStateButton;
    QComboBox *m_stateCombo;
    QPushButton *m_signalButton;
    QPushButton *m_versionButton;
    QPushButton *m_readClockButton;
    QPushButton *m_setClockButton;
    ConversationView *m_stateLog;

    QGroupBox *m_socketGroup;
    QLineEdit *m_localPortEdit;
    QLineEdit *m_remotePortEdit;
    QComboBox *m_protocolCombo;
    QLineEdit *m_remoteIpEdit;
    QPushButton *m_createSocketButton;
    QPushButton *m_connectSocketButton;
    QPushButton *m_disconnectSocketButton;
    QPushButton *m_closeSocketButton;

    QFrame *m_dataPanel;
    QGroupBox *m_dataGroup;
    QPlainTextEdit *m_socketPayloadEdit;
    QComboBox *m_socketRepeatCombo;
    QPushButton *m_socketSendButton;
    QPushButton *m_socketReceiveButton;
    QCheckBox *m_socketHexCheck;
    QLineEdit *m_socketHexCharEdit;
    QPushButton *m_addSocketHexCharButton;
    QPushButton *m_socketClearCountersButton;
    QPlainTextEdit *m_socketLog;
    QStatusBar *m_socketStatusBar;

private:
    void nameControls();
    void connectHandlers();
    void socketCommand(socketcmd::SocketOp op);
    // One send-data exchange; false when nothing could be sent (the error box was shown).
    bool sendDataOnce(const QByteArray &data);
    void buildStatusGroup();
    void buildSocketGroup();
    void buildDataPanel();

    CoreSession &m_session;
    Dialogs &m_dialogs;
};
