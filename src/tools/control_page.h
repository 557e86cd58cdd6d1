#pragma once
// The "控制模式测试" tab: device state access, and the hidden socket and data groups.
#include <QWidget>

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
    void buildStatusGroup();
    void buildSocketGroup();
    void buildDataPanel();

    CoreSession &m_session;
    Dialogs &m_dialogs;
};
