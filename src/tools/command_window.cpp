#include "tools/command_window.h"

#include "widgets/busy_lock.h"
#include "widgets/conversation_view.h"
#include "widgets/dialogs.h"
#include "profile/command_runner.h"
#include "session/core_session.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QCoreApplication>

namespace {
struct CommandWindowTexts {
    Q_DECLARE_TR_FUNCTIONS(CommandWindowTexts)
};
} // namespace

CommandWindow::CommandWindow(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), answerTimeoutMs(CommandRunner::kAnswerTimeoutMs), m_session(session),
      m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(CommandWindowTexts::tr("命令执行窗口"));
    resize(520, 360);

    auto *top = new QVBoxLayout(this);
    auto *body = new QHBoxLayout;
    m_commandList = new QTreeView(this);
    m_commandList->setRootIsDecorated(false);
    m_commandList->setItemsExpandable(false);
    m_commandList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_commandList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_commandList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_commandList->setModel(&m_session.buttons);
    m_commandList->setColumnWidth(0, 150);
    m_commandList->setColumnHidden(1, true);
    m_commandList->setColumnHidden(2, true);
    m_commandList->setMinimumWidth(170);
    body->addWidget(m_commandList);

    m_outputBox = new ConversationView(this);
    QPalette p = m_outputBox->palette();
    p.setColor(QPalette::Base, QColor(0xA6, 0xCA, 0xF0));  // sky blue
    m_outputBox->setPalette(p);
    QFont f = m_outputBox->font();
    f.setBold(true);
    m_outputBox->setFont(f);
    body->addWidget(m_outputBox, 1);
    top->addLayout(body, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_okButton = new QPushButton(CommandWindowTexts::tr("确定"), this);
    m_cancelButton = new QPushButton(CommandWindowTexts::tr("取消"), this);
    m_cancelButton->setVisible(false);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    top->addLayout(buttons);

    connect(m_okButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_commandList, &QAbstractItemView::doubleClicked, this, [this] { runSelectedCommand(); });
    // A command cannot run inside another exchange's wait: the list says so by being disabled.
    connect(&m_session.engine, &ExchangeEngine::busyChanged, new BusyLock({m_commandList}, {}, this),
            &BusyLock::setBusy);
    nameControls();
}

namespace {
// The window's output box and the main log.
class WindowSink : public CommandRunSink {
public:
    WindowSink(ConversationView *output, AppState &state) : m_output(output), m_state(state) {}
    void outputLine(const QString &line) override { m_output->appendPlainText(line); }
    void logLine(const QString &line) override { m_state.log(line); }

private:
    ConversationView *m_output;
    AppState &m_state;
};
} // namespace

void CommandWindow::runSelectedCommand()
{
    const QModelIndexList rows = m_commandList->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const int i = rows.first().row();
    if (i < 0 || i >= m_session.buttons.size())
        return;
    // A copy: a profile loaded during the answer wait replaces the rows.
    const ButtonRow button = m_session.buttons.row(i);
    WindowSink sink(m_outputBox, m_session.state);
    CommandRunner runner(m_session);
    const CommandRunResult r = runner.Run(button, sink, answerTimeoutMs);
    if (r.ok || r.error.isEmpty())
        return;
    // A bad description is the profile's fault, told in the output box like every result;
    // busy is told in the log and the status panel; script and send errors go to the error box.
    if (r.failure == CommandFailure::NotAnObject)
        m_outputBox->appendPlainText(r.error);
    else if (r.failure == CommandFailure::Busy)
        m_session.engine.reportBusy();
    else
        ErrorUnlessClosing(m_dialogs, m_session.state, this, r.error);
}

void CommandWindow::closeEvent(QCloseEvent *event)
{
    // The window lives for the whole run; closing it only hides it, until the main window
    // closes and takes it along.
    if (m_session.state.CloseRequested) {
        event->accept();
        return;
    }
    hide();
    event->ignore();
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void CommandWindow::nameControls()
{
    m_commandList->setObjectName(QStringLiteral("ListView1"));
    m_outputBox->setObjectName(QStringLiteral("Memo1"));
    m_okButton->setObjectName(QStringLiteral("Button1"));
    m_cancelButton->setObjectName(QStringLiteral("Button2"));
}
