#pragma once
// Appends lines to a memo in batches: at most one appendPlainText per interval, and the
// document is capped so a long-running test cannot eat the memory.
#include <QObject>
#include <QStringList>
#include <QTimer>

class QPlainTextEdit;

class BatchedMemo : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 50;
    static constexpr int kMaxBlocks = 20000;

    explicit BatchedMemo(QPlainTextEdit *memo, QObject *parent = nullptr);

    void appendLine(const QString &line);
    // Writes what is pending now (tests, and before the memo is read or cleared).
    void flush();
    int pendingCount() const { return m_pending.size(); }

private:
    QPlainTextEdit *m_memo;
    QStringList m_pending;
    QTimer m_timer;
};
