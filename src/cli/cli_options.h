#pragma once
// dtucfg's command line: connection, files, output switches, the subcommand and its arguments.
#include <QString>
#include <QStringList>

struct CliOptions {
    // Connection
    QString port;          // serial device path
    QString baud;          // empty: the profile's Baudrate, else 57600
    QString format;        // empty: the profile's ComOption, else 8N1
    QString tcp;           // HOST[:PORT]
    int timeoutMs = 3000;  // connection wait, and the answer wait of send/at
    int waitPortS = 0;     // --wait-port: how long the port (or TCP peer) may take to appear
    QString logFile;       // --log: the session log, as the window writes it
    // Files
    QString profile;
    QString script = QStringLiteral("script.js");
    // Output and timing
    bool trace = false;
    bool json = false;
    bool strictTiming = false;
    QString lang;          // zh or en; empty: the user's setting
    // Subcommand switches
    bool ext = false;      // read/get/apply: the extended table
    QString out;           // dump --out FILE
    QString units;         // lint --units FILE
    QString hex;           // send --hex HEX
    bool hexGiven = false;
    bool setClock = false; // clock --set

    QString command;
    QStringList args;      // the subcommand's own positional arguments
    bool help = false;
};

// Parses `arguments` (argv, program name first). False with `error` on a usage error.
bool ParseCliOptions(const QStringList &arguments, CliOptions &out, QString &error);
QString CliHelpText();
