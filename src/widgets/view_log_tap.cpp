#include "widgets/view_log_tap.h"

#include "log/session_log.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

ViewLogTap::ViewLogTap(QPlainTextEdit *view, SessionLog &log, const QString &tag)
    : QObject(view), m_view(view), m_log(log), m_tag(tag)
{
    connect(view->document(), &QTextDocument::contentsChange, this, &ViewLogTap::onChange);
}

QString ViewLogTap::TagOf(const QPlainTextEdit *view)
{
    const QWidget *window = view->window();
    const QString windowName = window && window != view ? window->objectName() : QString();
    return windowName.isEmpty() ? view->objectName() : windowName + QLatin1Char('.') + view->objectName();
}

ViewLogTap *ViewLogTap::attach(QPlainTextEdit *view, SessionLog &log)
{
    return view ? new ViewLogTap(view, log, TagOf(view)) : nullptr;
}

void ViewLogTap::onChange(int position, int /*removed*/, int added)
{
    // Lines dropped off the top of a capped view, or a view being cleared, add nothing.
    if (added <= 0 || !m_log.isOpen())
        return;
    // A view hidden on purpose shows nobody anything (a view on a tab not shown still does).
    if (m_view->isHidden() && m_view->testAttribute(Qt::WA_WState_ExplicitShowHide))
        return;
    QTextDocument *doc = m_view->document();
    const int end = std::min(position + added, doc->characterCount() - 1);
    if (end <= position)
        return;
    QTextCursor cursor(doc);
    cursor.setPosition(position);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    // Blocks come back separated by U+2029; an appended line starts with one.
    const QStringList lines = cursor.selectedText().split(QChar(QChar::ParagraphSeparator));
    for (const QString &line : lines)
        if (!line.isEmpty())
            m_log.line(m_tag, line);
}
