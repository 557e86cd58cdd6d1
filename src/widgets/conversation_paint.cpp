// The conversation view's rows on screen: painting only the visible rows, and the selection
// made with the mouse.
#include "widgets/conversation_view.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

namespace {
constexpr int kMargin = 4;  // as a text edit's document margin
} // namespace

void ConversationView::layoutPiece(QTextLayout &layout, int line, int piece) const
{
    const QString &text = m_store.at(line);
    const int start = m_wrap.pieceStart(line, piece);
    layout.setText(text.mid(start, m_wrap.pieceEnd(line, piece, int(text.size())) - start));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine row = layout.createLine();
    if (row.isValid())
        row.setPosition(QPointF(0, 0));
    layout.endLayout();
}

void ConversationView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const int h = rowHeight();
    const int top = verticalScrollBar()->value();
    const int rows = std::min(m_wrap.rowCount() - top, viewport()->height() / h + 1);
    const bool selection = hasSelection();
    const qsizetype selStart = selection ? selectionStart() : 0, selEnd = selection ? selectionEnd() : 0;
    painter.setPen(palette().color(QPalette::Text));
    for (int i = 0; i < rows; ++i) {
        const ConversationWrap::Row r = m_wrap.rowAt(top + i);
        if (r.line < 0)
            break;
        QTextLayout layout;
        layoutPiece(layout, r.line, r.piece);
        QList<QTextLayout::FormatRange> ranges;
        if (selection) {
            const qsizetype rowStart = m_store.offsetOfLine(r.line) + m_wrap.pieceStart(r.line, r.piece);
            const qsizetype rowEnd = rowStart + layout.text().size();
            // The line's break is selected too: shown as a little highlight past the end.
            const bool breakSelected = selEnd > rowEnd && selStart <= rowEnd &&
                                       r.piece == m_wrap.pieceCount(r.line) - 1 && r.line < m_store.size() - 1;
            const qsizetype from = std::max(selStart, rowStart), to = std::min(selEnd, rowEnd);
            if (from < to || breakSelected) {
                QTextLayout::FormatRange range;
                range.start = int(from - rowStart);
                range.length = int(std::max<qsizetype>(0, to - from));
                range.format.setBackground(palette().brush(QPalette::Highlight));
                range.format.setForeground(palette().brush(QPalette::HighlightedText));
                ranges.append(range);
                if (breakSelected) {
                    const qreal x = kMargin + layout.lineAt(0).naturalTextWidth();
                    painter.fillRect(QRectF(x, i * h, fontMetrics().horizontalAdvance(QLatin1Char(' ')), h),
                                     palette().brush(QPalette::Highlight));
                }
            }
        }
        layout.draw(&painter, QPointF(kMargin, i * h), ranges);
    }
}

ConversationView::Pos ConversationView::clamped(Pos p) const
{
    if (m_store.isEmpty() || p.id < 0)
        return Pos();
    const int i = indexOf(p);
    if (i < 0)
        return {m_store.firstId(), 0};
    if (i >= m_store.size())
        return {m_store.firstId() + m_store.size() - 1, int(m_store.at(m_store.size() - 1).size())};
    return {p.id, std::clamp(p.column, 0, int(m_store.at(i).size()))};
}

qsizetype ConversationView::offsetOf(const Pos &p) const
{
    const Pos c = clamped(p);
    return c.id < 0 ? 0 : m_store.offsetOfLine(indexOf(c)) + c.column;
}

ConversationView::Pos ConversationView::posOfOffset(qsizetype offset) const
{
    const int line = m_store.lineAtOffset(std::clamp<qsizetype>(offset, 0, m_store.textLength()));
    if (line < 0)
        return Pos();
    return clamped({m_store.firstId() + line, int(offset - m_store.offsetOfLine(line))});
}

ConversationView::Pos ConversationView::posAt(const QPoint &point) const
{
    if (m_store.isEmpty())
        return Pos();
    const int row = verticalScrollBar()->value() + std::max(0, point.y()) / rowHeight();
    if (row >= m_wrap.rowCount())
        return clamped({m_store.firstId() + m_store.size(), 0});
    const ConversationWrap::Row r = m_wrap.rowAt(row);
    QTextLayout layout;
    layoutPiece(layout, r.line, r.piece);
    const int column = layout.lineAt(0).xToCursor(point.x() - kMargin);
    return {m_store.firstId() + r.line, m_wrap.pieceStart(r.line, r.piece) + column};
}

bool ConversationView::hasSelection() const
{
    return m_anchor.id >= 0 && selectionStart() != selectionEnd();
}

qsizetype ConversationView::selectionStart() const
{
    return std::min(offsetOf(m_anchor), offsetOf(m_cursor));
}

qsizetype ConversationView::selectionEnd() const
{
    return std::max(offsetOf(m_anchor), offsetOf(m_cursor));
}

QString ConversationView::selectedText() const
{
    return hasSelection() ? m_store.mid(selectionStart(), selectionEnd() - selectionStart()) : QString();
}

void ConversationView::setSelection(qsizetype start, qsizetype end)
{
    m_anchor = posOfOffset(start);
    m_cursor = posOfOffset(end);
    viewport()->update();
}

void ConversationView::selectAll()
{
    setSelection(0, m_store.textLength());
}

void ConversationView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const Pos p = posAt(event->position().toPoint());
    m_cursor = p;
    if (!(event->modifiers() & Qt::ShiftModifier) || m_anchor.id < 0)
        m_anchor = p;
    m_selecting = true;
    viewport()->update();
}

void ConversationView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting)
        return QAbstractScrollArea::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    m_cursor = posAt(at);
    // Dragged past the top or the bottom: the text scrolls under the mouse.
    if (at.y() < 0 || at.y() > viewport()->height())
        m_autoScrollTimer.start();
    else
        m_autoScrollTimer.stop();
    viewport()->update();
}

void ConversationView::autoScroll()
{
    const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + (at.y() < 0 ? -1 : 1));
    m_cursor = posAt(QPoint(at.x(), std::clamp(at.y(), 0, viewport()->height() - 1)));
}

void ConversationView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_selecting)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    m_selecting = false;
    m_autoScrollTimer.stop();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void ConversationView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    // A word: the letters and digits around the point.
    const Pos p = clamped(posAt(event->position().toPoint()));
    if (p.id < 0)
        return;
    const QString &text = m_store.at(indexOf(p));
    int from = p.column, to = p.column;
    auto wordChar = [&](int i) { return text.at(i).isLetterOrNumber() || text.at(i) == QLatin1Char('_'); };
    while (from > 0 && wordChar(from - 1))
        --from;
    while (to < text.size() && wordChar(to))
        ++to;
    m_anchor = {p.id, from};
    m_cursor = {p.id, to};
    viewport()->update();
}
