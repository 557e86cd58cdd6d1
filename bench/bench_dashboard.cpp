// The dashboard's cost follows the page, not the table: a throw-away PostgreSQL holds one shift
// of 16 stations (the last 8 h) and older history, first 10 000 records in all, then 1 000 000.
// The floor page and two unit searches are timed over HTTP at both sizes in this one run, and
// an unchanged refresh must be a 304.
#include "dashboard/dashboard_server.h"
#include "provision/station_db.h"
#include "support/pg_cluster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int kStations = 16;
constexpr int kShift = 6400;   // records in the last 8 h: 50 an hour per station

bool psql(const PgCluster &pg, const QString &sql)
{
    const QUrlQuery q{QUrl(pg.url())};
    QProcess p;
    p.start(PgCluster::binDir() + QStringLiteral("/psql"),
            {QStringLiteral("-h"), q.queryItemValue(QStringLiteral("host")), QStringLiteral("-U"), QStringLiteral("dtu"),
             QStringLiteral("-d"), QStringLiteral("bench"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
             QStringLiteral("-q"), QStringLiteral("-c"), sql});
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "psql: %s\n", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// `n` records from `base` on, the newest `newestSecondsAgo` before now, `spacing` s apart.
bool fill(const PgCluster &pg, qint64 base, qint64 n, double newestSecondsAgo, double spacing)
{
    QString sql = QStringLiteral(
        "INSERT INTO units (started_at, station, port, golden, version, identity, unique_values, unique_key, params,"
        " result, failure, duration_ms, done_key, unit_id, golden_hash, ext_hash, failure_code, failure_args, reused, record_uid)"
        " SELECT to_char((now() - make_interval(secs => %3 + g * %4)) AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'),"
        " 'station-' || lpad((g %% %5)::text, 2, '0'), '/dev/ttyUSB' || (g %% 8), 'golden.txt', 'V1.0', '{}',"
        " '{\"0002\":\"' || (%1 + g) || '\"}', '0002=' || (%1 + g),"
        " '[{\"code\":\"0002\",\"name\":\"设备ID\",\"written\":\"' || (%1 + g) || '\",\"read\":\"' || (%1 + g) || '\"}]',"
        " CASE WHEN g %% 20 = 0 THEN 'failed' ELSE 'passed' END, '', 500, '', 'SN-' || (%1 + g), 'abcd', '',"
        " CASE WHEN g %% 20 = 0 THEN 'read-back-differs' ELSE '' END, '[]', 0, 'uid-' || (%1 + g)"
        " FROM generate_series(1, %2) g;"
        " INSERT INTO given_values (unit_row, value) SELECT id, substr(unique_key, 6) FROM units"
        " WHERE id > (SELECT COALESCE(MAX(unit_row), 0) FROM given_values); ANALYZE;")
                            .arg(base).arg(n).arg(newestSecondsAgo).arg(spacing).arg(kStations);
    return psql(pg, sql.replace(QStringLiteral("%%"), QStringLiteral("%")));
}

struct Timed {
    int status = 0;
    double ms = 0;
    QByteArray etag;
};

Timed get(quint16 port, const QByteArray &path, const QByteArray &extra = {})
{
    QTcpSocket s;
    QElapsedTimer t;
    t.start();
    s.connectToHost(QHostAddress::LocalHost, port);
    s.waitForConnected(2000);
    s.write("GET " + path + " HTTP/1.1\r\nHost: b\r\nConnection: close\r\n" + extra + "\r\n");
    QByteArray data;
    while (s.state() == QAbstractSocket::ConnectedState || s.bytesAvailable()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        data += s.readAll();
        if (s.state() == QAbstractSocket::UnconnectedState)
            break;
        s.waitForReadyRead(5);
    }
    Timed out{data.mid(9, 3).toInt(), t.nsecsElapsed() / 1e6, {}};
    for (const QByteArray &line : data.left(data.indexOf("\r\n\r\n")).split('\n'))
        if (line.startsWith("ETag:"))
            out.etag = line.mid(5).trimmed();
    return out;
}

// Median over `rounds` asks, each a question not cached before (a new query item).
double median(quint16 port, const QByteArray &path, int rounds, int &status)
{
    static int n = 0;
    QList<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const Timed t = get(port, path + "&n=" + QByteArray::number(++n));
        status = t.status;
        ms << t.ms;
    }
    std::sort(ms.begin(), ms.end());
    return ms.at(ms.size() / 2);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 total = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const int rounds = 15;
    PgCluster pg;
    if (!pg.start(QStringLiteral("bench"))) {
        std::fprintf(stderr, "bench_dashboard: %s\n", qPrintable(pg.errorText()));
        return 1;
    }
    {
        StationDb db;
        QString error;
        if (!db.open(pg.url(), error)) {
            std::fprintf(stderr, "bench_dashboard: %s\n", qPrintable(error));
            return 1;
        }
    }
    // The shift, then history before it up to 10 000 records.
    if (!fill(pg, 10000000, kShift, 0, 8 * 3600.0 / kShift) || !fill(pg, 20000000, 10000 - kShift, 9 * 3600, 600))
        return 1;
    const QByteArray value = QByteArray::number(10000000 + kShift / 2);
    struct Figure {
        const char *name;
        QByteArray path;
        double small = 0;
        double large = 0;
    };
    QList<Figure> figures{{"floor page (8 h, 16 stations)", "/api/floor?hours=8"},
                          {"unit search by a value given", "/api/units?value=" + value},
                          {"unit search by station (latest 100)", "/api/units?station=station-03"}};
    auto measure = [&](bool large) {
        DashboardServer server(DashboardOptions{pg.url(), QHostAddress::LocalHost, 0, {}, {}});
        QString error;
        if (!server.start(error)) {
            std::fprintf(stderr, "bench_dashboard: %s\n", qPrintable(error));
            return false;
        }
        for (Figure &f : figures) {
            int status = 0;
            median(server.port(), f.path, 3, status);   // warm
            (large ? f.large : f.small) = median(server.port(), f.path, rounds, status);
            if (status != 200) {
                std::fprintf(stderr, "bench_dashboard: %s answered %d\n", f.name, status);
                return false;
            }
        }
        const Timed first = get(server.port(), "/api/units?station=station-05");
        const Timed again = get(server.port(), "/api/units?station=station-05", "If-None-Match: " + first.etag + "\r\n");
        std::printf("unchanged refresh at %lld records: %d in %.2f ms\n", large ? total : 10000LL, again.status, again.ms);
        return again.status == 304;
    };
    if (!measure(false))
        return 1;
    std::fprintf(stderr, "filling to %lld records ...\n", total);
    if (!fill(pg, 30000000, total - 10000, 9 * 3600 + 10000 * 600.0, 60))
        return 1;
    if (!measure(true))
        return 1;
    bool ok = true;
    for (const Figure &f : figures) {
        const double ratio = f.large / f.small;
        ok = ok && ratio <= 2.0;
        std::printf("%-38s 10 000: %7.2f ms   %lld: %7.2f ms   ratio %.2f %s\n", f.name, f.small, total, f.large, ratio,
                    ratio <= 2.0 ? "(goal <= 2: met)" : "(goal <= 2: MISSED)");
    }
    return ok ? 0 : 1;
}
