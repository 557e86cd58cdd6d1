// provision: the station run, its progress and Ctrl-C.
#include "cli/cli_output.h"
#include "cli/exit_codes.h"
#include "cli/station_cli.h"
#include "cli/station_progress.h"
#include "label/label_printer.h"
#include "provision/db_watch.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signals = 0;

void onSignal(int)
{
    // A second Ctrl-C ends at once, even while the event loop is held up.
    if (++g_signals >= 2)
        ::_exit(130);
    // A wait on a database that stopped answering would hold the event loop: it ends soon.
    dbwatch::RequestAbort();
    const char c = 1;
    // Only async-signal-safe work here; the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM arrive as a readable socket in the event loop; a second one ends at once.
class StopSignals {
public:
    explicit StopSignals(std::function<void()> onStop)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onStop] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            onStop();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    ~StopSignals()
    {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        m_notifier.reset();
        for (int &fd : g_signalPipe)
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
    }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
} // namespace

int RunProvision(const ProvisionArgs &args)
{
    const bool live = ::isatty(STDERR_FILENO) && qEnvironmentVariableIsEmpty("DTUCFG_PLAIN");
    StationProgress progress(args.json, live, !live || !::isatty(STDOUT_FILENO));
    Station station(args.station);
    QObject::connect(&station, &Station::unitStarted, &progress, &StationProgress::started);
    QObject::connect(&station, &Station::unitProgress, &progress, &StationProgress::progress);
    QObject::connect(&station, &Station::unitFinished, &progress, &StationProgress::finished);
    QObject::connect(&station, &Station::portWaiting, &progress, &StationProgress::waiting);
    QObject::connect(&station, &Station::warning, &progress, &StationProgress::warning);
    QObject::connect(&station, &Station::notice, &progress, &StationProgress::note);
    QObject::connect(&station, &Station::finished, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    // A label for each unit that passed with new values, as the station window prints it; a unit
    // written again with the values it had keeps the label it has.
    const LabelPrinter printer(args.printer, args.printerBase);
    if (printer.enabled())
        QObject::connect(&station, &Station::unitFinished, &progress, [&](const UnitRecord &r) {
            if (r.result != UnitRecord::Passed || r.reused)
                return;
            QString written;
            const QString why = printer.print(LabelFor(r), &written);
            if (!why.isEmpty())
                progress.warning(QStringLiteral("label of %1 not printed: %2").arg(r.port, why));
            else if (!written.isEmpty())
                progress.note(QStringLiteral("label %1").arg(written));
        });

    StopSignals stopSignals([&] {
        if (station.running() > 0)
            progress.note(QStringLiteral("stopping: finishing %1 unit(s) in progress (Ctrl-C again to abort)").arg(station.running()));
        station.stop();
    });
    QString error;
    if (!station.start(error))
        return CliOutput(false).finish(station.running() > 0 ? exOther : exOther, error);
    if (args.station.watch)
        progress.note(QStringLiteral("watching %1 — plug in units, Ctrl-C to finish").arg(args.station.ports.join(QStringLiteral(", "))));
    QCoreApplication::exec();
    progress.summary();
    return progress.failed() > 0 ? 1 : exOk;
}
