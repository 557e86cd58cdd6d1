#include "app/privilege.h"

#include "state/app_state.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

int PasswordLevel(const QString &text)
{
    if (text == QLatin1String("qorvelmapt"))
        return 2;
    if (text == QLatin1String("lumix"))
        return 1;
    return 0;
}

PrivilegeGate::PrivilegeGate(AppState &state, QWidget *log, QLineEdit *passwordEdit, QObject *parent)
    : QObject(parent), m_state(state), m_log(log), m_box(passwordEdit)
{
    // The log is read-only, so the key is caught before the widget handles it.
    m_log->installEventFilter(this);
    m_box->installEventFilter(this);
}

void PrivilegeGate::askPassword()
{
    m_box->setVisible(true);
    m_box->setFocus();
}

void PrivilegeGate::checkPassword()
{
    const int level = PasswordLevel(m_box->text());
    m_box->clear();
    if (level == 0)
        return;
    m_state.PasswordAccepted = true;
    m_box->setVisible(false);
    m_state.PrivilegeLevel = level;
}

bool PrivilegeGate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_log) {
        const bool ctrlA = key->text() == QString(QChar(1)) ||
                           (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier));
        if (ctrlA)
            askPassword();
        return false;  // the key goes on to the log unchanged
    }
    if (watched == m_box && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        checkPassword();
        return true;
    }
    return false;
}
