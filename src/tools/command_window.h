#pragma once
// The command window "命令执行窗口": the profile's command list and the output box.
// Created hidden; closing only hides it.
#include <QWidget>

class ConversationView;
class CoreSession;
class Dialogs;
class QPushButton;
class QTreeView;

class CommandWindow : public QWidget {
    Q_OBJECT
public:
    CommandWindow(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    // Runs the selected row: ONCLICK → send → answer → hexinput → ONREPLY. No selection: nothing.
    void runSelectedCommand();
    // How long a run waits for the answer (shortened by tests).
    int answerTimeoutMs;

    QTreeView *m_commandList;
    ConversationView *m_outputBox;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void nameControls();
    CoreSession &m_session;
    Dialogs &m_dialogs;
};
