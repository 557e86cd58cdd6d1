// The records database: schema creation and upgrade, counters, records, on SQLite and on a real
// PostgreSQL server (a throw-away cluster on a Unix socket).
#include "provision/outbox.h"
#include "provision/station_db.h"
#include "support/pg_cluster.h"
#include "support/temp_file_dir.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QtTest>

namespace {
UnitRecord sampleRecord(const QString &port, UnitRecord::Result result, const QString &id)
{
    UnitRecord r;
    r.started = QDateTime::currentDateTimeUtc();
    r.station = QStringLiteral("bench-1");
    r.port = port;
    r.golden = QStringLiteral("golden.txt");
    r.version = QStringLiteral("DTUSIM-V1.0.3");
    r.identity.insert(QStringLiteral("0002"), QStringLiteral("10000001"));
    r.unique.insert(QStringLiteral("0002"), id);
    r.held.insert(QStringLiteral("0002"), QStringLiteral("HEX:") + id);
    r.params.append({QStringLiteral("0002"), QStringLiteral("设备ID"), id, id, QString(), QString()});
    r.result = result;
    r.failure = result == UnitRecord::Passed ? QString() : QStringLiteral("没有应答");
    r.durationMs = 1234;
    return r;
}

// Flushes one outbox into the database with a connection of its own, as another station does.
class Flusher : public QThread {
public:
    Flusher(QString spec, QString outbox) : m_spec(std::move(spec)), m_outbox(std::move(outbox)) {}
    int stored = 0;
    QString error;

protected:
    void run() override
    {
        StationDb db;
        if (db.open(m_spec, error))
            stored = Outbox(m_outbox).flush(db, error);
    }

private:
    QString m_spec;
    QString m_outbox;
};

// The counter's next value in a transaction of its own.
std::optional<qint64> takeCounter(StationDb &db, const QString &name, qint64 start, QString &error)
{
    std::optional<qint64> taken;
    if (!db.transaction([&](QString &e) { return (taken = db.nextCounterValue(name, start, {}, e)).has_value(); }, error))
        return std::nullopt;
    return taken;
}

// Takes `n` values of one counter on a thread of its own, with its own connection, each
// recorded as handed out in the transaction that takes it, as a station does.
class Taker : public QThread {
public:
    Taker(QString spec, int n) : m_spec(std::move(spec)), m_n(n) {}
    QList<qint64> values;
    QString error;

protected:
    void run() override
    {
        StationDb db;
        if (!db.open(m_spec, error))
            return;
        for (int i = 0; i < m_n; ++i) {
            std::optional<qint64> v;
            const bool ok = db.transaction(
                [&](QString &e) {
                    v = db.nextCounterValue(QStringLiteral("seq:0002"), 500, {}, e);
                    return v && db.issue(QStringLiteral("0002"), QString::number(*v), e);
                },
                error);
            if (!ok)
                return;
            values << *v;
        }
    }

private:
    QString m_spec;
    int m_n;
};

void checkDatabase(const QString &spec)
{
    {
        StationDb db;
        QString error;
        QVERIFY2(db.open(spec, error), qPrintable(error));
        QCOMPARE(db.schemaVersion(), StationDb::CurrentSchemaVersion());

        // Counters: from the start on, one at a time, and a larger start jumps ahead.
        QCOMPARE(takeCounter(db, QStringLiteral("seq:0002"), 10000001, error).value_or(-1), 10000001);
        QCOMPARE(takeCounter(db, QStringLiteral("seq:0002"), 10000001, error).value_or(-1), 10000002);
        QCOMPARE(takeCounter(db, QStringLiteral("seq:0003"), 7, error).value_or(-1), 7);
        QCOMPARE(takeCounter(db, QStringLiteral("seq:0002"), 20000000, error).value_or(-1), 20000000);
        QCOMPARE(takeCounter(db, QStringLiteral("seq:0002"), 1, error).value_or(-1), 20000001);

        UnitRecord a = sampleRecord(QStringLiteral("/dev/ttyUSB0"), UnitRecord::Passed, QStringLiteral("10000001"));
        UnitRecord b = sampleRecord(QStringLiteral("/dev/ttyUSB1"), UnitRecord::Failed, QStringLiteral("10000002"));
        QVERIFY2(db.insert(a, error), qPrintable(error));
        QVERIFY2(db.insert(b, error), qPrintable(error));
        QVERIFY(a.id > 0);
        QVERIFY(b.id > a.id);

        // Only a passed unit counts as done, known by the stored values it holds.
        const QMap<QString, QString> shown{{QStringLiteral("0002"), QStringLiteral("10000001")}};
        QCOMPARE(db.wasDone(a.held, {}, error), std::optional<bool>(true));
        QCOMPARE(db.wasDone(b.held, {}, error), std::optional<bool>(false));
        QCOMPARE(db.wasDone({{QStringLiteral("0002"), QStringLiteral("HEX:0100")}}, shown, error), std::optional<bool>(false));
        QCOMPARE(db.wasDone({}, shown, error), std::optional<bool>(false));
        // A record from before stored values were kept is known by its shown values.
        UnitRecord old = sampleRecord(QStringLiteral("/dev/ttyUSB2"), UnitRecord::Passed, QStringLiteral("10000003"));
        old.held.clear();
        QVERIFY2(db.insert(old, error), qPrintable(error));
        QCOMPARE(db.wasDone({{QStringLiteral("0002"), QStringLiteral("HEX:1")}}, old.unique, error), std::optional<bool>(true));

        // A value is handed out once, whatever the code path: the database refuses the second.
        QVERIFY(db.transaction([&](QString &e) { return db.issue(QStringLiteral("0003"), QStringLiteral("HEX:41"), e); }, error));
        QVERIFY(!db.transaction([&](QString &e) { return db.issue(QStringLiteral("0003"), QStringLiteral("HEX:41"), e); }, error));
        QVERIFY2(error.contains(QStringLiteral("0003=HEX:41")), qPrintable(error));
        // A failed transaction takes nothing: the counter is where it was.
        QVERIFY(!db.transaction(
            [&](QString &e) {
                return db.nextCounterValue(QStringLiteral("seq:0002"), 1, {}, e) &&
                       db.issue(QStringLiteral("0003"), QStringLiteral("HEX:41"), e);
            },
            error));
        QCOMPARE(db.issuedValues(QStringLiteral("0003"), error).value_or(QSet<QString>()), QSet<QString>{QStringLiteral("HEX:41")});
        // A counter kept under another name of the row goes on where that one stopped.
        QCOMPARE(takeCounter(db, QStringLiteral("seq:设备名称"), 70, error).value_or(-1), 70);
        std::optional<qint64> moved;
        QVERIFY(db.transaction([&](QString &e) {
            return (moved = db.nextCounterValue(QStringLiteral("seq:0003"), 1, {QStringLiteral("seq:设备名称")}, e)).has_value();
        }, error));
        QCOMPARE(moved.value_or(-1), 71);

        const auto all = db.records(QDateTime(), error);
        QVERIFY2(all, qPrintable(error));
        QCOMPARE(all->size(), 3);
        const UnitRecord &back = all->at(1);
        QCOMPARE(back.port, b.port);
        QCOMPARE(back.result, UnitRecord::Failed);
        QCOMPARE(back.failure, b.failure);
        QCOMPARE(back.unique, b.unique);
        QCOMPARE(back.identity, b.identity);
        QCOMPARE(back.params.size(), 1);
        QCOMPARE(back.params.first().name, QStringLiteral("设备ID"));
        QCOMPARE(back.durationMs, 1234);
        QCOMPARE(back.started.toMSecsSinceEpoch(), b.started.toMSecsSinceEpoch());
        QCOMPARE(db.records(QDateTime::currentDateTimeUtc().addSecs(60), error)->size(), 0);
    }
    // Reopening keeps everything and upgrades nothing twice.
    StationDb again;
    QString error;
    QVERIFY2(again.open(spec, error), qPrintable(error));
    QCOMPARE(again.records(QDateTime(), error)->size(), 3);
    QCOMPARE(takeCounter(again, QStringLiteral("seq:0002"), 1, error).value_or(-1), 20000002);

    // Stations taking values at the same time never get the same one: with a pause between
    // moving the counter on and reading it, a value read outside the transaction is seen twice
    // (or refused by the database, which fails the taker too).
    StationDb::SetTakePauseForTests(3);
    QList<Taker *> takers;
    for (int i = 0; i < 8; ++i)
        takers << new Taker(spec, 25);
    for (Taker *t : takers)
        t->start();
    QSet<qint64> seen;
    for (Taker *t : takers) {
        QVERIFY(t->wait(120000));
        QVERIFY2(t->error.isEmpty(), qPrintable(t->error));
        QCOMPARE(t->values.size(), 25);
        for (qint64 v : t->values) {
            QVERIFY2(!seen.contains(v), qPrintable(QStringLiteral("value %1 handed out twice").arg(v)));
            seen.insert(v);
        }
        delete t;
    }
    StationDb::SetTakePauseForTests(0);
    QCOMPARE(*std::min_element(seen.cbegin(), seen.cend()), qint64(20000003));
    QCOMPARE(*std::max_element(seen.cbegin(), seen.cend()), qint64(20000202));
}
} // namespace

