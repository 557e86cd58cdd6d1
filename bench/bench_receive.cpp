// Transparent receive: the receive poll taking a fast stream off the simulated device's
// pseudo-terminal and making display lines of it, as the transparent page shows them.
// Usage: bench_receive --port PTY --bytes N [--log DIR]   prints: bytes/s, bytes, display lines
// With --log, the session log is on, as in the window: every chunk in hex and every display line.
// The stream starts when the device gets a byte, which it echoes: N + 1 bytes arrive.
#include "bench_common.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {
constexpr int kDeadlineMs = 180000;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString port = bench::arg(args, QStringLiteral("--port"));
    const qint64 streamBytes = bench::arg(args, QStringLiteral("--bytes")).toLongLong();
    if (port.isEmpty() || streamBytes <= 0)
        bench::fail(QStringLiteral("usage: bench_receive --port PTY --bytes N"));
    const qint64 expected = streamBytes + 1;

    CoreSession s;
    const QString logDir = bench::arg(args, QStringLiteral("--log"));
    if (!logDir.isEmpty()) {
        s.log.openFolder(logDir, 1, 0);
        QObject::connect(&s.poll, &ReceivePoll::transparentLine, &s.log,
                         [&s](const QString &line) { s.log.line(QStringLiteral("Memo2"), line); });
    }
    bench::openPort(s, port);
    s.state.WorkMode = 0;

    // Stand-in for the display: keeps the lines' text, as the memo does, and checks the bytes.
    qint64 lines = 0, shownChars = 0;  // the chars keep the lines from being optimised away
    QElapsedTimer t;
    qint64 doneNs = -1;
    QObject::connect(&s.poll, &ReceivePoll::transparentLine, &app, [&](const QString &line) {
        ++lines;
        shownChars += line.size();
        if (s.state.ReceivedBytes >= expected && doneNs < 0) {
            doneNs = t.nsecsElapsed();
            app.quit();
        }
    });
    QTimer::singleShot(kDeadlineMs, &app, [&] { app.quit(); });

    s.poll.start();
    t.start();
    QString error;
    if (!s.link.ChannelSend(QByteArray("x"), &error))
        bench::fail(QStringLiteral("send: ") + error);
    app.exec();
    if (doneNs < 0)
        bench::fail(QStringLiteral("only %1 of %2 bytes arrived").arg(s.state.ReceivedBytes).arg(expected));
    if (s.state.ReceivedBytes != expected)
        bench::fail(QStringLiteral("%1 bytes arrived, %2 expected").arg(s.state.ReceivedBytes).arg(expected));

    // What the log still holds back counts too: the figure is for everything on disk.
    s.log.sync();
    if (!logDir.isEmpty())
        doneNs = t.nsecsElapsed();
    const double seconds = static_cast<double>(doneNs) / 1e9;
    // Bare figures for run.sh, which sets them against socat's.
    bench::say(QStringLiteral("%1 %2 %3").arg(static_cast<double>(expected) / seconds, 0, 'f', 0).arg(expected).arg(lines));
    return 0;
}
