#pragma once
// The production records: an SQLite file or a PostgreSQL database, one schema created and
// upgraded here, counters taken inside a transaction so that stations sharing a database never
// hand out a value twice, and every value handed out kept under a UNIQUE constraint so that no
// code path can. One object per thread (Qt SQL connections are per thread).
#include "provision/unit_record.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantList>
#include <functional>

class QSqlError;
class QSqlQuery;
#include <optional>

class StationDb {
public:
    StationDb();
    ~StationDb();
    StationDb(const StationDb &) = delete;
    StationDb &operator=(const StationDb &) = delete;

    // `spec`: a file path (SQLite, created when missing unless `mustExist`) or
    // postgresql://[user[:password]@][host][:port]/dbname with ?host=/socket/folder for a Unix
    // socket; without a password in the URL, PGPASSWORD or ~/.pgpass give it, as for every
    // PostgreSQL client. Creates or upgrades the schema.
    bool open(const QString &spec, QString &error, bool mustExist = false);
    // Before open(): a reader that never writes (SQLite opened read-only, PostgreSQL sessions
    // read-only), with shorter bounds on every wait; the schema must be current.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // `spec` as it may be shown: a password in it masked.
    static QString Shown(const QString &spec);
    bool isPostgres() const { return m_postgres; }
    // The last operation failed because the server did not answer (not because it refused).
    bool notAnswering() const { return m_silent; }
    // The unit failure (failure:: code and arguments) for the last operation's `error`.
    QString failureCode() const;
    QStringList failureArgs(const QString &error) const;
    QString describe() const { return m_describe; }

    static int CurrentSchemaVersion();
    // 0 when the database holds no schema yet.
    int schemaVersion();

    // Runs `work` in one transaction: committed when it returns true, rolled back (nothing
    // taken) when it returns false with `error` set.
    bool transaction(const std::function<bool(QString &error)> &work, QString &error);
    // Inside transaction(): the counter's next free value (at least `start`, and past what a
    // counter under one of `formerNames` handed out), taken when the transaction commits.
    std::optional<qint64> nextCounterValue(const QString &name, qint64 start, const QStringList &formerNames,
                                           QString &error);
    // Inside transaction(): one hand-out at a time across every station on the database, so that
    // two never choose the same free units-file row (SQLite's write lock already does this).
    bool lockHandOut(QString &error);
    // Inside transaction(): records `value` of parameter `code` as handed out. The database
    // refuses a value handed out before; false with the reason.
    bool issue(const QString &code, const QString &value, QString &error);
    // The values of `code` handed out so far.
    std::optional<QSet<QString>> issuedValues(const QString &code, QString &error);
    // Whether `value` of `code` was handed out.
    std::optional<bool> isIssued(const QString &code, const QString &value, QString &error);
    // Stores the record and sets its id; a record whose uid is stored already is stored once.
    bool insert(UnitRecord &record, QString &error);
    // Whether a unit that passed held exactly these stored values of its unique parameters
    // (code → "HEX:…") when it was done; records from before they were kept match by the
    // shown values (code → text).
    std::optional<bool> wasDone(const QMap<QString, QString> &held, const QMap<QString, QString> &shown, QString &error);
    // Tests only: a pause between moving a counter on and reading it back, so that a value
    // taken outside its transaction is handed out twice where several stations take at once.
    static void SetTakePauseForTests(int ms);
    // Records started at or after `since` (all when invalid), oldest first.
    std::optional<QList<UnitRecord>> records(const QDateTime &since, QString &error);
    // The records of the unit whose own identity is `unitId`, the latest first.
    std::optional<QList<UnitRecord>> recordsOfUnit(const QString &unitId, QString &error);

    // Runs a read with `binds` in order, handing each row to `row`; false with `error` saying
    // `what` failed and why.
    bool select(const QString &sql, const QVariantList &binds, const std::function<void(const QSqlQuery &)> &row,
                const QString &what, QString &error);

    // The timestamp form stored: UTC, sortable as text.
    static QString TimeText(const QDateTime &t);

private:
    bool migrate(QString &error);
    int waitBoundMs() const;
    // The connection's socket (PostgreSQL), -1 for none.
    int socket() const;
    // Prepares and runs the query with the client's bound on the wait.
    bool prepare(QSqlQuery &q, const QString &sql);
    bool run(QSqlQuery &q, const QString *sql = nullptr);
    QString failedText(const QString &what, const QSqlError &e) const;
    // After a connection was given up: a new one, or false with the reason.
    bool ensureConnected(QString &error);
    bool begin(QString &error);
    bool commit(QString &error);
    void rollback();
    bool exec(const QString &sql, QString &error);

    QString m_name;
    QString m_describe;
    bool m_postgres = false;
    bool m_broken = false;
    bool m_silent = false;
    bool m_readOnly = false;
};
