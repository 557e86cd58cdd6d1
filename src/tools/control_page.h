#pragma once
// The "控制模式测试" tab: device state access, and the hidden socket and data groups.
#include "tools/socket_frames.h"

#include <QWidget>
#include <functional>

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
    void suiButton3Click() { socketCommand(socketcmd::SocketOp::Create); }
    void suiButton4Click() { socketCommand(socketcmd::SocketOp::Connect); }
    void suiButton7Click() { socketCommand(socketcmd::SocketOp::Disconnect); }
    void suiButton8Click() { socketCommand(socketcmd::SocketOp::Close); }
    // Sends Memo5 through socket 0, as often as ComboBox4 says, 200 ms apart.
    void Button11Click();
    // Fetches what socket 0 received.
    void Button13Click();
    void CheckBox3Click();
    void Memo50Change();
    void Button2Click();

    // The main window's result panel (panel 3), set when the page is installed.
    std::function<void(const QString &)> setResultText = [](const QString &) {};
    std::function<QString()> resultText = [] { return QString(); };

    QGroupBox *GroupBox5;
    QPushButton *Button9;
    QPushButton *Button10;
    QComboBox *ComboBox3;
    QPushButton *Button6;
    QPushButton *Button14;
    QPushButton *Button19;
    QPushButton *Button20;
    QPlainTextEdit *Memo4;

    QGroupBox *GroupBox4;
    QLineEdit *MaskEdit1;
    QLineEdit *MaskEdit2;
    QComboBox *ComboBox5;
    QLineEdit *Edit2;
    QPushButton *suiButton3;
    QPushButton *suiButton4;
    QPushButton *suiButton7;
    QPushButton *suiButton8;

    QFrame *Panel8;
    QGroupBox *GroupBox6;
    QPlainTextEdit *Memo5;
    QComboBox *ComboBox4;
    QPushButton *Button11;
    QPushButton *Button13;
    QCheckBox *CheckBox3;
    QLineEdit *Edit4;
    QPushButton *Button2;
    QPushButton *Button12;
    QPlainTextEdit *Memo7;
    QStatusBar *StatusBar3;

private:
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