class TestStationDb : public QObject {
    Q_OBJECT
private slots:
    void sqliteFile()
    {
        TempFileDir dir;
        checkDatabase(dir.filePath(QStringLiteral("records.sqlite")));
    }

    void sqliteUpgradeAndNewer()
    {
        TempFileDir dir;
        const QString file = dir.filePath(QStringLiteral("old.sqlite"));
        {
            // A database as the first schema left it, with one record.
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO schema_version VALUES (1)")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE counters (name TEXT PRIMARY KEY, next_value BIGINT NOT NULL)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO counters VALUES ('seq:0002', 42)")));
            QVERIFY(q.exec(QStringLiteral(
                "CREATE TABLE units (id INTEGER PRIMARY KEY AUTOINCREMENT, started_at TEXT NOT NULL, station TEXT NOT NULL,"
                " port TEXT NOT NULL, golden TEXT NOT NULL, version TEXT NOT NULL, identity TEXT NOT NULL,"
                " unique_values TEXT NOT NULL, unique_key TEXT NOT NULL, params TEXT NOT NULL, result TEXT NOT NULL,"
                " failure TEXT NOT NULL, duration_ms BIGINT NOT NULL)")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
        {
            StationDb db;
            QString error;
            QVERIFY2(db.open(file, error), qPrintable(error));
            QCOMPARE(db.schemaVersion(), StationDb::CurrentSchemaVersion());
            QCOMPARE(takeCounter(db, QStringLiteral("seq:0002"), 1, error).value_or(-1), 42);
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("UPDATE schema_version SET version = 99")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        StationDb db;
        QString error;
        QVERIFY(!db.open(file, error));
        QVERIFY2(error.contains(QStringLiteral("newer")), qPrintable(error));
    }

    // Two stations flush one outbox while a record is appended: every record is stored once,
    // and the appended one is stored or still waits, never lost.
    void twoFlushesOfOneOutbox()
    {
        TempFileDir dir;
        const QString spec = dir.filePath(QStringLiteral("records.sqlite"));
        QString error;
        {
            StationDb create;
            QVERIFY2(create.open(spec, error), qPrintable(error));
        }
        Outbox outbox(Outbox::PathFor(spec));
        constexpr int kWaiting = 40;
        for (int i = 0; i < kWaiting; ++i) {
            UnitRecord r = sampleRecord(QStringLiteral("u%1").arg(i), UnitRecord::Passed, QString::number(30000000 + i));
            r.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
            QVERIFY2(outbox.add(r, error), qPrintable(error));
        }
        Flusher a(spec, outbox.path());
        Flusher b(spec, outbox.path());
        a.start();
        b.start();
        UnitRecord late = sampleRecord(QStringLiteral("late"), UnitRecord::Failed, QStringLiteral("39999999"));
        late.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        QVERIFY2(outbox.add(late, error), qPrintable(error));
        QVERIFY(a.wait(60000) && b.wait(60000));
        QVERIFY2(a.error.isEmpty() && b.error.isEmpty(), qPrintable(a.error + b.error));
        StationDb db;
        QVERIFY2(db.open(spec, error), qPrintable(error));
        const QList<UnitRecord> stored = db.records(QDateTime(), error).value_or(QList<UnitRecord>());
        QSet<QString> ids;
        for (const UnitRecord &r : stored)
            ids.insert(r.uid);
        QCOMPARE(ids.size(), stored.size());
        const QList<UnitRecord> left = outbox.pending(error);
        for (const UnitRecord &r : left)
            QVERIFY2(!ids.contains(r.uid), qPrintable(r.port));
        QCOMPARE(stored.size() + left.size(), kWaiting + 1);
        // What was left is stored by the next flush, once.
        outbox.flush(db, error);
        QCOMPARE(db.records(QDateTime(), error).value_or(QList<UnitRecord>()).size(), kWaiting + 1);
        QCOMPARE(outbox.pending(error).size(), 0);
    }

    void unusableFile()
    {
        StationDb db;
        QString error;
        QVERIFY(!db.open(QStringLiteral("/nonexistent-folder/records.sqlite"), error));
        QVERIFY(!error.isEmpty());
        StationDb noName;
        QVERIFY(!noName.open(QStringLiteral("postgresql://localhost"), error));
        QVERIFY2(error.contains(QStringLiteral("no database")), qPrintable(error));
    }

    void postgresServer()
    {
        if (PgCluster::binDir().isEmpty())
            QSKIP("the PostgreSQL server is not installed (scripts/setup-deps.sh installs it)");
        PgCluster pg;
        QVERIFY2(pg.start(), qPrintable(pg.errorText()));
        checkDatabase(pg.url());
    }
};

QTEST_GUILESS_MAIN(TestStationDb)
#include "tst_station_db.moc"
