#pragma once
// The conversation view as it was before the view that lays out only visible rows: a plain
// text edit fed in 50 ms batches and trimmed from the start to three quarters of its
// character cap. Kept here only as the soak's baseline, measured in the same run.
#include <QObject>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace bench {

class LegacyView : public QObject {
public:
    static constexpr int kMaxBlocks = 20000;
    static constexpr int kMaxChars = 2 * 1024 * 1024;

    explicit LegacyView(QPlainTextEdit *edit) : QObject(edit), m_edit(edit)
    {
        m_edit->setReadOnly(true);
        m_edit->setMaximumBlockCount(kMaxBlocks);
        m_timer.setSingleShot(true);
        m_timer.setInterval(50);
        connect(&m_timer, &QTimer::timeout, this, &LegacyView::flush);
    }

    void appendLine(const QString &line)
    {
        m_pending.append(line);
        m_pendingChars += line.size() + 1;
        while (m_pending.size() > kMaxBlocks || (m_pendingChars > kMaxChars && m_pending.size() > 1)) {
            m_pendingChars -= m_pending.constFirst().size() + 1;
            m_pending.removeFirst();
        }
        if (!m_timer.isActive())
            m_timer.start();
    }

    void flush()
    {
        m_timer.stop();
        if (m_pending.isEmpty())
            return;
        m_edit->appendPlainText(m_pending.join(QLatin1Char('\n')));
        m_pending.clear();
        m_pendingChars = 0;
        QTextDocument *doc = m_edit->document();
        if (doc->characterCount() <= kMaxChars)
            return;
        const QTextBlock block = doc->findBlock(doc->characterCount() - kMaxChars / 4 * 3);
        const int cut = block.next().isValid() ? block.next().position() : doc->characterCount() - kMaxChars / 4 * 3;
        QTextCursor cursor(doc);
        cursor.setPosition(0);
        cursor.setPosition(cut, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }

private:
    QPlainTextEdit *m_edit;
    QStringList m_pending;
    qsizetype m_pendingChars = 0;
    QTimer m_timer;
};

} // namespace bench
