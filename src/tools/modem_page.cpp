#include "tools/modem_page.h"

#include "app/named.h"
#include "profile/text_codec.h"
#include "state/core_session.h"
#include "tools/batched_memo.h"

#include <QHBoxLayout>
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
}
