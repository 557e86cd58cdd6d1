#include "provision/station_db.h"
#include "provision/station_db_limits.h"
#include "provision/unit_values.h"

#include <QAtomicInt>
#include <QThread>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <QVariant>

namespace {
QAtomicInt g_connections;
QAtomicInt g_takePauseMs;

// Each step brings the schema from its index to the next version.
QStringList migrationSteps(int toVersion, bool postgres)
{
    const QString idColumn = postgres ? QStringLiteral("id BIGSERIAL PRIMARY KEY")
                                      : QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT");
    switch (toVersion) {
    case 1:
        return {QStringLiteral("CREATE TABLE IF NOT EXISTS counters (name TEXT PRIMARY KEY, next_value BIGINT NOT NULL)"),
                QStringLiteral("CREATE TABLE IF NOT EXISTS units (%1, started_at TEXT NOT NULL, station TEXT NOT NULL,"
                               " port TEXT NOT NULL, golden TEXT NOT NULL, version TEXT NOT NULL, identity TEXT NOT NULL,"
                               " unique_values TEXT NOT NULL, unique_key TEXT NOT NULL, params TEXT NOT NULL,"
                               " result TEXT NOT NULL, failure TEXT NOT NULL, duration_ms BIGINT NOT NULL)")
                    .arg(idColumn)};
    case 2:
        // Station mode looks units up by their values, reports by time.
        return {QStringLiteral("CREATE INDEX IF NOT EXISTS units_unique_key ON units (unique_key, result)"),
                QStringLiteral("CREATE INDEX IF NOT EXISTS units_started_at ON units (started_at)")};
    case 3:
        // Every value handed out, under the constraint that makes a second hand-out impossible;
        // and what a passed unit holds, to know it again.
        return {QStringLiteral("CREATE TABLE IF NOT EXISTS issued (code TEXT NOT NULL, value TEXT NOT NULL,"
                               " taken_at TEXT NOT NULL, UNIQUE (code, value))"),
                QStringLiteral("ALTER TABLE units ADD COLUMN done_key TEXT NOT NULL DEFAULT ''"),
                QStringLiteral("CREATE INDEX IF NOT EXISTS units_done_key ON units (done_key, result)")};
    case 4:
        // A unit known by its own identity; the golden it got by content; failures as codes a
        // report can count; and an id made with the record, so that a record sent twice (two
        // stations flushing one outbox) is stored once.
        return {QStringLiteral("ALTER TABLE units ADD COLUMN unit_id TEXT NOT NULL DEFAULT ''"),
                QStringLiteral("ALTER TABLE units ADD COLUMN golden_hash TEXT NOT NULL DEFAULT ''"),
                QStringLiteral("ALTER TABLE units ADD COLUMN ext_hash TEXT NOT NULL DEFAULT ''"),
                QStringLiteral("ALTER TABLE units ADD COLUMN failure_code TEXT NOT NULL DEFAULT ''"),
                QStringLiteral("ALTER TABLE units ADD COLUMN failure_args TEXT NOT NULL DEFAULT '[]'"),
                QStringLiteral("ALTER TABLE units ADD COLUMN reused INTEGER NOT NULL DEFAULT 0"),
                QStringLiteral("ALTER TABLE units ADD COLUMN record_uid TEXT"),
                QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS units_record_uid ON units (record_uid)"),
                QStringLiteral("CREATE INDEX IF NOT EXISTS units_unit_id ON units (unit_id, started_at)")};
    case 5:
        // A unit found by any value it was given, and a station's units by time, with a cost
        // that follows the rows asked for, not the table.
        return {QStringLiteral("CREATE TABLE IF NOT EXISTS given_values (unit_row BIGINT NOT NULL, value TEXT NOT NULL)"),
                postgres ? QStringLiteral("INSERT INTO given_values (unit_row, value) SELECT u.id, j.value FROM units u,"
                                          " json_each_text(u.unique_values::json) j")
                         : QStringLiteral("INSERT INTO given_values (unit_row, value) SELECT u.id, j.value FROM units u,"
                                          " json_each(u.unique_values) j"),
                QStringLiteral("CREATE INDEX IF NOT EXISTS given_values_value ON given_values (value)"),
                QStringLiteral("CREATE INDEX IF NOT EXISTS units_station_started ON units (station, started_at)")};
    default:
        return {};
    }
}

// A null QString binds as SQL NULL; the columns hold text, empty included.
QVariant text(const QString &s) { return QVariant(s.isNull() ? QStringLiteral("") : s); }

} // namespace

StationDb::StationDb() : m_name(QStringLiteral("dtucfg-station-%1").arg(g_connections.fetchAndAddRelaxed(1))) {}

StationDb::~StationDb()
{
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
}

int StationDb::CurrentSchemaVersion() { return 5; }

void StationDb::SetTakePauseForTests(int ms) { g_takePauseMs.storeRelaxed(ms); }

