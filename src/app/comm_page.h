#pragma once
// The "通信参数设置" tab: the main parameter table, the serial and TCP settings and their handlers.
#include "link/serial_settings.h"

#include <QWidget>

class CoreSession;
class Dialogs;
class OpSink;
class ParamView;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CommPage : public QWidget {
    Q_OBJECT
public:
    CommPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    // (Re)opens the serial port with the texts of the "串口设置" group.
    void Button3Click();
    void ComboBox1Change() { Button3Click(); }
    void ComboBox6Change() { Button3Click(); }
    void Button15Click();
    void Button18Click();
    // Timed-query panel: read 0049..004F, check and prepare the settings, switch HEX mode.
    void Button4Click();
    void Button5Click();
    void CheckBox5Click();

    // Where the timed-query read reports; set by the main window.
    OpSink *sink = nullptr;

    ParamView *ListView1;
    QLineEdit *GEdit;
    QComboBox *GComboBox;
    QGroupBox *GroupBox2;   // "串口设置"
    QLineEdit *Edit1;
    QComboBox *ComboBox1;
    QComboBox *ComboBox6;
    QPushButton *Button3;
    QPushButton *btRead;
    QPushButton *btWrite;
    QGroupBox *GroupBox16;
    QLabel *Label9;
    QLineEdit *Edit8;
    QPushButton *Button15;
    QPushButton *Button18;
    QLabel *Label10;
    // Timed-query panel, hidden.
    QFrame *Panel12;
    QFrame *Panel13;
    QPushButton *Button4;
    QPushButton *Button5;
    QCheckBox *cbAutoQuery;
    QLineEdit *Edit6;
    QGroupBox *GroupBox12;
    QPlainTextEdit *Memo9;
    QCheckBox *CheckBox5;
    QPlainTextEdit *Memo10;
    // The current profile path, hidden.
    QPlainTextEdit *filename;
    QCheckBox *CheckBox1;
    QPushButton *BitBtn1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // Panel 1 of the main status bar: the serial port's state.
    void serialStatusText(const QString &text);

private:
    void buildLayout();
    void buildTimedQueryPanel();
    void onSerialLost(const QString &reason);

    CoreSession &m_session;
    Dialogs &m_dialogs;
    // The serial component's settings: a format character that says nothing keeps the last value.
    SerialSettings m_settings;
};
