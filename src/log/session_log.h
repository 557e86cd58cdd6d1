#pragma once
// The session log on disk: every log-view line and every frame in both directions, one line
// each, "yyyy-MM-dd HH:mm:ss.zzz TAG text". TAG is TX (to the device) or RX (from it, the
// bytes in hex) or the name of the view the line was shown in (m_log, m_conversationBox ...).
//
// Callers only queue (the time is taken then); one writer thread formats, appends and
// flushes each line at once, so the receive path pays for a queue entry, not for disk I/O.
// A write that fails is said once (failed), and its end once more (recovered).
#include <QByteArray>
#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QDate;

class SessionLog : public QObject {
    Q_OBJECT
public:
    // Milliseconds since the epoch, as QDateTime::currentMSecsSinceEpoch().
    using Clock = std::function<qint64()>;

    explicit SessionLog(QObject *parent = nullptr);
    ~SessionLog() override;

    // One file per day in `folder` (see log/log_files.h), rolling over to a numbered file of the
    // same day when the current one reaches `fileBytes` (0: FileBytesFor(maxBytes)). Files past
    // `keepDays` days and, oldest first, past `maxBytes` in total are removed whenever a file is
    // opened; the one being written always stays.
    void openFolder(const QString &folder, int keepDays, qint64 maxBytes, qint64 fileBytes = 0);
    // Everything into one file (appended), never rotated or removed: dtucfg --log FILE.
    void openFile(const QString &path);
    // Stops logging (after writing what is queued).
    void close();
    bool isOpen() const { return m_open; }
    QString folder() const { return m_folder; }
    // The file written now (empty before the first line).
    QString currentFile() const;
    // Test seam: where the time of each line comes from. Set before lines are queued.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    void line(const QString &tag, const QString &text);
    void sent(const QByteArray &bytes) { frame(true, bytes); }
    void received(const QByteArray &bytes) { frame(false, bytes); }

    // Waits until every queued line is on disk, or was found unwritable (tests, and before
    // reading the file).
    void sync();

    static QString FileNameFor(const QDate &day);
    // Removes our old files in `folder` (never `keep`), as log/log_files.h says.
    static void Prune(const QString &folder, const QDate &today, int keepDays, qint64 maxBytes, const QString &keep);
    // A tenth of the total, at least 1 MB; 64 MB without a total bound.
    static qint64 FileBytesFor(qint64 maxBytes);
    // "AA 55 00 " style, as every hex log of the tool.
    static void AppendHex(QByteArray &out, const QByteArray &bytes);

    static QString FailedText(const QString &path, const QString &reason)
    {
        return QCoreApplication::translate("LogTexts", "日志文件无法写入：%1（%2）").arg(path, reason);
    }
    static QString RecoveredText(const QString &path, qint64 lostLines)
    {
        return QCoreApplication::translate("LogTexts", "日志文件恢复写入：%1（其间%2行未能写入）").arg(path, QString::number(lostLines));
    }

signals:
    // Lines can no longer be written (folder, disk, file): once, until writing works again.
    void failed(const QString &text);
    // Writing works again after failed().
    void recovered(const QString &text);

private:
    struct Entry {
        qint64 msecs;
        int kind;  // 0 text, 1 TX, 2 RX
        QString tag;
        QString text;
        QByteArray bytes;
    };
    qint64 now() const { return m_clock ? m_clock() : DefaultClock(); }
    static qint64 DefaultClock();
    void frame(bool outgoing, const QByteArray &bytes);
    void push(Entry &&e);
    void run();
    void write(const Entry &e);
    bool ensureFile(qint64 lineBytes, qint64 second, bool newSecond);
    bool openPart(int number);
    void writeFailed(const QString &path, const QString &reason);
    void writeWorked();
    void startWriter();
    void stopWriter();

    bool m_open = false;
    QString m_folder;
    QString m_fixedFile;
    int m_keepDays = 30;
    qint64 m_maxBytes = 0;
    qint64 m_fileBytes = 0;
    Clock m_clock;

    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_drained;
    std::deque<Entry> m_queue;
    qint64 m_queuedBytes = 0;
    bool m_stop = false;
    bool m_writing = false;

    // Writer-thread state.
    class Sink;
    Sink *m_sink = nullptr;
};
