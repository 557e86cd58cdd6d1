#include "widgets/conversation_wrap.h"

#include "text/line_store.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

void ConversationWrap::setMetrics(const QFont &font, qreal width)
{
    if (font != m_font) {
        m_font = font;
        m_advances.assign(0x10000, -1.0f);
        m_tabStop = QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8;
    }
    m_width = std::max<qreal>(width, 16);
}

qreal ConversationWrap::advance(QChar c) const
{
    if (m_advances.empty())
        m_advances.assign(0x10000, -1.0f);
    float &w = m_advances[c.unicode()];
    if (w < 0) {
        // Half a surrogate pair stands for half of the pair's width.
        w = c.isSurrogate() ? float(QFontMetricsF(m_font).horizontalAdvance(QStringLiteral("\U0001F600")) / 2)
                            : float(QFontMetricsF(m_font).horizontalAdvance(c));
    }
    return w;
}

QList<int> ConversationWrap::breaksOf(const QString &line) const
{
    QList<int> breaks;
    qreal x = 0, xAtBlank = 0;
    int pieceStart = 0, afterBlank = -1;
    const int n = static_cast<int>(line.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = line.at(i);
        const qreal w = c == QLatin1Char('\t') ? m_tabStop - std::fmod(x, m_tabStop) : advance(c);
        // A blank may hang past the edge, as in a wrapped text view, but a run of blanks or of
        // zero-width characters would then make one row of any length: a row ends after
        // kMaxRowChars characters too.
        if (i - pieceStart >= kMaxRowChars && !(c.isLowSurrogate() && i - 1 > pieceStart)) {
            breaks.append(i);
            pieceStart = i;
            x = 0;
            afterBlank = -1;
        } else if (x + w > m_width && i > pieceStart && !c.isSpace()) {
            const bool atBlank = afterBlank > pieceStart;
            const int at = atBlank ? afterBlank : i;
            if (at < n && line.at(at).isLowSurrogate() && at - 1 > pieceStart)
                breaks.append(at - 1);
            else
                breaks.append(at);
            pieceStart = breaks.last();
            x = atBlank ? x - xAtBlank : 0;
            if (pieceStart != at)
                x += advance(line.at(pieceStart));
            afterBlank = -1;
        }
        x += w;
        if (c.isSpace()) {
            afterBlank = i + 1;
            xAtBlank = x;
        }
    }
    return breaks;
}

void ConversationWrap::rebuild(const LineStore &store)
{
    clear();
    for (int i = 0; i < store.size(); ++i)
        append(store.at(i));
}

void ConversationWrap::clear()
{
    m_breaks.clear();
    m_rowStart.clear();
}

void ConversationWrap::append(const QString &line)
{
    m_breaks.push_back(breaksOf(line));
    m_rowStart.push_back(m_nextRow);
    m_nextRow += m_breaks.back().size() + 1;
}

void ConversationWrap::dropFront(int lines)
{
    for (int i = 0; i < lines && !m_breaks.empty(); ++i) {
        m_breaks.pop_front();
        m_rowStart.pop_front();
    }
}

void ConversationWrap::reflowFront(const QString &line)
{
    if (m_breaks.empty())
        return;
    // The first line's rows now start later, so the rows after it keep their numbers.
    m_breaks.front() = breaksOf(line);
    const qint64 next = m_rowStart.size() > 1 ? m_rowStart[1] : m_nextRow;
    m_rowStart.front() = next - (m_breaks.front().size() + 1);
}

ConversationWrap::Row ConversationWrap::rowAt(int row) const
{
    if (m_breaks.empty())
        return {};
    row = std::clamp(row, 0, rowCount() - 1);
    const auto it = std::upper_bound(m_rowStart.begin(), m_rowStart.end(), m_rowStart.front() + row);
    const int line = static_cast<int>(it - m_rowStart.begin()) - 1;
    return {line, static_cast<int>(m_rowStart.front() + row - m_rowStart[size_t(line)])};
}

int ConversationWrap::pieceEnd(int line, int piece, int lineLength) const
{
    const QList<int> &b = m_breaks[size_t(line)];
    return piece < b.size() ? b.at(piece) : lineLength;
}

int ConversationWrap::pieceOf(int line, int column) const
{
    const QList<int> &b = m_breaks[size_t(line)];
    return static_cast<int>(std::upper_bound(b.begin(), b.end(), column) - b.begin());
}
