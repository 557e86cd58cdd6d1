#include "tools/modem_page.h"

#include "widgets/dialogs.h"
#include "widgets/named.h"
#include "text/text_codec.h"
#include "session/core_session.h"
#include "tools/batched_memo.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

ModemPage::ModemPage(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs)
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    auto *entry = new QHBoxLayout;
    entry->addWidget(new QLabel(QStringLiteral("AT命令输入   "), this));
    Edit5 = named<QLineEdit>("Edit5", this);
    Edit5->setAttribute(Qt::WA_InputMethodEnabled, false);
    entry->addWidget(Edit5, 1);
    top->addLayout(entry);
    Memo8 = named<QPlainTextEdit>("Memo8", this);
    Memo8->setReadOnly(true);
    top->addWidget(Memo8, 1);

    m_replies = new BatchedMemo(Memo8, this);
    connect(&m_session.poll, &ReceivePoll::modemChunk, this,
            [this](const QByteArray &bytes) { m_replies->appendLine(GbkDecode(bytes)); });
    Edit5->installEventFilter(this);
}

void ModemPage::Edit5KeyPress(char terminator)
{
    // A command sent while a reply is awaited would end up inside that reply.
    if (m_session.engine.isBusy()) {
        m_dialogs.error(this, ExchangeEngine::BusyText());
        return;
    }
    QString error;
    if (!m_session.engine.SendLogged(GbkEncode(Edit5->text()) + QByteArray(1, terminator), &error)) {
        m_dialogs.error(this, error);
        return;
    }
    Edit5->clear();
}

bool ModemPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Edit5 || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        Edit5KeyPress('\r');
        return true;
    }
    // Ctrl+Z ends a message text here; it is not the edit's undo.
    if (key->key() == Qt::Key_Z && (key->modifiers() & Qt::ControlModifier)) {
        Edit5KeyPress('\x1A');
        return true;
    }
    return false;
}
