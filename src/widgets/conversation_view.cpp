#include "widgets/conversation_view.h"

#include "widgets/conversation_accessible.h"
#include "widgets/conversation_find.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>

namespace {
struct ConversationViewTexts {
    Q_DECLARE_TR_FUNCTIONS(ConversationViewTexts)
};
} // namespace

ConversationView::ConversationView(QWidget *parent)
    : QAbstractScrollArea(parent), m_store(kMaxBlocks, kMaxChars)
{
    InstallConversationAccessible();
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &ConversationView::flush);
    m_autoScrollTimer.setInterval(50);
    connect(&m_autoScrollTimer, &QTimer::timeout, this, &ConversationView::autoScroll);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ConversationView::onScrolled);

    m_newTextHint = new QToolButton(viewport());
    m_newTextHint->setText(ConversationViewTexts::tr("↓ 有新内容"));
    m_newTextHint->setCursor(Qt::ArrowCursor);
    m_newTextHint->setFocusPolicy(Qt::NoFocus);
    m_newTextHint->hide();
    connect(m_newTextHint, &QToolButton::clicked, this, &ConversationView::scrollToBottom);

    m_findBar = new ConversationFindBar(this);
    m_findBar->hide();
    rewrap();
}

ConversationView::~ConversationView() = default;

void ConversationView::appendPlainText(const QString &text)
{
    flush();
    commit(LineStore::SplitLines(text));
}

void ConversationView::appendLine(const QString &line)
{
    m_pending.append(line);
    m_pendingChars += line.size() + 1;
    // Held-back text never grows past what the view can show: it is shown now instead.
    if (m_pending.size() >= m_store.maxLines() || m_pendingChars > m_store.maxChars()) {
        flush();
        return;
    }
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void ConversationView::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    QStringList lines;
    for (const QString &line : std::as_const(m_pending))
        lines += LineStore::SplitLines(line);
    m_pending.clear();
    m_pendingChars = 0;
    commit(lines);
}

void ConversationView::commit(const QStringList &lines)
{
    emit linesAppended(lines);
    const qsizetype before = m_store.textLength();
    const int oldLines = m_wrap.lineCount();
    const LineStore::Trimmed t = m_store.append(lines);
    const int keptOld = std::max(0, oldLines - t.droppedLines);
    m_wrap.dropFront(oldLines - keptOld);
    if (t.cutChars > 0 && keptOld > 0)
        m_wrap.reflowFront(m_store.at(0));
    for (int i = m_wrap.lineCount(); i < m_store.size(); ++i)
        m_wrap.append(m_store.at(i));
    if (m_store.isEmpty())
        m_wrap.clear();
    // Positions in a line whose start was cut off move with its text.
    for (Pos *p : {&m_anchor, &m_cursor, &m_top})
        if (p->id == m_store.firstId())
            p->column = std::max(0, p->column - int(t.cutChars));
    const bool grew = m_store.textLength() != before || t.droppedLines > 0;
    if (grew && !m_follow)
        m_newTextHint->setVisible(true);
    updateScrollRange();
    placeChildren();
    viewport()->update();
    if (QAccessible::isActive() && grew) {
        QAccessibleEvent ev(this, QAccessible::TextUpdated);
        QAccessible::updateAccessibility(&ev);
    }
}

void ConversationView::clear()
{
    m_pending.clear();
    m_pendingChars = 0;
    m_flushTimer.stop();
    m_store.clear();
    m_wrap.clear();
    m_anchor = m_cursor = m_top = Pos();
    m_follow = true;
    m_newTextHint->hide();
    updateScrollRange();
    viewport()->update();
}

void ConversationView::setMaximumBlockCount(int lines)
{
    m_store.setMaxLines(lines);
    m_wrap.rebuild(m_store);
    updateScrollRange();
}

void ConversationView::setMaximumCharacterCount(int chars)
{
    m_store.setMaxChars(chars);
    m_wrap.rebuild(m_store);
    updateScrollRange();
}

int ConversationView::rowHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int ConversationView::visibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

void ConversationView::rewrap()
{
    m_wrap.setMetrics(font(), viewport()->width() - 8);
    m_wrap.rebuild(m_store);
    updateScrollRange();
}

