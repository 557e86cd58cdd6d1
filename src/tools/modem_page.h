#pragma once
// The "工业MODEM模式测试" tab: AT command entry and the reply box.
#include <QWidget>

class ConversationView;
class CoreSession;
class Dialogs;
class QLineEdit;

class ModemPage : public QWidget {
    Q_OBJECT
public:
    ModemPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    ConversationView &replies() { return *m_replyBox; }

    // Enter sends the entry + CR, Ctrl+Z the entry + 1A; the entry is emptied once sent.
    void sendAtCommand(char terminator);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

public:
    QLineEdit *m_atCommandEdit;
    ConversationView *m_replyBox;

private:
    void nameControls();
    CoreSession &m_session;
    Dialogs &m_dialogs;
};
