// One parameter write and its acknowledgement against the simulated device at 115200 baud:
// fast replies against the wire time, the strict rule against its 0.41 s of silence.
// Usage: bench_exchange --port PTY [--fast N] [--strict N]
#include "bench_common.h"

#include "protocol/frame.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {
constexpr double kBitsPerByte = 10;  // 8N1: start, 8 data, stop
constexpr double kBaud = 115200;
constexpr double kStrictSilenceMs = 410;

// Times `count` exchanges (after two unmeasured ones); every one must be acknowledged.
std::vector<double> timeExchanges(CoreSession &s, bool fast, int count, int *frameBytes)
{
    s.state.FastReplies = fast;
    const QByteArray payload = QByteArray::fromHex("1234");
    std::vector<double> ms;
    for (int i = -2; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        QString error;
        if (s.engine.SendFrame(bench::rowCode(0), payload, &error) != rcOk)
            bench::fail(QStringLiteral("send failed: ") + error);
        const ResultCode r = s.engine.AwaitAck();
        const double elapsed = static_cast<double>(t.nsecsElapsed()) / 1e6;
        if (r != rcOk)
            bench::fail(QStringLiteral("write not acknowledged (code %1)").arg(r));
        if (i >= 0)
            ms.push_back(elapsed);
    }
    *frameBytes = static_cast<int>(frame::Build(s.state.LastPrefix, bench::rowCode(0), payload).size());
    return ms;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString port = bench::arg(args, QStringLiteral("--port"));
    if (port.isEmpty())
        bench::fail(QStringLiteral("usage: bench_exchange --port PTY [--fast N] [--strict N]"));
    CoreSession s;
    bench::loadScript(s);
    bench::openPort(s, port);

    int requestBytes = 0;
    const int ackBytes = 8;
    const std::vector<double> fast = timeExchanges(s, true, bench::intArg(args, QStringLiteral("--fast"), 200), &requestBytes);
    const std::vector<double> strict = timeExchanges(s, false, bench::intArg(args, QStringLiteral("--strict"), 5), &requestBytes);

    const double wireMs = (requestBytes + ackBytes) * kBitsPerByte / kBaud * 1000;
    const double fastMs = bench::median(fast);
    const double goalMs = 1.5 * wireMs + 5;
    bench::say(QStringLiteral("exchange_fast: %1 x wire time (median %2 ms of %3, wire %4 ms for %5 bytes) "
                              "[goal <= 1.5 x + 5 ms = %6 ms] %7")
                   .arg(fastMs / wireMs, 0, 'f', 2)
                   .arg(fastMs, 0, 'f', 2)
                   .arg(fast.size())
                   .arg(wireMs, 0, 'f', 2)
                   .arg(requestBytes + ackBytes)
                   .arg(goalMs, 0, 'f', 2)
                   .arg(bench::verdict(fastMs <= goalMs)));
    const double strictMs = bench::median(strict);
    const double ruleMs = kStrictSilenceMs + wireMs;
    // The first byte is looked for every 100 ms, so up to 0.1 s more than the silence rule is expected.
    const double upperMs = (ruleMs + 100) * 1.05;  // 5 % for the timers' own overhead
    const bool inBand = strictMs >= ruleMs * 0.95 && strictMs <= upperMs;
    bench::say(QStringLiteral("exchange_strict: %1 x (0.41 s + wire) (median %2 ms of %3) "
                              "[expected 1.00 .. %4 x: silence rule plus up to one 100 ms first-byte poll] %5")
                   .arg(strictMs / ruleMs, 0, 'f', 2)
                   .arg(strictMs, 0, 'f', 1)
                   .arg(strict.size())
                   .arg(upperMs / ruleMs, 0, 'f', 2)
                   .arg(bench::verdict(inBand)));
    return 0;
}
