#pragma once
// Privilege levels: Ctrl+A in the main log opens the password box; Enter in it checks the text.
#include <QObject>

class AppState;
class QLineEdit;
class QWidget;

// The level a password grants: 2 administrator, 1 service, 0 for any other text.
int PasswordLevel(const QString &text);

class PrivilegeGate : public QObject {
    Q_OBJECT
public:
    PrivilegeGate(AppState &state, QWidget *log, QLineEdit *passwordEdit, QObject *parent = nullptr);

    // Ctrl+A: shows the password box and gives it the focus.
    void askPassword();
    // Enter: an accepted password sets the level and hides the box; a wrong one only empties it.
    void checkPassword();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AppState &m_state;
    QWidget *m_log;
    QLineEdit *m_box;
};
