// The dashboard's server as a client on the network meets it: an unchanged page costs no read,
// a client cannot hold or flood it, a database that stops answering is said within 5 s while
// the server keeps serving, and it never writes.
#include "dashboard/dashboard_server.h"
#include "provision/floor_queries.h"
#include "provision/station_db.h"
#include "support/pg_cluster.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {
UnitRecord record(const QString &station, const QString &value)
{
    UnitRecord r;
    r.started = QDateTime::currentDateTimeUtc();
    r.station = station;
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.result = UnitRecord::Passed;
    r.unique.insert(QStringLiteral("0002"), value);
    return r;
}

// One request on its own connection; the status line's code and the headers and body.
struct Answer {
    int status = 0;
    QByteArray head;
    QByteArray body;
    QByteArray header(const QByteArray &name) const
    {
        for (const QByteArray &line : head.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }
};

Answer ask(quint16 port, const QByteArray &request, int timeoutMs = 8000)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(2000))
        return {};
    s.write(request);
    QByteArray data;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        // The event loop runs the server meanwhile: it lives in this thread.
        QTest::qWait(5);
        data += s.readAll();
        const int end = data.indexOf("\r\n\r\n");
        if (end >= 0) {
            Answer a;
            a.head = data.left(end);
            a.status = data.mid(9, 3).toInt();
            const int length = a.header("Content-Length").toInt();
            if (data.size() >= end + 4 + length) {
                a.body = data.mid(end + 4, length);
                return a;
            }
        }
        if (s.state() != QAbstractSocket::ConnectedState && s.bytesAvailable() == 0)
            break;
    }
    return {};
}

QByteArray get(const QByteArray &path, const QByteArray &extra = {})
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nConnection: close\r\n" + extra + "\r\n";
}
} // namespace

class TestDashboardServer : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString sqliteWith(int records)
    {
        const QString path = dir.filePath(QStringLiteral("r%1.sqlite").arg(records));
        StationDb db;
        QString error;
        if (!db.open(path, error))
            qFatal("%s", qPrintable(error));
        for (int i = 0; i < records; ++i) {
            UnitRecord r = record(QStringLiteral("A"), QString::number(100 + i));
            db.insert(r, error);
        }
        return path;
    }