QString StationDb::TimeText(const QDateTime &t) { return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")); }

QString StationDb::Shown(const QString &spec)
{
    QUrl url(spec);
    if (url.password().isEmpty())
        return spec;
    url.setPassword(QStringLiteral("***"));
    return url.toString(QUrl::PrettyDecoded);
}

bool StationDb::open(const QString &spec, QString &error, bool mustExist)
{
    const QUrl url(spec);
    m_postgres = url.scheme() == QLatin1String("postgresql") || url.scheme() == QLatin1String("postgres");
    const QString driver = m_postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        error = QStringLiteral("the Qt SQL driver %1 is not installed (Debian: %2)")
                    .arg(driver, m_postgres ? QStringLiteral("libqt6sql6-psql") : QStringLiteral("libqt6sql6-sqlite"));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
    if (m_postgres) {
        const QUrlQuery q(url);
        const QString host = q.hasQueryItem(QStringLiteral("host")) ? q.queryItemValue(QStringLiteral("host")) : url.host();
        const QString user = !url.userName().isEmpty() ? url.userName() : q.queryItemValue(QStringLiteral("user"));
        const QString dbName = url.path().mid(1);
        if (dbName.isEmpty()) {
            error = QStringLiteral("%1 names no database: postgresql://[user@]host[:port]/DBNAME").arg(Shown(spec));
            return false;
        }
        db.setDatabaseName(dbName);
        if (!host.isEmpty())
            db.setHostName(host);
        if (url.port() > 0)
            db.setPort(url.port());
        else if (q.hasQueryItem(QStringLiteral("port")))
            db.setPort(q.queryItemValue(QStringLiteral("port")).toInt());
        if (!user.isEmpty())
            db.setUserName(user);
        if (!url.password().isEmpty())
            db.setPassword(url.password());
        // Bounded waits: a counter locked by another station or a server that stops answering
        // fails the unit with the reason instead of holding the station.
        // The client's bounds: the connection (libpq's least is 2 s), a peer gone without closing
        // (keep-alive probes, unacknowledged data), and the watcher around every statement.
        db.setConnectOptions(QStringLiteral("connect_timeout=3;keepalives=1;keepalives_idle=5;keepalives_interval=2;"
                                            "keepalives_count=3;tcp_user_timeout=%3;"
                                            "options='-c lock_timeout=%1 -c statement_timeout=%2%4'")
                                 .arg(kLockWaitMs).arg(m_readOnly ? kReadingStatementMs : kStatementMs)
                                 .arg(waitBoundMs())
                                 .arg(m_readOnly ? QStringLiteral(" -c default_transaction_read_only=on") : QString()));
        m_describe = QStringLiteral("PostgreSQL database %1").arg(dbName);
    } else {
        if (spec.isEmpty()) {
            error = QStringLiteral("no database file given");
            return false;
        }
        if ((mustExist || m_readOnly) && !QFileInfo(spec).isFile()) {
            error = QStringLiteral("no records database %1").arg(QFileInfo(spec).absoluteFilePath());
            return false;
        }
        db.setDatabaseName(spec);
        // Another station process on the same file waits for our transaction instead of failing,
        // for a bounded time.
        db.setConnectOptions(m_readOnly ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READONLY").arg(kReadingStatementMs)
                                        : QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kLockWaitMs));
        m_describe = QStringLiteral("SQLite file %1").arg(QFileInfo(spec).absoluteFilePath());
    }
    if (!db.open()) {
        error = QStringLiteral("cannot open the %1: %2").arg(m_describe, db.lastError().text());
        return false;
    }
    if (!m_readOnly)
        return migrate(error);
    // A reader changes nothing: the schema must be the one it knows. A file locked by a writer
    // is said as such, not taken for an empty one.
    QSqlQuery q(db);
    int version = 0;
    if (q.exec(QStringLiteral("SELECT version FROM schema_version")) && q.next()) {
        version = q.value(0).toInt();
    } else if (!q.lastError().text().contains(QLatin1String("no such table")) &&
               !q.lastError().text().contains(QLatin1String("does not exist"))) {
        error = QStringLiteral("cannot read the %1: %2").arg(m_describe, q.lastError().text());
        return false;
    }
    if (version == CurrentSchemaVersion())
        return true;
    error = version == 0 ? QStringLiteral("the %1 holds no station records").arg(m_describe)
            : version < CurrentSchemaVersion()
                ? QStringLiteral("the %1 holds records of an older dtucfg (schema %2); a station of this version "
                                 "brings them up to date when it opens them")
                      .arg(m_describe).arg(version)
                : QStringLiteral("the %1 has schema version %2, newer than this dtucfg knows (%3): update dtucfg")
                      .arg(m_describe).arg(version).arg(CurrentSchemaVersion());
    return false;
}

bool StationDb::exec(const QString &sql, QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (run(q, &sql))
        return true;
    error = failedText(QStringLiteral("database error in \"%1\"").arg(sql.left(60)), q.lastError());
    return false;
}

bool StationDb::begin(QString &error)
{
    if (!ensureConnected(error))
        return false;
    // IMMEDIATE takes SQLite's write lock at once, so two writers queue instead of deadlocking.
    return exec(m_postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), error);
}

bool StationDb::commit(QString &error) { return exec(QStringLiteral("COMMIT"), error); }

