// dtusim: a simulated device on a pseudo-terminal and/or a loopback TCP port.
#include "sim/device_model.h"
#include "sim/frame_log.h"
#include "sim/profile_source.h"
#include "sim/pty_endpoint.h"
#include "sim/session.h"
#include "sim/sim_options.h"
#include "sim/tcp_endpoint.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

void say(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// SIGTERM/SIGINT end the event loop, so the endpoints clean up (the link is removed);
// SIGUSR1 makes the device vanish for a while (`onVanish`), SIGUSR2 puts another unit in its place.
void quitOnSignals(QCoreApplication &app, std::function<void()> onVanish, std::function<void()> onSwap)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, onVanish, onSwap] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
        if (c == SIGUSR1)
            onVanish();
        else if (c == SIGUSR2)
            onSwap();
        else
            app.quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
    sigaction(SIGUSR2, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dtusim"));

    SimOptions options;
    QString error;
    if (!ParseSimOptions(app.arguments(), options, error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }
    if (!options.helpText.isEmpty()) {
        std::fputs(options.helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }

    ParamStore store = ParamStore::BuiltIn();
    if (!options.profilePath.isEmpty() && !LoadProfileStore(options.profilePath, options.mainSet, store, error)) {
        std::fprintf(stderr, "dtusim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    DeviceModel model(store, options.state, options.csq);
    if (!options.identity.isEmpty()) {
        // Made from where the unit is reached, so that units side by side differ.
        QString id = options.identity;
        if (id == QLatin1String("auto"))
            id = QStringLiteral("SN-") + (options.linkPath.isEmpty() ? QStringLiteral("TCP%1").arg(options.tcpPort)
                                                                      : QFileInfo(options.linkPath).fileName());
        model.setIdentity(simwords::kIdentityCode, id.toUtf8().left(20));
    }
    FrameLog log;
    if (!options.logPath.isEmpty() && !log.open(options.logPath, error)) {
        std::fprintf(stderr, "dtusim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    SimContext ctx{options, model, log};
    PtyEndpoint pty;
    TcpEndpoint tcp(ctx);
    quitOnSignals(
        app,
        [&] {
            if (options.pty)
                pty.vanish(options.vanishPauseMs);
            if (options.tcpPort >= 0)
                tcp.vanish(options.vanishPauseMs);
        },
        [&] {
            model.swapUnit(options.swapPauseMs, options.swapSameIdentity, options.swapSameVersion);
            say(QStringLiteral("SWAPPED %1").arg(model.unitNumber()));
        });

    if (options.pty) {
        if (!pty.open(options.linkPath, error)) {
            std::fprintf(stderr, "dtusim: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        pty.attach(ctx);
        // The serial device vanished: nothing left to serve.
        QObject::connect(&pty, &PtyEndpoint::hungUp, &app, [] { QCoreApplication::exit(0); });
        // Lines for whoever drives the simulator: the device left, and where it came back.
        QObject::connect(&pty, &PtyEndpoint::vanished, &app, [] { say(QStringLiteral("VANISHED")); });
        QObject::connect(&pty, &PtyEndpoint::returned, &app,
                         [](const QString &path) { say(QStringLiteral("RETURNED ") + path); });
        say(QStringLiteral("PTY ") + pty.slavePath());
    }
    if (options.tcpPort >= 0) {
        if (!tcp.listen(static_cast<quint16>(options.tcpPort), error)) {
            std::fprintf(stderr, "dtusim: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        say(QStringLiteral("TCP %1").arg(tcp.port()));
    }
    say(QStringLiteral("READY"));
    const int rc = app.exec();
    pty.hangup();
    return rc;
}