private slots:
    void unchangedPageIsNotModifiedUntilARecordArrives()
    {
        const QString path = sqliteWith(2);
        DashboardServer server(DashboardOptions{path, QHostAddress::LocalHost, 0, {}, {}});
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
        const Answer first = ask(server.port(), get("/api/units?lang=en"));
        QCOMPARE(first.status, 200);
        const QByteArray etag = first.header("ETag");
        QVERIFY(!etag.isEmpty());
        QCOMPARE(ask(server.port(), get("/api/units?lang=en", "If-None-Match: " + etag + "\r\n")).status, 304);
        StationDb db;
        QVERIFY(db.open(path, error));
        UnitRecord r = record(QStringLiteral("B"), QStringLiteral("999"));
        QVERIFY(db.insert(r, error));
        QElapsedTimer t;
        t.start();
        Answer later;
        while (t.elapsed() < 3000 && (later = ask(server.port(), get("/api/units?lang=en", "If-None-Match: " + etag + "\r\n"))).status == 304)
            QTest::qWait(100);
        QCOMPARE(later.status, 200);
        QVERIFY(later.body.contains("\"999\""));
    }

    void clientsAreBounded_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::newRow("header too large") << ("GET / HTTP/1.1\r\nX: " + QByteArray(20000, 'a') + "\r\n\r\n") << 431;
        QTest::newRow("body too large") << QByteArray("POST /login HTTP/1.1\r\nContent-Length: 100000\r\n\r\n") << 413;
        QTest::newRow("slow client") << QByteArray("GET / HTTP/1.1\r\nHost: localhost\r\n") << 408;
        QTest::newRow("not HTTP") << QByteArray("HELLO\r\n\r\n") << 400;
        QTest::newRow("chunked body") << QByteArray("POST /login HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n") << 411;
        QTest::newRow("two lengths") << QByteArray("POST /login HTTP/1.1\r\nContent-Length: 0\r\nContent-Length: 5\r\n\r\nGET /") << 400;
        QTest::newRow("length with a sign") << QByteArray("POST /login HTTP/1.1\r\nContent-Length: +5\r\n\r\nabcde") << 400;
        QTest::newRow("folded header") << QByteArray("GET / HTTP/1.1\r\nHost: localhost\r\n y\r\n\r\n") << 400;
        QTest::newRow("says nothing") << QByteArray() << 0;
        QTest::newRow("another host's name") << QByteArray("GET /api/units HTTP/1.1\r\nHost: rebound.example\r\n\r\n") << 421;
    }
    void clientsAreBounded()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        HttpLimits limits;
        limits.requestMs = 500;
        DashboardServer server(DashboardOptions{sqliteWith(0), QHostAddress::LocalHost, 0, {}, limits});
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
        QElapsedTimer t;
        t.start();
        QCOMPARE(ask(server.port(), request, 3000).status, status);
        QVERIFY(t.elapsed() < 2000);
    }

    void connectionsBeyondTheBoundAreTurnedAway()
    {
        HttpLimits limits;
        limits.maxConnections = 3;
        DashboardServer server(DashboardOptions{sqliteWith(0), QHostAddress::LocalHost, 0, {}, limits});
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
        // Connections that only wait make room; requests under way do not.
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (const QByteArray &sent : {QByteArray(), QByteArray(), QByteArray()}) {
            held.push_back(std::make_unique<QTcpSocket>());
            held.back()->connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(held.back()->waitForConnected(2000));
            held.back()->write(sent);
        }
        QTest::qWait(100);
        QCOMPARE(ask(server.port(), get("/")).status, 200);
        for (auto &s : held)
            s->write("GET / HTTP/1.1\r\n");
        QTest::qWait(100);
        held.push_back(std::make_unique<QTcpSocket>());
        held.back()->connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(held.back()->waitForConnected(2000));
        held.back()->write("GET / HTTP/1.1\r\n");
        QTest::qWait(100);
        QCOMPARE(ask(server.port(), get("/")).status, 503);
        held.clear();
        QTest::qWait(200);
        QCOMPARE(ask(server.port(), get("/")).status, 200);
    }

    // A record committed after a later one (two stations on one server) is news as well.
    void recordCommittedLateIsNews()
    {
        if (PgCluster::binDir().isEmpty())
            QSKIP("the PostgreSQL server is not installed (scripts/setup-deps.sh installs it)");
        PgCluster pg;
        QVERIFY2(pg.start(), qPrintable(pg.errorText()));
        StationDb station;
        QString error;
        QVERIFY2(station.open(pg.url(), error), qPrintable(error));
        const QUrlQuery where{QUrl(pg.url())};
        QSqlDatabase late = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("late"));
        late.setHostName(where.queryItemValue(QStringLiteral("host")));
        late.setUserName(QStringLiteral("dtu"));
        late.setDatabaseName(QStringLiteral("dtu"));
        QVERIFY(late.open());
        QSqlQuery q(late);
        QVERIFY(q.exec(QStringLiteral("BEGIN")));
        QVERIFY2(q.exec(QStringLiteral("INSERT INTO units (started_at, station, port, golden, version, identity, unique_values,"
                                       " unique_key, params, result, failure, duration_ms) VALUES ('2026-12-11T08:00:00.000Z',"
                                       " 'B', 'p', 'g', 'v', '{}', '{}', '', '[]', 'passed', '', 1)")),
                 qPrintable(q.lastError().text()));
        UnitRecord r = record(QStringLiteral("A"), QStringLiteral("1"));
        QVERIFY2(station.insert(r, error), qPrintable(error));
        StationDb reader;
        reader.setReadOnly(true);
        QVERIFY2(reader.open(pg.url(), error), qPrintable(error));
        const auto before = RecordsStamp(reader, error);
        QVERIFY(q.exec(QStringLiteral("COMMIT")));
        const auto after = RecordsStamp(reader, error);
        QVERIFY(before && after);
        QVERIFY2(*before != *after, qPrintable(*before));
        q = QSqlQuery();
        late.close();
        late = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("late"));
    }

    void silentDatabaseIsSaidWhileTheServerServes()
    {
        if (PgCluster::binDir().isEmpty())
            QSKIP("the PostgreSQL server is not installed (scripts/setup-deps.sh installs it)");
        PgCluster pg;
        QVERIFY2(pg.start(), qPrintable(pg.errorText()));
        {
            StationDb db;
            QString error;
            QVERIFY2(db.open(pg.url(), error), qPrintable(error));
            UnitRecord r = record(QStringLiteral("A"), QStringLiteral("1"));
            QVERIFY(db.insert(r, error));
        }
        DashboardServer server(DashboardOptions{pg.url(), QHostAddress::LocalHost, 0, {}, {}});
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
        QCOMPARE(ask(server.port(), get("/api/floor")).status, 200);
        QVERIFY(pg.freeze(true));
        auto thaw = qScopeGuard([&] { pg.freeze(false); });
        QElapsedTimer t;
        t.start();
        const Answer silent = ask(server.port(), get("/api/units?station=A"), 10000);
        QCOMPARE(silent.status, 503);
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(silent.body.contains("answer"));
        t.restart();
        QCOMPARE(ask(server.port(), get("/")).status, 200);
        QVERIFY(t.elapsed() < 1000);
        pg.freeze(false);
        // Answering again once the database is back.
        t.restart();
        while (t.elapsed() < 15000 && ask(server.port(), get("/api/floor")).status != 200)
            QTest::qWait(200);
        QCOMPARE(ask(server.port(), get("/api/floor")).status, 200);
    }

    // The records file moved away and another put in its place: said while gone, read once back.
    void replacedFileIsReadAgain()
    {
        const QString path = sqliteWith(1);
        DashboardServer server(DashboardOptions{path, QHostAddress::LocalHost, 0, {}, {}});
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
        QVERIFY(!ask(server.port(), get("/api/units")).body.contains("\"777\""));
        QVERIFY(QFile::rename(path, path + QStringLiteral(".old")));
        QTRY_COMPARE_WITH_TIMEOUT(ask(server.port(), get("/api/units")).status, 503, 5000);
        QVERIFY(ask(server.port(), get("/api/units")).body.contains("gone"));
        {
            StationDb db;
            QVERIFY(db.open(path, error));
            UnitRecord r = record(QStringLiteral("A"), QStringLiteral("777"));
            QVERIFY(db.insert(r, error));
        }
        QTRY_VERIFY_WITH_TIMEOUT(ask(server.port(), get("/api/units")).body.contains("\"777\""), 5000);
    }

    void readerNeverWrites()
    {
        const QString path = sqliteWith(1);
        const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        StationDb reader;
        reader.setReadOnly(true);
        QString error;
        QVERIFY2(reader.open(path, error), qPrintable(error));
        UnitRecord r = record(QStringLiteral("A"), QStringLiteral("2"));
        QVERIFY(!reader.insert(r, error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        // A file that is not there is not made.
        StationDb missing;
        missing.setReadOnly(true);
        QVERIFY(!missing.open(dir.filePath(QStringLiteral("none.sqlite")), error));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("none.sqlite"))));
    }
};

QTEST_GUILESS_MAIN(TestDashboardServer)
#include "tst_dashboard_server.moc"