void StationDb::rollback()
{
    QString ignored;
    exec(QStringLiteral("ROLLBACK"), ignored);
}

int StationDb::schemaVersion()
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool StationDb::migrate(QString &error)
{
    // Up to date: nothing to write, so no write lock to wait for (another station may hold it).
    if (schemaVersion() == CurrentSchemaVersion())
        return true;
    if (!begin(error))
        return false;
    // Stations starting together would race to create the tables; one creates, the others wait.
    if (m_postgres && !exec(QStringLiteral("SELECT pg_advisory_xact_lock(7305481)"), error)) {
        rollback();
        return false;
    }
    if (!exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), error)) {
        rollback();
        return false;
    }
    int version = schemaVersion();
    if (version > CurrentSchemaVersion()) {
        rollback();
        error = QStringLiteral("the %1 has schema version %2, newer than this dtucfg knows (%3): update dtucfg")
                    .arg(m_describe).arg(version).arg(CurrentSchemaVersion());
        return false;
    }
    const int from = version;
    while (version < CurrentSchemaVersion()) {
        ++version;
        for (const QString &sql : migrationSteps(version, m_postgres))
            if (!exec(sql, error)) {
                rollback();
                return false;
            }
    }
    if (version != from) {
        const QString set = from == 0 ? QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)")
                                      : QStringLiteral("UPDATE schema_version SET version = %1");
        if (!exec(set.arg(version), error)) {
            rollback();
            return false;
        }
    }
    if (!commit(error)) {
        rollback();
        return false;
    }
    return true;
}

bool StationDb::transaction(const std::function<bool(QString &)> &work, QString &error)
{
    if (!begin(error))
        return false;
    if (!work(error)) {
        rollback();
        return false;
    }
    if (!commit(error)) {
        rollback();
        return false;
    }
    return true;
}

std::optional<qint64> StationDb::nextCounterValue(const QString &name, qint64 start, const QStringList &formerNames,
                                                  QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    auto fail = [&]() -> std::optional<qint64> {
        error = failedText(QStringLiteral("cannot take the next value of %1").arg(name), q.lastError());
        return std::nullopt;
    };
    // A counter kept under the name it was typed with goes on where it stopped.
    for (const QString &former : formerNames) {
        if (former == name)
            continue;
        prepare(q, QStringLiteral("SELECT next_value FROM counters WHERE name = ?"));
        q.addBindValue(former);
        if (!run(q))
            return fail();
        if (q.next())
            start = qMax(start, q.value(0).toLongLong());
    }
    prepare(q, QStringLiteral("INSERT INTO counters (name, next_value) VALUES (?, ?) ON CONFLICT (name) DO NOTHING"));
    q.addBindValue(name);
    q.addBindValue(start);
    if (!run(q))
        return fail();
    // The update locks the counter's row until the commit: a second station waits here.
    prepare(q, QStringLiteral("UPDATE counters SET next_value = (CASE WHEN next_value < ? THEN ? ELSE next_value END) + 1"
                             " WHERE name = ?"));
    q.addBindValue(start);
    q.addBindValue(start);
    q.addBindValue(name);
    if (!run(q))
        return fail();
    if (const int pause = g_takePauseMs.loadRelaxed(); pause > 0)
        QThread::msleep(static_cast<unsigned long>(pause));
    prepare(q, QStringLiteral("SELECT next_value FROM counters WHERE name = ?"));
    q.addBindValue(name);
    if (!run(q) || !q.next())
        return fail();
    return q.value(0).toLongLong() - 1;
}

bool StationDb::lockHandOut(QString &error)
{
    return !m_postgres || exec(QStringLiteral("SELECT pg_advisory_xact_lock(7305482)"), error);
}

bool StationDb::issue(const QString &code, const QString &value, QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepare(q, QStringLiteral("INSERT INTO issued (code, value, taken_at) VALUES (?, ?, ?)"));
    q.addBindValue(text(code));
    q.addBindValue(text(value));
    q.addBindValue(text(TimeText(QDateTime::currentDateTimeUtc())));
    if (run(q))
        return true;
    error = failedText(QStringLiteral("the database refuses to hand out %1=%2 (handed out before?)").arg(code, value),
                       q.lastError());
    return false;
}

std::optional<QSet<QString>> StationDb::issuedValues(const QString &code, QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    prepare(q, QStringLiteral("SELECT value FROM issued WHERE code = ?"));
    q.addBindValue(text(code));
    if (!run(q)) {
        error = failedText(QStringLiteral("cannot read the values handed out"), q.lastError());
        return std::nullopt;
    }
    QSet<QString> out;
    while (q.next())
        out.insert(q.value(0).toString());
    return out;
}

std::optional<bool> StationDb::isIssued(const QString &code, const QString &value, QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepare(q, QStringLiteral("SELECT COUNT(*) FROM issued WHERE code = ? AND value = ?"));
    q.addBindValue(text(code));
    q.addBindValue(text(value));
    if (!run(q) || !q.next()) {
        error = failedText(QStringLiteral("cannot read the values handed out"), q.lastError());
        return std::nullopt;
    }
    return q.value(0).toLongLong() > 0;
}
