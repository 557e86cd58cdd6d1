// Production runs: units per hour with one simulated unit and with eight at once, and the time
// one unit takes against the wire time of the bytes it exchanged, at 115200 baud.
#include "bench_common.h"
#include "provision/station.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {
struct Rounds {
    int units = 0;
    int failed = 0;
    qint64 wallMs = 0;
    qint64 unitMs = 0;       // sum of per-unit durations
    qint64 wireBytes = 0;
};

Rounds runRounds(const QString &pattern, int rounds, const QString &db)
{
    Rounds out;
    for (int i = 0; i < rounds; ++i) {
        StationConfig c;
        c.plan.goldenPath = QStringLiteral(DTU_SOURCE_DIR "/examples/demo_profile.txt");
        c.plan.scriptPath = QStringLiteral(DTU_SOURCE_DIR "/examples/script.js");
        c.plan.link.baud = QStringLiteral("115200");
        c.ports = {pattern};
        c.db = db;
        QString error;
        c.uniques << *ParseUniqueSpec(QStringLiteral("设备ID={seq:10000001}"), error);
        Station station(c);
        QEventLoop loop;
        QObject::connect(&station, &Station::finished, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        if (!station.start(error))
            bench::fail(error);
        loop.exec();
        out.wallMs += t.elapsed();
        for (const UnitRecord &r : station.records()) {
            ++out.units;
            out.failed += r.result != UnitRecord::Passed;
            out.unitMs += r.durationMs;
            out.wireBytes += r.bytesOnWire;
        }
    }
    return out;
}

double perHour(const Rounds &r) { return r.wallMs > 0 ? r.units * 3600000.0 / double(r.wallMs) : 0; }
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString one = bench::arg(args, QStringLiteral("--one"));
    const QString eight = bench::arg(args, QStringLiteral("--eight"));
    const int rounds = bench::intArg(args, QStringLiteral("--rounds"), 3);
    if (one.isEmpty() || eight.isEmpty())
        bench::fail(QStringLiteral("usage: bench_provision --one PORT --eight PATTERN [--rounds N]"));
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("records.sqlite"));

    const Rounds r1 = runRounds(one, rounds, db);
    const Rounds r8 = runRounds(eight, rounds, db);
    if (r1.failed || r8.failed)
        bench::fail(QStringLiteral("%1 unit(s) failed").arg(r1.failed + r8.failed));
    const double ratio = perHour(r8) / perHour(r1);
    bench::say(QStringLiteral("provision_parallel: %1 x (8 units %2/h against 1 unit %3/h, %4 + %5 units) [goal >= 6 x] %6")
                   .arg(ratio, 0, 'f', 2)
                   .arg(qRound(perHour(r8)))
                   .arg(qRound(perHour(r1)))
                   .arg(r8.units)
                   .arg(r1.units)
                   .arg(ratio >= 6 ? QStringLiteral("MET") : QStringLiteral("MISSED")));
    // 10 bits per byte on an 8N1 line.
    const double wireMs = double(r1.wireBytes) / r1.units * 10.0 / 115200.0 * 1000.0;
    const double unitMs = double(r1.unitMs) / r1.units;
    bench::say(QStringLiteral("provision_unit: %1 x wire (%2 ms per unit against %3 ms wire time of %4 bytes)")
                   .arg(unitMs / wireMs, 0, 'f', 2)
                   .arg(qRound(unitMs))
                   .arg(qRound(wireMs))
                   .arg(r1.wireBytes / r1.units));
    return 0;
}
