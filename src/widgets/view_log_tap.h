#pragma once
// Copies every line a log view shows into the session log, as it appears, tagged with the
// view's name. Hooked to the view's document, so every way of appending (batched or not)
// is caught and nothing has to remember to log.
#include <QObject>
#include <QString>

class QPlainTextEdit;
class SessionLog;

class ViewLogTap : public QObject {
    Q_OBJECT
public:
    ViewLogTap(QPlainTextEdit *view, SessionLog &log, const QString &tag);

    // "<window>.<view>": the same view name may be used in two windows (m_log, m_conversationBox).
    static QString TagOf(const QPlainTextEdit *view);
    // Taps `view` under TagOf(view); the tap lives as long as the view.
    static ViewLogTap *attach(QPlainTextEdit *view, SessionLog &log);

private:
    void onChange(int position, int removed, int added);

    QPlainTextEdit *m_view;
    SessionLog &m_log;
    QString m_tag;
};
