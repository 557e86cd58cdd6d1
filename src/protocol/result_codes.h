#pragma once
// Outcome of one request/reply exchange.
enum ResultCode : int {
    rcOk = 0,
    rcRefused = -1,
    rcNoReply = -2,
    rcBadHeader = -3,
    rcBadChecksum = -4,
    rcNotSerial = -5,
    // Not a device answer: the exchange could not start (another one in flight, no channel,
    // a script error while building the frame). Callers show the accompanying error text.
    rcNotSent = -100,
};
