#include "widgets/conversation_find.h"

#include "widgets/conversation_view.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

namespace {
struct ConversationFindTexts {
    Q_DECLARE_TR_FUNCTIONS(ConversationFindTexts)
};
} // namespace

ConversationFindBar::ConversationFindBar(ConversationView *view) : QFrame(view), m_view(view)
{
    setObjectName(QStringLiteral("findBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    row->addWidget(new QLabel(ConversationFindTexts::tr("查找:"), this));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("findField"));
    m_field->setClearButtonEnabled(true);
    row->addWidget(m_field, 1);
    m_previous = new QToolButton(this);
    m_previous->setText(ConversationFindTexts::tr("上一个"));
    m_next = new QToolButton(this);
    m_next->setText(ConversationFindTexts::tr("下一个"));
    m_status = new QLabel(this);
    m_close = new QToolButton(this);
    m_close->setText(QStringLiteral("×"));
    m_close->setAutoRaise(true);
    m_close->setToolTip(ConversationFindTexts::tr("关闭"));
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_status);
    row->addWidget(m_close);

    connect(m_field, &QLineEdit::textEdited, this, &ConversationFindBar::onEdited);
    connect(m_previous, &QToolButton::clicked, this, [this] { findAgain(true); });
    connect(m_next, &QToolButton::clicked, this, [this] { findAgain(false); });
    connect(m_close, &QToolButton::clicked, this, &ConversationFindBar::close);
    m_field->installEventFilter(this);
}

void ConversationFindBar::focusField()
{
    const QString selected = m_view->selectedText();
    if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n')) && selected.size() <= 200)
        m_field->setText(selected);
    m_field->selectAll();
    m_field->setFocus();
}

QString ConversationFindBar::status() const
{
    return m_status->text();
}

void ConversationFindBar::showFound(bool found)
{
    m_status->setText(found || m_field->text().isEmpty() ? QString() : ConversationFindTexts::tr("未找到"));
}

bool ConversationFindBar::findAgain(bool backward)
{
    if (m_field->text().isEmpty()) {
        if (isHidden())
            m_view->showFindBar();
        return false;
    }
    const bool found = m_view->find(m_field->text(), backward);
    showFound(found);
    return found;
}

void ConversationFindBar::onEdited()
{
    // While typing, the match grows where it stands rather than jumping on.
    if (m_view->hasSelection())
        m_view->setSelection(m_view->selectionStart(), m_view->selectionStart());
    showFound(m_field->text().isEmpty() || m_view->find(m_field->text()));
}

bool ConversationFindBar::close()
{
    m_status->clear();
    m_view->hideFindBar();
    return true;
}

bool ConversationFindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            findAgain(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        if (key->matches(QKeySequence::FindNext) || key->matches(QKeySequence::FindPrevious)) {
            findAgain(key->matches(QKeySequence::FindPrevious));
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

// Searches from the selection (or the first row shown) on, selects the match and shows it.
bool ConversationView::find(const QString &text, bool backward)
{
    flush();
    if (text.isEmpty() || m_store.isEmpty())
        return false;
    Pos from;
    if (hasSelection()) {
        from = posOfOffset(backward ? selectionStart() : selectionEnd());
    } else if (m_anchor.id >= 0) {
        from = clamped(m_anchor);
    } else {
        const ConversationWrap::Row r = m_wrap.rowAt(verticalScrollBar()->value());
        from = {m_store.firstId() + r.line, m_wrap.pieceStart(r.line, r.piece)};
    }
    const LineStore::Match m = m_store.find(text, indexOf(from), from.column, backward);
    if (m.line < 0)
        return false;
    const qsizetype start = m_store.offsetOfLine(m.line) + m.column;
    setSelection(start, start + text.size());
    scrollToOffset(start);
    return true;
}
