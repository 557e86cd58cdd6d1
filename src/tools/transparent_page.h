#pragma once
// The "透明传输测试" tab: conversation box fed by the receive poll, input box, counters.
#include <QWidget>

class BatchedMemo;
class CoreSession;
class Dialogs;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

class TransparentPage : public QWidget {
    Q_OBJECT
public:
    TransparentPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    // Lines for Memo2 go through here: batched, capped.
    BatchedMemo &conversation() { return *m_conversation; }
    bool hexMode() const;

    // Sends the input box, as often as ComboBox2 says; one conversation line.
    void Button8Click();
    void CheckBox2Click();
    void Memo3Change();
    // Appends the character whose code the two hex digits of Edit3 give.
    void Button1Click();
    void Button7Click();

    QPlainTextEdit *Memo2;
    QGroupBox *GroupBox1;
    QPlainTextEdit *Memo3;
    QComboBox *ComboBox2;
    QPushButton *Button8;
    QStatusBar *StatusBar2;
    QLabel *StatusBar2Panel0;
    QCheckBox *CheckBox2;
    QPushButton *Button7;
    QLineEdit *Edit3;
    QPushButton *Button1;
    QPlainTextEdit *Memo6;
    QPushButton *suiButton15;

private:
    void connectHandlers();

    CoreSession &m_session;
    Dialogs &m_dialogs;
    BatchedMemo *m_conversation;
};
