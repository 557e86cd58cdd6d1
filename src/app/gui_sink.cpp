#include "app/gui_sink.h"

#include "app/comm_page.h"
#include "widgets/dialogs.h"
#include "app/ext_page.h"
#include "app/tform1.h"
#include "params/ui/param_editor.h"
#include "params/ui/param_view.h"
#include "protocol/device_commands.h"
#include "session/core_session.h"

#include <QLabel>
#include <QPlainTextEdit>

GuiSink::GuiSink(TForm1 &form, ParamEditor *editor) : m_form(form), m_editor(editor) {}

void GuiSink::setPanel(const QString &text)
{
    m_form.setResultText(text);
}

QString GuiSink::panel() const
{
    return m_form.resultText();
}

void GuiSink::logLine(const QString &line)
{
    m_form.log(line);
}

void GuiSink::message(const QString &text)
{
    m_form.dialogs().information(&m_form, text);
}

void GuiSink::error(const QString &text)
{
    m_form.dialogs().error(&m_form, text);
}

void GuiSink::rowSelected(int row)
{
    CoreSession &s = m_form.session();
    ParamView *view = nullptr;
    if (s.activeTable() == &s.mainTable)
        view = m_form.TabSheet1->ListView1;
    else if (s.activeTable() == &s.extTable)
        view = m_form.TabSheet5->ListView2;
    if (view && row >= 0 && row < view->table().rowCount())
        view->scrollTo(view->table().index(row, 1));
}

void GuiSink::hideEditors()
{
    if (m_editor)
        m_editor->hideEditors();
}

void GuiSink::clearEditorText()
{
    if (m_editor)
        m_editor->clearEditorText();
}

void GuiSink::applyOutcome(const OpOutcome &outcome, QPlainTextEdit *memo4)
{
    if (!outcome.messageText.isEmpty())
        message(outcome.messageText);
    if (!outcome.errorText.isEmpty())
        error(outcome.errorText);
    if (!outcome.panelText.isEmpty())
        setPanel(outcome.panelText);
    for (const QString &line : outcome.memo1Lines)
        logLine(line);
    if (memo4)
        for (const QString &line : outcome.memo4Lines)
            memo4->appendPlainText(line);
}
