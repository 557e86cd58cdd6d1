#include "tools/tform2.h"

#include "widgets/dialogs.h"
#include "widgets/named.h"
#include "profile/command_runner.h"
#include "session/core_session.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

TForm2::TForm2(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), answerTimeoutMs(CommandRunner::kAnswerTimeoutMs), m_session(session),
      m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("命令执行窗口"));
    resize(520, 360);

    auto *top = new QVBoxLayout(this);
    auto *body = new QHBoxLayout;
    ListView1 = named<QTreeView>("ListView1", this);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setModel(&m_session.buttons);
    ListView1->setColumnWidth(0, 150);
    ListView1->setColumnHidden(1, true);
    ListView1->setColumnHidden(2, true);
    ListView1->setMinimumWidth(170);
    body->addWidget(ListView1);

    Memo1 = named<QPlainTextEdit>("Memo1", this);
    Memo1->setReadOnly(true);
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Base, QColor(0xA6, 0xCA, 0xF0));  // sky blue
    Memo1->setPalette(p);
    QFont f = Memo1->font();
    f.setBold(true);
    Memo1->setFont(f);
    body->addWidget(Memo1, 1);
    top->addLayout(body, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Button1 = named<QPushButton>("Button1", QStringLiteral("确定"), this);
    Button2 = named<QPushButton>("Button2", QStringLiteral("取消"), this);
    Button2->setVisible(false);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    top->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &QWidget::hide);
    connect(ListView1, &QAbstractItemView::doubleClicked, this, [this] { ListView1DblClick(); });
}

namespace {
// The window's output box and the main log.
class WindowSink : public CommandRunSink {
public:
    WindowSink(QPlainTextEdit *output, AppState &state) : m_output(output), m_state(state) {}
    void outputLine(const QString &line) override { m_output->appendPlainText(line); }
    void logLine(const QString &line) override { m_state.log(line); }

private:
    QPlainTextEdit *m_output;
    AppState &m_state;
};

// The runner's words for a description that is not a JSON object.
bool NotAnObject(const QString &error)
{
    return error.startsWith(QStringLiteral("命令描述不是 JSON 对象"));
}
} // namespace

void TForm2::ListView1DblClick()
{
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const int i = rows.first().row();
    if (i < 0 || i >= m_session.buttons.size())
        return;
    // A copy: a profile loaded during the answer wait replaces the rows.
    const ButtonRow button = m_session.buttons.row(i);
    WindowSink sink(Memo1, m_session.state);
    CommandRunner runner(m_session);
    const CommandRunResult r = runner.Run(button, sink, answerTimeoutMs);
    if (r.ok || r.error.isEmpty())
        return;
    // A bad description is the profile's fault, told in the output box like every result;
    // busy, script and send errors go to the error box.
    if (NotAnObject(r.error))
        Memo1->appendPlainText(r.error);
    else
        m_dialogs.error(this, r.error);
}

void TForm2::closeEvent(QCloseEvent *event)
{
    // The window lives for the whole run; closing it only hides it.
    hide();
    event->ignore();
}
