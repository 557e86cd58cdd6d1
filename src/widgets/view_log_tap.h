#pragma once
// Copies every line a log view shows into the session log, as it appears, tagged with the
// view's name. Hooked to the view itself, so every way of appending (batched or not) is
// caught and nothing has to remember to log.
#include <QObject>
#include <QString>

class ConversationView;
class SessionLog;

class ViewLogTap : public QObject {
    Q_OBJECT
public:
    ViewLogTap(ConversationView *view, SessionLog &log, const QString &tag);

    // "<window>.<view>": the same view name may be used in two windows (m_log, m_conversationBox).
    static QString TagOf(const ConversationView *view);
    // Taps `view` under TagOf(view); the tap lives as long as the view.
    static ViewLogTap *attach(ConversationView *view, SessionLog &log);

private:
    void onLines(const QStringList &lines);

    ConversationView *m_view;
    SessionLog &m_log;
    QString m_tag;
};
