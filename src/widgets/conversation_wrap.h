#pragma once
// Where the lines of a conversation view break into rows at the view's width: measured per
// character from a width cache, at the last blank that fits (else anywhere), so a row is one
// laid-out line and only the visible rows are ever laid out. Rows are counted per line, so
// mapping a row to its line is a binary search and appending or dropping a line costs that line.
#include <QFont>
#include <QList>
#include <deque>
#include <vector>

class LineStore;

class ConversationWrap {
public:
    // A new font or width: every line has to be broken again (rebuild).
    void setMetrics(const QFont &font, qreal width);
    qreal width() const { return m_width; }

    void rebuild(const LineStore &store);
    void clear();
    void append(const QString &line);
    void dropFront(int lines);
    // The first line's text changed (its start was cut off).
    void reflowFront(const QString &line);

    int lineCount() const { return static_cast<int>(m_breaks.size()); }
    int rowCount() const { return m_breaks.empty() ? 0 : static_cast<int>(m_nextRow - m_rowStart.front()); }
    struct Row {
        int line = -1;
        int piece = 0;
    };
    Row rowAt(int row) const;
    int firstRowOf(int line) const { return static_cast<int>(m_rowStart[size_t(line)] - m_rowStart.front()); }
    int pieceCount(int line) const { return m_breaks[size_t(line)].size() + 1; }
    int pieceStart(int line, int piece) const { return piece == 0 ? 0 : m_breaks[size_t(line)].at(piece - 1); }
    int pieceEnd(int line, int piece, int lineLength) const;
    int pieceOf(int line, int column) const;

    // The offsets where `line` goes on in a new row.
    QList<int> breaksOf(const QString &line) const;
    // The most characters a row holds, however narrow they are.
    static constexpr int kMaxRowChars = 512;

private:
    qreal advance(QChar c) const;

    QFont m_font;
    qreal m_width = 400;
    qreal m_tabStop = 80;
    mutable std::vector<float> m_advances;  // per UTF-16 unit, < 0 while not measured
    std::deque<QList<int>> m_breaks;
    std::deque<qint64> m_rowStart;
    qint64 m_nextRow = 0;
};
