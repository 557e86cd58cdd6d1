#pragma once
// Keep-alive timing of one TCP socket, finer than Qt's on/off switch.
#include <QtGlobal>

// Probes after `idleS` seconds of silence, every `intervalS` seconds, `probes` of them; data
// not acknowledged within `userTimeoutMs` ends the connection. Where the system has no such
// settings, nothing changes.
void SetTcpKeepAliveTiming(qintptr socket, int idleS, int intervalS, int probes, unsigned int userTimeoutMs);
