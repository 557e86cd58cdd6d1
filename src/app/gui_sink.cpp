#include "app/gui_sink.h"

#include "widgets/dialogs.h"
#include "params/ui/param_editor.h"
#include "params/ui/param_view.h"
#include "protocol/device_commands.h"
#include "session/core_session.h"
#include "widgets/conversation_view.h"

#include <QLabel>

GuiSink::GuiSink(const Targets &targets) : m_t(targets) {}

void GuiSink::setPanel(const QString &text)
{
    m_t.resultPanel->setText(text);
}

QString GuiSink::panel() const
{
    return m_t.resultPanel->text();
}

void GuiSink::logLine(const QString &line)
{
    m_t.log->appendPlainText(line);
}

void GuiSink::message(const QString &text)
{
    m_t.dialogs.information(m_t.dialogParent, text);
}

void GuiSink::error(const QString &text)
{
    ErrorUnlessClosing(m_t.dialogs, m_t.session.state, m_t.dialogParent, text);
}

void GuiSink::rowSelected(int row)
{
    CoreSession &s = m_t.session;
    ParamView *view = nullptr;
    if (s.activeTable() == &s.mainTable)
        view = m_t.mainView;
    else if (s.activeTable() == &s.extTable)
        view = m_t.extView;
    if (view && row >= 0 && row < view->table().rowCount())
        view->scrollTo(view->table().index(row, 1));
}

void GuiSink::hideEditors()
{
    if (m_t.editor)
        m_t.editor->hideEditors();
}

void GuiSink::clearEditorText()
{
    if (m_t.editor)
        m_t.editor->clearEditorText();
}

void GuiSink::applyOutcome(const OpOutcome &outcome, ConversationView *stateLog)
{
    if (!outcome.messageText.isEmpty())
        message(outcome.messageText);
    if (!outcome.errorText.isEmpty())
        error(outcome.errorText);
    if (!outcome.panelText.isEmpty())
        setPanel(outcome.panelText);
    for (const QString &line : outcome.logLines)
        logLine(line);
    if (stateLog)
        for (const QString &line : outcome.stateLogLines)
            stateLog->appendPlainText(line);
}
