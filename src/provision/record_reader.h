#pragma once
// Reads of the records database off the caller's thread (the dashboard's, the station window's):
// a few threads, each with its own read-only connection. Every read answers within its bound (a
// database that does not answer is said as such, and the caller goes on), and once started, a
// poll once a second tells whether any record was stored since, so that an unchanged page costs
// the database nothing.
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

class StationDb;

class RecordReader : public QObject {
    Q_OBJECT
public:
    // The longest a read may take before its caller hears that the database does not answer.
    static constexpr int kAnswerMs = 4500;

    explicit RecordReader(const QString &source, QObject *parent = nullptr);
    ~RecordReader() override;

    // Opens the database once to see that it can be read; false with the reason.
    bool start(QString &error);

    // Runs `work` on a reading thread; `done` gets its result on this object's thread, once:
    // ok, or the reason it failed (the database's own, or that it did not answer in time).
    using Work = std::function<bool(StationDb &db, QString &error)>;
    using Done = std::function<void(bool ok, const QString &error)>;
    // Past `boundMs`, `done` hears `timeoutText` (by default, that the database did not answer).
    void read(Work work, Done done, int boundMs = kAnswerMs, const QString &timeoutText = QString());
    // Within a Work: its caller no longer waits (the bound passed); long work stops early.
    static bool Abandoned();

    // Counts the changes of the records seen by the polls: a new record, also one committed
    // after a later one.
    quint64 generation() const { return m_generation; }
    // Whether the last poll was answered; else why not.
    bool answering() const { return m_answering; }
    QString silence() const { return m_silence; }

signals:
    void changed();

private:
    void poll();

    QString m_source;
    QThreadPool m_pool;
    QTimer m_pollTimer;
    bool m_polling = false;
    bool m_answering = true;
    quint64 m_generation = 0;
    QString m_stamp;
    QByteArray m_file;                        // an SQLite file's identity when opened
    std::shared_ptr<std::atomic<int>> m_epoch;   // moves on when that file was replaced
    QString m_silence;
    std::shared_ptr<int> m_alive;
};
