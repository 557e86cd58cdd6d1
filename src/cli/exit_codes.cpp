#include "cli/exit_codes.h"

#include "protocol/result_codes.h"

int ExitForResult(int resultCode)
{
    switch (resultCode) {
    case rcOk: return exOk;
    case rcRefused: return exRefused;
    case rcNoReply: return exNoReply;
    case rcBadHeader:
    case rcBadChecksum: return exBadFrame;
    case rcNotSerial: return exNoChannel;
    default: return resultCode >= 0 ? exOk : exOther;
    }
}

QString ExitCodesHelp()
{
    return QStringLiteral(
        "Exit status:\n"
        "  0  every requested step succeeded\n"
        "  1  diff: parameters differ; lint: the profile has problems; provision: a unit failed\n"
        "  2  usage error (bad arguments, a value the parameter does not accept)\n"
        "  3  no data channel (the port cannot be opened or the TCP link cannot be made)\n"
        "  4  no reply from the device\n"
        "  5  the device refused the request\n"
        "  6  bad frame from the device (header, checksum or command word)\n"
        "  7  other error (profile or script file, script error)\n");
}
