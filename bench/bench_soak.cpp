// Soak of the receive path: the transparent page taking a steady stream off the simulated
// device's pseudo-terminal (port at 921600 baud) for minutes, as a user leaving it running.
// Usage: bench_soak --port PTY --bytes N [--minutes M] [--view new|old] [--picture PNG]
// Prints: resident memory at the start and the end, the longest gap between event-loop ticks,
// and the bytes received against the bytes the device sent (N + the echoed trigger byte), then
// one "soak-result" line for bench/soak.sh to compare. --view old shows the stream in the text
// edit the page used before (the baseline), in the same place on the page.
#include "bench_common.h"
#include "legacy_view.h"
#include "widgets/conversation_view.h"
#include "tools/transparent_page.h"
#include "widgets/dialogs.h"

#include <QApplication>
#include <QLayout>
#include <QElapsedTimer>
#include <QTimer>
#include <unistd.h>

namespace {
qint64 residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
}

constexpr int kTickMs = 5;
constexpr int kWarmUpMs = 5000;  // the page, the memo and the port settle first
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString port = bench::arg(args, QStringLiteral("--port"));
    const qint64 streamBytes = bench::arg(args, QStringLiteral("--bytes")).toLongLong();
    const double minutes = bench::arg(args, QStringLiteral("--minutes"), QStringLiteral("10")).toDouble();
    if (port.isEmpty() || streamBytes <= 0 || minutes <= 0)
        bench::fail(QStringLiteral("usage: bench_soak --port PTY --bytes N [--minutes M] [--view new|old]"));
    const int gapGoalMs = bench::intArg(args, QStringLiteral("--gap-goal-ms"), 50);
    const QString view = bench::arg(args, QStringLiteral("--view"), QStringLiteral("new"));
    if (view != QLatin1String("new") && view != QLatin1String("old"))
        bench::fail(QStringLiteral("--view is new or old"));
    const qint64 expected = streamBytes + 1;

    CoreSession s;
    WidgetDialogs dialogs;
    TransparentPage page(s, dialogs);
    bench::LegacyView *legacy = nullptr;
    if (view == QLatin1String("old")) {
        auto *edit = new QPlainTextEdit;
        page.m_conversationBox->parentWidget()->layout()->replaceWidget(page.m_conversationBox, edit);
        page.m_conversationBox->hide();
        QObject::disconnect(&s.poll, &ReceivePoll::transparentLine, page.m_conversationBox, nullptr);
        legacy = new bench::LegacyView(edit);
        QObject::connect(&s.poll, &ReceivePoll::transparentLine, legacy, &bench::LegacyView::appendLine);
    }
    page.resize(800, 600);
    page.show();
    bench::openPort(s, port, 921600);
    s.state.WorkMode = 0;

    // The event loop's pulse: a precise timer whose late ticks are the gaps a user would feel.
    QElapsedTimer clock;
    qint64 lastTickNs = -1, worstGapNs = 0, startKb = -1, ticks = 0;
    QTimer pulse;
    pulse.setTimerType(Qt::PreciseTimer);
    pulse.setInterval(kTickMs);
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (startKb < 0 && now >= qint64(kWarmUpMs) * 1000000)
            startKb = residentKb();
        if (startKb >= 0 && lastTickNs >= 0)
            worstGapNs = std::max(worstGapNs, now - lastTickNs);
        lastTickNs = now;
        ++ticks;
    });

    // The device slows down when the reader falls behind, so the stream may take longer than
    // planned; the limit only ends a run that has stopped moving.
    const qint64 limitMs = static_cast<qint64>(minutes * 60000) * 2 + 30000;
    QTimer done;
    done.setInterval(200);
    qint64 lastCount = -1, quietSince = 0;
    QObject::connect(&done, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (s.state.ReceivedBytes != lastCount) {
            lastCount = s.state.ReceivedBytes;
            quietSince = now;
        }
        // All in, or five quiet seconds after the stream should have ended, or the hard limit.
        if (lastCount >= expected || (now > minutes * 60000 && now - quietSince > 5000) || now > limitMs)
            app.quit();
    });

    clock.start();
    pulse.start();
    done.start();
    s.poll.start();
    QString error;
    if (!s.link.ChannelSend(QByteArray("x"), &error))
        bench::fail(QStringLiteral("send: ") + error);
    app.exec();
    const double seconds = clock.elapsed() / 1000.0;
    if (legacy)
        legacy->flush();
    else
        page.conversation().flush();
    const qint64 endKb = residentKb();
    // A picture of the page as the stream left it, to look at what a user would see.
    const QString picture = bench::arg(args, QStringLiteral("--picture"));
    if (!picture.isEmpty() && !page.grab().save(picture))
        bench::fail(QStringLiteral("cannot save the picture ") + picture);
    const qint64 received = static_cast<uint32_t>(s.state.ReceivedBytes);
    bench::say(QStringLiteral("soak: %1 s, %2 ticks; resident %3 kB at start, %4 kB at end (growth %5 kB) [goal <= 10240 kB] %6")
                   .arg(seconds, 0, 'f', 0).arg(ticks).arg(startKb).arg(endKb).arg(endKb - startKb)
                   .arg(bench::verdict(endKb - startKb <= 10240)));
    bench::say(QStringLiteral("soak: longest gap between event-loop ticks %1 ms (tick %2 ms) [goal <= %3 ms] %4")
                   .arg(worstGapNs / 1e6, 0, 'f', 1).arg(kTickMs).arg(gapGoalMs)
                   .arg(bench::verdict(worstGapNs <= qint64(gapGoalMs) * 1000000)));
    bench::say(QStringLiteral("soak: received %1 bytes, device sent %2 (%3 kB/s) [goal: equal] %4")
                   .arg(received).arg(expected).arg(received / seconds / 1000, 0, 'f', 0)
                   .arg(bench::verdict(received == expected)));
    bench::say(QStringLiteral("soak-result view=%1 seconds=%2 gap_ms=%3 growth_kb=%4 received=%5 expected=%6")
                   .arg(view).arg(seconds, 0, 'f', 0).arg(worstGapNs / 1e6, 0, 'f', 1).arg(endKb - startKb)
                   .arg(received).arg(expected));
    return received == expected ? 0 : 1;
}
