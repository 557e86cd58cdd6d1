#pragma once
// Appends lines to a memo in batches: at most one appendPlainText per interval, and the
// document is capped (lines and characters) so a long-running test cannot eat the memory.
#include <QObject>
#include <QStringList>
#include <QTimer>

class QPlainTextEdit;

class BatchedMemo : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 50;
    static constexpr int kMaxBlocks = 20000;
    // At 1 MB/s every 100 ms poll is a 100 000-character line: lines alone would let 20 000 of
    // them (gigabytes) pile up. About 4 MB of text is kept.
    static constexpr int kMaxChars = 2 * 1024 * 1024;

    explicit BatchedMemo(QPlainTextEdit *memo, QObject *parent = nullptr);

    void appendLine(const QString &line);
    // Writes what is pending now (tests, and before the memo is read or cleared).
    void flush();
    int pendingCount() const { return m_pending.size(); }

private:
    QPlainTextEdit *m_memo;
    QStringList m_pending;
    qsizetype m_pendingChars = 0;
    QTimer m_timer;
};

// Removes the oldest text of `memo` past `maxChars` characters: whole lines where it can, down
// to three quarters of the cap so that trimming stays rare.
void TrimMemoText(QPlainTextEdit *memo, int maxChars = BatchedMemo::kMaxChars);

// One line appended at once (a log that must show each result as it happens), with the same
// character cap as the batched views.
void AppendCappedLine(QPlainTextEdit *memo, const QString &line, int maxChars = BatchedMemo::kMaxChars);
