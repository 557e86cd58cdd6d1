#pragma once
// A last word before the process dies of a fault: a crash, a stack overflow, an abort.

// Calls `onFatal(signal, faultAddress)` on a stack of its own when the process receives SIGSEGV,
// SIGBUS, SIGILL, SIGFPE or SIGABRT. `onFatal` must be async-signal-safe and should end the process.
void OnFatalSignal(void (*onFatal)(int signal, const void *faultAddress));
