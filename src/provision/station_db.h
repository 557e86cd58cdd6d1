#pragma once
// The production records: an SQLite file or a PostgreSQL database, one schema created and
// upgraded here, counters taken inside a transaction so that stations sharing a database never
// hand out a value twice. One object per thread (Qt SQL connections are per thread).
#include "provision/unit_record.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class StationDb {
public:
    StationDb();
    ~StationDb();
    StationDb(const StationDb &) = delete;
    StationDb &operator=(const StationDb &) = delete;

    // `spec`: a file path (SQLite, created when missing) or postgresql://[user[:password]@][host][:port]/dbname
    // with ?host=/socket/folder for a Unix socket. Creates or upgrades the schema.
    bool open(const QString &spec, QString &error);
    bool isPostgres() const { return m_postgres; }
    QString describe() const { return m_describe; }

    static int CurrentSchemaVersion();
    // 0 when the database holds no schema yet.
    int schemaVersion();

    // The counter's next free value (at least `start`), taken for good.
    std::optional<qint64> takeCounter(const QString &name, qint64 start, QString &error);
    // Stores the record and sets its id.
    bool insert(UnitRecord &record, QString &error);
    // Whether a unit that passed already got exactly these unique values.
    std::optional<bool> wasDone(const QMap<QString, QString> &unique, QString &error);
    // Records started at or after `since` (all when invalid), oldest first.
    std::optional<QList<UnitRecord>> records(const QDateTime &since, QString &error);

    // The timestamp form stored: UTC, sortable as text.
    static QString TimeText(const QDateTime &t);

private:
    bool migrate(QString &error);
    bool begin(QString &error);
    bool commit(QString &error);
    void rollback();
    bool exec(const QString &sql, QString &error);

    QString m_name;
    QString m_describe;
    bool m_postgres = false;
};
