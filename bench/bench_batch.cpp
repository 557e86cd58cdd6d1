// Batch write of every row of a generated profile ("批量写参数"), fast replies against the strict rule.
// Usage: bench_batch --write-profile FILE --rows N   (makes the profile the simulator also loads)
//        bench_batch --port PTY --profile FILE
#include "bench_common.h"

#include "params/param_ops.h"
#include "protocol/device_commands.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {
double timedBatch(CoreSession &s, ParamOps &ops, bool fast, int *rows)
{
    s.state.FastReplies = fast;
    RecordingSink sink;
    QElapsedTimer t;
    t.start();
    const ParamOps::BatchResult b = ops.writeAllParams(sink);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    if (b.failed != 0 || b.written == 0)
        bench::fail(QStringLiteral("batch write: %1 written, %2 failed; last: %3")
                        .arg(b.written)
                        .arg(b.failed)
                        .arg(sink.log.value(sink.log.size() - 2)));
    *rows = b.written;
    return ms;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString generate = bench::arg(args, QStringLiteral("--write-profile"));
    if (!generate.isEmpty()) {
        bench::writeProfile(generate, bench::intArg(args, QStringLiteral("--rows"), 100));
        return 0;
    }
    const QString port = bench::arg(args, QStringLiteral("--port"));
    const QString profile = bench::arg(args, QStringLiteral("--profile"));
    if (port.isEmpty() || profile.isEmpty())
        bench::fail(QStringLiteral("usage: bench_batch --port PTY --profile FILE"));

    CoreSession s;
    bench::loadScript(s);
    const ProfileLoadResult loaded = s.profile.LoadProfile(profile);
    if (!loaded.ok || !loaded.entryErrors.isEmpty())
        bench::fail(QStringLiteral("profile: ") + loaded.error + loaded.entryErrors.join(QLatin1Char(';')));
    bench::openPort(s, port);
    DeviceCommands commands(s);
    ParamOps ops(s, [&commands](int n) { commands.SelectParamChannel(n); });

    int fastRows = 0, strictRows = 0;
    const double fastMs = timedBatch(s, ops, true, &fastRows);
    const double strictMs = timedBatch(s, ops, false, &strictRows);
    const double speedup = strictMs / fastMs;
    bench::say(QStringLiteral("batch_write: %1 x faster fast than strict (%2 rows: fast %3 s, strict %4 s) "
                              "[goal >= 20 x] %5")
                   .arg(speedup, 0, 'f', 1)
                   .arg(fastRows)
                   .arg(fastMs / 1000, 0, 'f', 3)
                   .arg(strictMs / 1000, 0, 'f', 2)
                   .arg(bench::verdict(speedup >= 20)));
    return 0;
}
