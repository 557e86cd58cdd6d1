#pragma once
// `dtucfg provision` and `dtucfg report`: subcommands with options of their own, parsed with
// CLI11 so that more of them can join without growing the shared option list.
#include "provision/station.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

struct ProvisionArgs {
    StationConfig station;
    bool json = false;
    QString printer;        // labels: "" none, "pdf:FOLDER", or a system printer
    QString printerBase;    // the folder a relative "pdf:FOLDER" is taken from
};

struct ReportArgs {
    QString db;
    QDateTime since;    // invalid: everything
    QString csv;        // export file
    bool json = false;
};

// Runs `dtucfg [OPTIONS] provision|report [OPTIONS]`; returns the exit status.
int RunStationCli(int argc, char **argv);
// Whether the subcommand (the first argument that is no option nor an option's value) is
// provision or report.
bool IsStationCommand(int argc, char **argv);

// "2026-05-01", "2026-05-01T08:00" (local time, or with Z / an offset), or an age such as 90m, 8h, 2d.
std::optional<QDateTime> ParseSince(const QString &text, const QDateTime &now);

int RunProvision(const ProvisionArgs &args);
int RunReport(const ReportArgs &args);

// cmd_dashboard.cpp: `dtucfg dashboard …`.
bool IsDashboardCommand(int argc, char **argv);
int RunDashboardCli(int argc, char **argv);
