#include "tools/modem_page.h"

#include "widgets/dialogs.h"
#include "text/text_codec.h"
#include "session/core_session.h"
#include "widgets/conversation_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QCoreApplication>

namespace {
struct ModemPageTexts {
    Q_DECLARE_TR_FUNCTIONS(ModemPageTexts)
};
} // namespace

ModemPage::ModemPage(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs)
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    auto *entry = new QHBoxLayout;
    entry->addWidget(new QLabel(ModemPageTexts::tr("AT命令输入   "), this));
    m_atCommandEdit = new QLineEdit(this);
    m_atCommandEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
    entry->addWidget(m_atCommandEdit, 1);
    top->addLayout(entry);
    m_replyBox = new ConversationView(this);
    top->addWidget(m_replyBox, 1);

    connect(&m_session.poll, &ReceivePoll::modemChunk, this,
            [this](const QByteArray &bytes) { m_replyBox->appendLine(GbkDecode(bytes)); });
    m_atCommandEdit->installEventFilter(this);
    nameControls();
}

void ModemPage::sendAtCommand(char terminator)
{
    // A command sent while a reply is awaited would end up inside that reply.
    if (m_session.engine.isBusy()) {
        m_session.engine.reportBusy();
        return;
    }
    QString error;
    if (!m_session.engine.SendLogged(GbkEncode(m_atCommandEdit->text()) + QByteArray(1, terminator), &error)) {
        ErrorUnlessClosing(m_dialogs, m_session.state, this, error);
        return;
    }
    m_atCommandEdit->clear();
}

bool ModemPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_atCommandEdit || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        sendAtCommand('\r');
        return true;
    }
    // Ctrl+Z ends a message text here; it is not the edit's undo.
    if (key->key() == Qt::Key_Z && (key->modifiers() & Qt::ControlModifier)) {
        sendAtCommand('\x1A');
        return true;
    }
    return false;
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void ModemPage::nameControls()
{
    m_atCommandEdit->setObjectName(QStringLiteral("Edit5"));
    m_replyBox->setObjectName(QStringLiteral("Memo8"));
}
