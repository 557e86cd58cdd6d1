// Loading a generated main profile whose every row is converted by a script ONGET:
// time of the load and peak resident memory of the whole process.
// Usage: bench_profile --write-profile FILE --rows N
//        bench_profile --profile FILE
#include "bench_common.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <sys/resource.h>

namespace {
double peakRssMb()
{
    struct rusage u = {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString generate = bench::arg(args, QStringLiteral("--write-profile"));
    if (!generate.isEmpty()) {
        bench::writeProfile(generate, bench::intArg(args, QStringLiteral("--rows"), 10000));
        return 0;
    }
    const QString profile = bench::arg(args, QStringLiteral("--profile"));
    if (profile.isEmpty())
        bench::fail(QStringLiteral("usage: bench_profile --profile FILE"));

    CoreSession s;
    bench::loadScript(s);
    const double rssBefore = peakRssMb();
    QElapsedTimer t;
    t.start();
    const ProfileLoadResult r = s.profile.LoadProfile(profile);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    // The script engine runs in a process of its own: its peak counts as well.
    const double engineRss = static_cast<double>(s.script.enginePeakResidentBytes()) / (1024.0 * 1024.0);
    const double rss = peakRssMb() + engineRss;
    if (!r.ok || !r.entryErrors.isEmpty())
        bench::fail(QStringLiteral("profile: ") + r.error + r.entryErrors.mid(0, 3).join(QLatin1Char(';')));
    // Every coded row must have been converted, or the figure measures nothing.
    int rows = 0;
    for (int i = 0; i < s.mainTable.size(); ++i) {
        const ParamRow &row = s.mainTable.row(i);
        if (row.isHeading())
            continue;
        if (row.shown.isEmpty())
            bench::fail(QStringLiteral("row %1 has no shown value").arg(i));
        ++rows;
    }
    bench::say(QStringLiteral("profile_load: %1 x the 1 s goal, peak RSS %2 x the 150 MB goal "
                              "(%3 rows in %4 ms; peak RSS %5 MB with the script engine's %6 MB, %7 MB before loading) [goal <= 1 s, <= 150 MB] %8")
                   .arg(ms / 1000, 0, 'f', 2)
                   .arg(rss / 150, 0, 'f', 2)
                   .arg(rows)
                   .arg(ms, 0, 'f', 0)
                   .arg(rss, 0, 'f', 1)
                   .arg(engineRss, 0, 'f', 1)
                   .arg(rssBefore, 0, 'f', 1)
                   .arg(bench::verdict(ms <= 1000 && rss <= 150)));
    return 0;
}
