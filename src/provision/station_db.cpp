#include "provision/station_db.h"
#include "provision/unit_values.h"

#include <QAtomicInt>
#include <QThread>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

namespace {
QAtomicInt g_connections;
QAtomicInt g_takePauseMs;
// How long a station waits for another one's lock on the database.
constexpr int kLockWaitMs = 5000;

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
    default:
        return {};
    }
}

// A null QString binds as SQL NULL; the columns hold text, empty included.
QVariant text(const QString &s) { return QVariant(s.isNull() ? QStringLiteral("") : s); }

QString jsonText(const QJsonObject &o) { return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)); }
QString jsonText(const QJsonArray &a) { return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact)); }
} // namespace

StationDb::StationDb() : m_name(QStringLiteral("dtucfg-station-%1").arg(g_connections.fetchAndAddRelaxed(1))) {}

StationDb::~StationDb()
{
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
}

int StationDb::CurrentSchemaVersion() { return 3; }

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
        db.setConnectOptions(QStringLiteral("connect_timeout=5;options='-c lock_timeout=%1 -c statement_timeout=%2'")
                                 .arg(kLockWaitMs).arg(2 * kLockWaitMs));
        m_describe = QStringLiteral("PostgreSQL database %1").arg(dbName);
    } else {
        if (spec.isEmpty()) {
            error = QStringLiteral("no database file given");
            return false;
        }
        if (mustExist && !QFileInfo(spec).isFile()) {
            error = QStringLiteral("no records database %1").arg(QFileInfo(spec).absoluteFilePath());
            return false;
        }
        db.setDatabaseName(spec);
        // Another station process on the same file waits for our transaction instead of failing,
        // for a bounded time.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kLockWaitMs));
        m_describe = QStringLiteral("SQLite file %1").arg(QFileInfo(spec).absoluteFilePath());
    }
    if (!db.open()) {
        error = QStringLiteral("cannot open the %1: %2").arg(m_describe, db.lastError().text());
        return false;
    }
    return migrate(error);
}

bool StationDb::exec(const QString &sql, QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (q.exec(sql))
        return true;
    error = QStringLiteral("database error in \"%1\": %2").arg(sql.left(60), q.lastError().text());
    return false;
}

bool StationDb::begin(QString &error)
{
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
        error = QStringLiteral("cannot take the next value of %1: %2").arg(name, q.lastError().text());
        return std::nullopt;
    };
    // A counter kept under the name it was typed with goes on where it stopped.
    for (const QString &former : formerNames) {
        if (former == name)
            continue;
        q.prepare(QStringLiteral("SELECT next_value FROM counters WHERE name = ?"));
        q.addBindValue(former);
        if (!q.exec())
            return fail();
        if (q.next())
            start = qMax(start, q.value(0).toLongLong());
    }
    q.prepare(QStringLiteral("INSERT INTO counters (name, next_value) VALUES (?, ?) ON CONFLICT (name) DO NOTHING"));
    q.addBindValue(name);
    q.addBindValue(start);
    if (!q.exec())
        return fail();
    // The update locks the counter's row until the commit: a second station waits here.
    q.prepare(QStringLiteral("UPDATE counters SET next_value = (CASE WHEN next_value < ? THEN ? ELSE next_value END) + 1"
                             " WHERE name = ?"));
    q.addBindValue(start);
    q.addBindValue(start);
    q.addBindValue(name);
    if (!q.exec())
        return fail();
    if (const int pause = g_takePauseMs.loadRelaxed(); pause > 0)
        QThread::msleep(static_cast<unsigned long>(pause));
    q.prepare(QStringLiteral("SELECT next_value FROM counters WHERE name = ?"));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
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
    q.prepare(QStringLiteral("INSERT INTO issued (code, value, taken_at) VALUES (?, ?, ?)"));
    q.addBindValue(text(code));
    q.addBindValue(text(value));
    q.addBindValue(text(TimeText(QDateTime::currentDateTimeUtc())));
    if (q.exec())
        return true;
    error = QStringLiteral("the database refuses to hand out %1=%2 (handed out before?): %3")
                .arg(code, value, q.lastError().text());
    return false;
}

