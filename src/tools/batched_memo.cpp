#include "tools/batched_memo.h"

#include <QPlainTextEdit>

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
    // Only so many lines can be shown; drop the oldest pending ones rather than build a huge string.
    if (m_pending.size() > kMaxBlocks)
        m_pending.erase(m_pending.begin(), m_pending.begin() + (m_pending.size() - kMaxBlocks));
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
    m_memo->appendPlainText(text);
}
