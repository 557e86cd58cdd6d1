#pragma once
// Exit status of dtucfg: 0 only when every requested step succeeded.
#include <QString>

enum ExitCode : int {
    exOk = 0,
    exFindings = 1,    // diff found differences, lint found problems, provision had a failed unit
    exUsage = 2,       // bad arguments or a value the parameter's conversion refuses
    exNoChannel = 3,   // the serial port cannot be opened / the TCP link cannot be made
    exNoReply = 4,     // the device did not answer in time
    exRefused = 5,     // the device answered with a refusal
    exBadFrame = 6,    // bad header, checksum or command word in the answer
    exOther = 7,       // file, script or any other error
};

// The exit status for an exchange result code (rcOk, rcRefused, ...).
int ExitForResult(int resultCode);
// The exit-code section of --help.
QString ExitCodesHelp();

// A failure that ends the run: a one-line text for stderr and its exit status.
struct CliError {
    int exit = exOther;
    QString text;
};
