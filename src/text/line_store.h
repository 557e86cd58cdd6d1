#pragma once
// The text of a conversation view: plain lines with a cap on their number and on their
// characters, the oldest dropped first. Appending costs what the new lines cost, whatever the
// store already holds; no line is ever laid out here.
#include <QString>
#include <QStringList>
#include <deque>

class LineStore {
public:
    LineStore(int maxLines, qsizetype maxChars);

    void setMaxLines(int lines);
    void setMaxChars(qsizetype chars);
    int maxLines() const { return m_maxLines; }
    qsizetype maxChars() const { return m_maxChars; }

    // Cut at the line breaks a plain-text document makes of appended text: \n, \r, CR LF as
    // one, U+2028, U+2029.
    static QStringList SplitLines(const QString &text);

    struct Trimmed {
        int droppedLines = 0;   // from the front, counting new lines dropped at once
        qsizetype cutChars = 0; // taken from the start of the first line kept (a line alone over the cap)
    };
    // Appends `lines` and trims to the caps. An empty store takes an empty first line as
    // nothing, as an empty document does.
    Trimmed append(const QStringList &lines);
    void clear();

    int size() const { return static_cast<int>(m_lines.size()); }
    bool isEmpty() const { return m_lines.empty(); }
    const QString &at(int i) const { return m_lines[static_cast<size_t>(i)]; }
    // Ids grow by one per line ever held, so a position given by id survives lines dropped.
    qint64 firstId() const { return m_firstId; }

    // What text() holds, and what a text document would count (every line with its break).
    qsizetype textLength() const { return m_lines.empty() ? 0 : m_chars + size() - 1; }
    qsizetype characterCount() const { return m_chars + std::max(1, size()); }
    QString text() const { return mid(0, textLength()); }
    QString mid(qsizetype offset, qsizetype length) const;
    qsizetype offsetOfLine(int i) const { return m_start[static_cast<size_t>(i)] - m_start.front(); }
    int lineAtOffset(qsizetype offset) const;

    struct Match {
        int line = -1;
        int column = 0;
    };
    // The next occurrence (case-insensitive) at or after (line, column), or the previous one
    // starting before it, going round the ends once.
    Match find(const QString &needle, int line, int column, bool backward) const;

private:
    Trimmed trim();

    std::deque<QString> m_lines;
    std::deque<qint64> m_start;  // each line's offset in the text of every line ever held
    qint64 m_nextStart = 0;
    qint64 m_firstId = 0;
    qsizetype m_chars = 0;
    int m_maxLines;
    qsizetype m_maxChars;
};
