#include "tools/batched_memo.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

BatchedMemo::BatchedMemo(QPlainTextEdit *memo, QObject *parent) : QObject(parent), m_memo(memo)
{
    m_memo->setMaximumBlockCount(kMaxBlocks);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &BatchedMemo::flush);
}

void BatchedMemo::appendLine(const QString &line)
{
    m_pending.append(line);
    m_pendingChars += line.size() + 1;
    // Only so much can be shown; drop the oldest pending lines rather than build a huge string.
    while (m_pending.size() > kMaxBlocks || (m_pendingChars > kMaxChars && m_pending.size() > 1)) {
        m_pendingChars -= m_pending.constFirst().size() + 1;
        m_pending.removeFirst();
    }
    if (!m_timer.isActive())
        m_timer.start();
}

void BatchedMemo::flush()
{
    m_timer.stop();
    if (m_pending.isEmpty())
        return;
    const QString text = m_pending.join(QLatin1Char('\n'));
    m_pending.clear();
    m_pendingChars = 0;
    m_memo->appendPlainText(text);
    TrimMemoText(m_memo);
}

void TrimMemoText(QPlainTextEdit *memo, int maxChars)
{
    QTextDocument *doc = memo->document();
    if (doc->characterCount() <= maxChars)
        return;
    const int excess = doc->characterCount() - maxChars / 4 * 3;
    // From the start to the end of the line holding the excess; within the last line only when
    // that line alone is over the cap.
    const QTextBlock block = doc->findBlock(excess);
    const QTextBlock next = block.next();
    const int cut = next.isValid() ? next.position() : excess;
    QTextCursor cursor(doc);
    cursor.setPosition(0);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void AppendCappedLine(QPlainTextEdit *memo, const QString &line, int maxChars)
{
    memo->appendPlainText(line);
    TrimMemoText(memo, maxChars);
}
