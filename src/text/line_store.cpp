#include "text/line_store.h"

#include <algorithm>

LineStore::LineStore(int maxLines, qsizetype maxChars) : m_maxLines(std::max(1, maxLines)), m_maxChars(std::max<qsizetype>(2, maxChars)) {}

void LineStore::setMaxLines(int lines)
{
    m_maxLines = std::max(1, lines);
    trim();
}

void LineStore::setMaxChars(qsizetype chars)
{
    m_maxChars = std::max<qsizetype>(2, chars);
    trim();
}

QStringList LineStore::SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            lines.append(text.mid(from, i - from));
            // CR LF is one break.
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            from = i + 1;
        }
    }
    lines.append(text.mid(from));
    return lines;
}

LineStore::Trimmed LineStore::append(const QStringList &lines)
{
    for (const QString &line : lines) {
        m_lines.push_back(line);
        m_start.push_back(m_nextStart);
        m_nextStart += line.size() + 1;
        m_chars += line.size();
    }
    // One empty line is what an empty document holds: nothing.
    if (m_lines.size() == 1 && m_lines.front().isEmpty()) {
        clear();
        return {};
    }
    return trim();
}

LineStore::Trimmed LineStore::trim()
{
    Trimmed t;
    auto dropFront = [&] {
        m_chars -= m_lines.front().size();
        m_lines.pop_front();
        m_start.pop_front();
        ++m_firstId;
        ++t.droppedLines;
    };
    while (size() > m_maxLines)
        dropFront();
    while (size() > 1 && characterCount() > m_maxChars)
        dropFront();
    if (size() == 1 && characterCount() > m_maxChars) {
        // A line over the cap on its own keeps its newest part, never half a surrogate pair.
        QString &line = m_lines.front();
        qsizetype cut = line.size() - (m_maxChars - 1);
        if (cut < line.size() && line.at(cut).isLowSurrogate())
            ++cut;
        line.remove(0, cut);
        m_chars -= cut;
        m_start.front() += cut;
        t.cutChars = cut;
    }
    return t;
}

void LineStore::clear()
{
    m_firstId += size();
    m_lines.clear();
    m_start.clear();
    m_chars = 0;
}

int LineStore::lineAtOffset(qsizetype offset) const
{
    if (m_lines.empty())
        return -1;
    const auto it = std::upper_bound(m_start.begin(), m_start.end(), m_start.front() + std::max<qsizetype>(0, offset));
    return static_cast<int>(it - m_start.begin()) - 1;
}

QString LineStore::mid(qsizetype offset, qsizetype length) const
{
    const qsizetype end = std::min(textLength(), offset + std::max<qsizetype>(0, length));
    offset = std::max<qsizetype>(0, offset);
    QString out;
    if (offset >= end)
        return out;
    out.reserve(end - offset);
    for (int i = lineAtOffset(offset); i < size(); ++i) {
        const qsizetype start = offsetOfLine(i);
        if (start > end)
            break;
        if (start > offset)  // the break before line i lies in the range
            out.append(QLatin1Char('\n'));
        const qsizetype from = std::max(offset, start) - start;
        out.append(QStringView(at(i)).mid(from, std::min(end, start + at(i).size()) - start - from));
    }
    return out;
}

LineStore::Match LineStore::find(const QString &needle, int line, int column, bool backward) const
{
    const int n = size();
    if (needle.isEmpty() || n == 0)
        return {};
    line = std::clamp(line, 0, n - 1);
    for (int k = 0; k <= n; ++k) {
        const int i = backward ? (line - k % n + n) % n : (line + k) % n;
        const QString &text = at(i);
        qsizetype at = -1;
        if (!backward)
            at = text.indexOf(needle, k == 0 ? column : 0, Qt::CaseInsensitive);
        else if (k > 0)
            at = text.lastIndexOf(needle, -1, Qt::CaseInsensitive);
        else if (column > 0)
            at = text.lastIndexOf(needle, column - 1, Qt::CaseInsensitive);
        if (at >= 0)
            return {i, static_cast<int>(at)};
    }
    return {};
}
