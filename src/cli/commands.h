#pragma once
// The subcommands of dtucfg, one group per file. Each returns its exit status after putting
// its results into the session's output; a failure text goes to `error`.
#include <QString>

class CliSession;
class ParamTable;

// cmd_params.cpp: read, get, set, apply, dump
int RunRead(CliSession &s, QString &error);
int RunGet(CliSession &s, QString &error);
int RunSet(CliSession &s, QString &error);
// Loads the profile named first on the command line; `table` is the one --ext chooses.
// Returns exOk, or the exit status with `error` set.
int LoadProfileTable(CliSession &s, ParamTable *&table, QString &error);
int RunApply(CliSession &s, QString &error);
int RunDump(CliSession &s, QString &error);

// cmd_device.cpp: status, signal, version, clock, reset, defaults, mode
int RunDeviceCommand(CliSession &s, QString &error);

// cmd_raw.cpp: send, at, button
int RunSend(CliSession &s, QString &error);
int RunAt(CliSession &s, QString &error);
int RunButton(CliSession &s, QString &error);

// cmd_ports.cpp
int RunPorts(CliSession &s, QString &error);

// cmd_profile_check.cpp: diff (0 when equal, 1 when some differ), lint (0 when clean, 1 with problems)
int RunDiff(CliSession &s, QString &error);
int RunLint(CliSession &s, QString &error);

// cmd_params.cpp: reads one whole table as the window's read buttons do.
int ReadTable(CliSession &s, bool ext, QString &error);
