#pragma once
// The command window "命令执行窗口": the profile's command list and the output box.
// Created hidden; closing only hides it.
#include <QWidget>

class CoreSession;
class Dialogs;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    TForm2(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    // Runs the selected row: ONCLICK → send → answer → hexinput → ONREPLY. No selection: nothing.
    void ListView1DblClick();
    // How long a run waits for the answer (shortened by tests).
    int answerTimeoutMs;

    QTreeView *ListView1;
    QPlainTextEdit *Memo1;
    QPushButton *Button1;
    QPushButton *Button2;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    CoreSession &m_session;
    Dialogs &m_dialogs;
};
