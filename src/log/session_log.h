#pragma once
// The session log on disk: every log-view line and every frame in both directions, one line
// each, "yyyy-MM-dd HH:mm:ss.zzz TAG text". TAG is TX (to the device) or RX (from it, the
// bytes in hex) or the name of the view the line was shown in (m_log, m_conversationBox ...).
//
// Callers only queue (the time is taken then); one writer thread formats, appends and
// flushes each line at once, so the receive path pays for a queue entry, not for disk I/O.
#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class SessionLog : public QObject {
    Q_OBJECT
public:
    explicit SessionLog(QObject *parent = nullptr);
    ~SessionLog() override;

    // One file per day, "dtu-config-yyyy-MM-dd.log" in `folder`; files past `keepDays` days
    // and, oldest first, past `maxBytes` in total are removed when a day's file is opened.
    void openFolder(const QString &folder, int keepDays, qint64 maxBytes);
    // Everything into one file (appended), no rotation: dtucfg --log FILE.
    void openFile(const QString &path);
    // Stops logging (after writing what is queued).
    void close();
    bool isOpen() const { return m_open; }
    QString folder() const { return m_folder; }
    // The file written now (empty before the first line).
    QString currentFile() const;

    void line(const QString &tag, const QString &text);
    void sent(const QByteArray &bytes) { frame(true, bytes); }
    void received(const QByteArray &bytes) { frame(false, bytes); }

    // Waits until every queued line is on disk (tests, and before reading the file).
    void sync();

    static QString FileNameFor(const QDate &day);
    // Removes old files in `folder` (never `keep`): by age, then oldest first by total size.
    static void Prune(const QString &folder, const QDate &today, int keepDays, qint64 maxBytes, const QString &keep);
    // "AA 55 00 " style, as every hex log of the tool.
    static void AppendHex(QByteArray &out, const QByteArray &bytes);

signals:
    // A folder or file that cannot be written (reported once per file).
    void failed(const QString &text);

private:
    struct Entry {
        qint64 msecs;
        int kind;  // 0 text, 1 TX, 2 RX
        QString tag;
        QString text;
        QByteArray bytes;
    };
    void frame(bool outgoing, const QByteArray &bytes);
    void push(Entry &&e);
    void run();
    void write(const Entry &e);
    void startWriter();
    void stopWriter();

    bool m_open = false;
    QString m_folder;
    QString m_fixedFile;
    int m_keepDays = 30;
    qint64 m_maxBytes = 0;

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