// The range in rows; the top row follows the end, or stays on the text it showed.
void ConversationView::updateScrollRange()
{
    QScrollBar *bar = verticalScrollBar();
    const int rows = m_wrap.rowCount();
    const int page = visibleRows();
    m_settingScroll = true;
    bar->setRange(0, std::max(0, rows - page));
    bar->setPageStep(page);
    bar->setSingleStep(1);
    if (m_follow) {
        bar->setValue(bar->maximum());
    } else {
        m_top = clamped(m_top);
        const int line = indexOf(m_top);
        bar->setValue(line < 0 ? 0 : m_wrap.firstRowOf(line) + m_wrap.pieceOf(line, m_top.column));
    }
    m_settingScroll = false;
}

void ConversationView::setTop(int row)
{
    verticalScrollBar()->setValue(row);
}

void ConversationView::onScrolled(int value)
{
    if (!m_settingScroll) {
        m_follow = value >= verticalScrollBar()->maximum();
        const ConversationWrap::Row r = m_wrap.rowAt(value);
        m_top = r.line < 0 ? Pos() : Pos{m_store.firstId() + r.line, m_wrap.pieceStart(r.line, r.piece)};
        if (m_follow)
            m_newTextHint->hide();
    }
    viewport()->update();
}

void ConversationView::scrollToBottom()
{
    m_follow = true;
    m_newTextHint->hide();
    updateScrollRange();
}

bool ConversationView::newTextHintShown() const
{
    return !m_newTextHint->isHidden();
}

void ConversationView::scrollToOffset(qsizetype offset)
{
    const Pos p = posOfOffset(offset);
    const int line = indexOf(p);
    if (line < 0)
        return;
    const int row = m_wrap.firstRowOf(line) + m_wrap.pieceOf(line, p.column);
    const int top = verticalScrollBar()->value();
    if (row >= top && row < top + visibleRows())
        return;
    setTop(std::max(0, row - visibleRows() / 3));
}

void ConversationView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (viewport()->width() - 8 != m_wrap.width())
        rewrap();
    else
        updateScrollRange();
    placeChildren();
}

void ConversationView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        rewrap();
}

void ConversationView::placeChildren()
{
    const QSize hint = m_newTextHint->sizeHint();
    m_newTextHint->move(viewport()->width() - hint.width() - 4, viewport()->height() - hint.height() - 4);
    m_newTextHint->resize(hint);
    if (m_findBar->isVisible()) {
        const QRect r = contentsRect();
        const int h = m_findBar->sizeHint().height();
        // Beside the scroll bar, not over it.
        const int bar = verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0;
        m_findBar->setGeometry(r.left(), r.bottom() + 1 - h, r.width() - bar, h);
    }
}

void ConversationView::showFindBar()
{
    if (m_findBar->isHidden()) {
        m_findBar->show();
        setViewportMargins(0, 0, 0, m_findBar->sizeHint().height());
        placeChildren();
    }
    m_findBar->focusField();
}

void ConversationView::hideFindBar()
{
    m_findBar->hide();
    setViewportMargins(0, 0, 0, 0);
    setFocus();
}

void ConversationView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void ConversationView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::Find) {
        showFindBar();
    } else if (event == QKeySequence::FindNext || event == QKeySequence::FindPrevious) {
        m_findBar->findAgain(event == QKeySequence::FindPrevious);
    } else if (event->key() == Qt::Key_Escape && m_findBar->isVisible()) {
        m_findBar->close();
    } else if (event == QKeySequence::MoveToStartOfDocument) {
        setTop(0);
    } else if (event == QKeySequence::MoveToEndOfDocument) {
        scrollToBottom();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

QMenu *ConversationView::createContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *copyAction = menu->addAction(ConversationViewTexts::tr("复制"), this, &ConversationView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    QAction *all = menu->addAction(ConversationViewTexts::tr("全选"), this, &ConversationView::selectAll);
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!m_store.isEmpty());
    menu->addSeparator();
    QAction *findAction = menu->addAction(ConversationViewTexts::tr("查找..."), this, &ConversationView::showFindBar);
    findAction->setShortcut(QKeySequence::Find);
    return menu;
}

void ConversationView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
