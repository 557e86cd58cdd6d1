// provision: the station run, its progress and Ctrl-C.
#include "cli/cli_output.h"
#include "cli/exit_codes.h"
#include "cli/station_cli.h"
#include "cli/station_progress.h"
#include "label/label_printer.h"
#include "provision/db_watch.h"

#include "platform/console.h"

#include <QCoreApplication>

namespace {
// In the signal's own context: a wait on a database that stopped answering would hold the
// event loop, so it is told to end soon.
void abortDatabaseWaits()
{
    dbwatch::RequestAbort();
}
} // namespace

int RunProvision(const ProvisionArgs &args)
{
    const bool live = IsTerminal(StdStream::Error) && qEnvironmentVariableIsEmpty("DTUCFG_PLAIN");
    StationProgress progress(args.json, live, !live || !IsTerminal(StdStream::Output));
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

    StopRequests stopRequests([&] {
        if (station.running() > 0)
            progress.note(QStringLiteral("stopping: finishing %1 unit(s) in progress (Ctrl-C again to abort)").arg(station.running()));
        station.stop();
    }, abortDatabaseWaits);
    QString error;
    if (!station.start(error))
        return CliOutput(false).finish(station.running() > 0 ? exOther : exOther, error);
    if (args.station.watch)
        progress.note(QStringLiteral("watching %1 — plug in units, Ctrl-C to finish").arg(args.station.ports.join(QStringLiteral(", "))));
    QCoreApplication::exec();
    progress.summary();
    return progress.failed() > 0 ? 1 : exOk;
}
