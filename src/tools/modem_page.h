#pragma once
// The "工业MODEM模式测试" tab: AT command entry and the reply box.
#include <QWidget>

class BatchedMemo;
class CoreSession;
class Dialogs;
class QLineEdit;
class QPlainTextEdit;

class ModemPage : public QWidget {
    Q_OBJECT
public:
    ModemPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    BatchedMemo &replies() { return *m_replies; }

    QLineEdit *Edit5;
    QPlainTextEdit *Memo8;

private:
    CoreSession &m_session;
    Dialogs &m_dialogs;
    BatchedMemo *m_replies;
};
