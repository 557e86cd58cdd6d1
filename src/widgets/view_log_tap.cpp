#include "widgets/view_log_tap.h"

#include "log/session_log.h"
#include "widgets/conversation_view.h"

ViewLogTap::ViewLogTap(ConversationView *view, SessionLog &log, const QString &tag)
    : QObject(view), m_view(view), m_log(log), m_tag(tag)
{
    connect(view, &ConversationView::linesAppended, this, &ViewLogTap::onLines);
}

QString ViewLogTap::TagOf(const ConversationView *view)
{
    const QWidget *window = view->window();
    const QString windowName = window && window != view ? window->objectName() : QString();
    return windowName.isEmpty() ? view->objectName() : windowName + QLatin1Char('.') + view->objectName();
}

ViewLogTap *ViewLogTap::attach(ConversationView *view, SessionLog &log)
{
    return view ? new ViewLogTap(view, log, TagOf(view)) : nullptr;
}

void ViewLogTap::onLines(const QStringList &lines)
{
    if (!m_log.isOpen())
        return;
    // A view hidden on purpose shows nobody anything (a view on a tab not shown still does).
    if (m_view->isHidden() && m_view->testAttribute(Qt::WA_WState_ExplicitShowHide))
        return;
    // Every line once, as it is shown, even one the view's cap drops at once; an empty line
    // shows nothing worth a log line.
    for (const QString &line : lines)
        if (!line.isEmpty())
            m_log.line(m_tag, line);
}