std::optional<QSet<QString>> StationDb::issuedValues(const QString &code, QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT value FROM issued WHERE code = ?"));
    q.addBindValue(text(code));
    if (!q.exec()) {
        error = QStringLiteral("cannot read the values handed out: ") + q.lastError().text();
        return std::nullopt;
    }
    QSet<QString> out;
    while (q.next())
        out.insert(q.value(0).toString());
    return out;
}

std::optional<qint64> StationDb::takeCounter(const QString &name, qint64 start, QString &error)
{
    std::optional<qint64> taken;
    if (!transaction([&](QString &e) { return (taken = nextCounterValue(name, start, {}, e)).has_value(); }, error))
        return std::nullopt;
    return taken;
}

bool StationDb::insert(UnitRecord &r, QString &error)
{
    const QJsonArray params = WrittenParamsJson(r.params);
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral("INSERT INTO units (started_at, station, port, golden, version, identity, unique_values,"
                             " unique_key, params, result, failure, duration_ms, done_key) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)%1")
                  .arg(m_postgres ? QStringLiteral(" RETURNING id") : QString()));
    for (const QVariant &v : {text(TimeText(r.started)), text(r.station), text(r.port), text(r.golden), text(r.version),
                              text(jsonText(StringMapJson(r.identity))), text(jsonText(StringMapJson(r.unique))),
                              text(UniqueKey(r.unique)), text(jsonText(params)), text(UnitRecord::resultText(r.result)),
                              text(r.failure), QVariant(r.durationMs), text(UniqueKey(r.held))})
        q.addBindValue(v);
    if (!q.exec()) {
        error = QStringLiteral("cannot store the record of %1: %2").arg(r.port, q.lastError().text());
        return false;
    }
    r.id = m_postgres ? (q.next() ? q.value(0).toLongLong() : 0) : q.lastInsertId().toLongLong();
    return true;
}

std::optional<bool> StationDb::wasDone(const QMap<QString, QString> &held, const QMap<QString, QString> &shown,
                                       QString &error)
{
    if (held.isEmpty())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM units WHERE (done_key = ? OR (done_key = '' AND unique_key = ?))"
                             " AND result = ?"));
    q.addBindValue(UniqueKey(held));
    q.addBindValue(text(UniqueKey(shown)));
    q.addBindValue(UnitRecord::resultText(UnitRecord::Passed));
    if (!q.exec() || !q.next()) {
        error = QStringLiteral("cannot look the unit up: ") + q.lastError().text();
        return std::nullopt;
    }
    return q.value(0).toLongLong() > 0;
}

std::optional<QList<UnitRecord>> StationDb::records(const QDateTime &since, QString &error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral("SELECT id, started_at, station, port, golden, version, identity, unique_values, params,"
                             " result, failure, duration_ms FROM units WHERE started_at >= ? ORDER BY started_at, id"));
    q.addBindValue(since.isValid() ? text(TimeText(since)) : text(QString()));
    if (!q.exec()) {
        error = QStringLiteral("cannot read the records: ") + q.lastError().text();
        return std::nullopt;
    }
    QList<UnitRecord> out;
    while (q.next()) {
        UnitRecord r;
        r.id = q.value(0).toLongLong();
        r.started = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
        r.station = q.value(2).toString();
        r.port = q.value(3).toString();
        r.golden = q.value(4).toString();
        r.version = q.value(5).toString();
        r.identity = StringMapFromJson(QJsonDocument::fromJson(q.value(6).toString().toUtf8()).object());
        r.unique = StringMapFromJson(QJsonDocument::fromJson(q.value(7).toString().toUtf8()).object());
        r.params = WrittenParamsFromJson(QJsonDocument::fromJson(q.value(8).toString().toUtf8()).array());
        r.result = UnitRecord::resultFromText(q.value(9).toString()).value_or(UnitRecord::Failed);
        r.failure = q.value(10).toString();
        r.durationMs = q.value(11).toLongLong();
        out.append(r);
    }
    return out;
}
