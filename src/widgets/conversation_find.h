#pragma once
// The find bar of a conversation view (Ctrl+F): a field, previous and next, and a word when
// nothing matches. Enter finds the next, Shift+Enter the previous, Escape closes.
#include <QFrame>

class ConversationView;
class QLabel;
class QLineEdit;
class QToolButton;

class ConversationFindBar : public QFrame {
    Q_OBJECT
public:
    explicit ConversationFindBar(ConversationView *view);

    void focusField();
    // Looks for the field's text again, from the current selection on (or back).
    bool findAgain(bool backward);
    QLineEdit *field() const { return m_field; }
    QString status() const;

public slots:
    bool close();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onEdited();
    void showFound(bool found);

    ConversationView *m_view;
    QLineEdit *m_field;
    QToolButton *m_previous;
    QToolButton *m_next;
    QToolButton *m_close;
    QLabel *m_status;
};
