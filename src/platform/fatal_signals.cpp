#include "platform/fatal_signals.h"

#include <signal.h>
#include <initializer_list>

namespace {
void (*g_onFatal)(int, const void *) = nullptr;

void handler(int sig, siginfo_t *info, void *)
{
    if (g_onFatal)
        g_onFatal(sig, info ? info->si_addr : nullptr);
    // Nobody ended the process: die of the signal itself.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}
} // namespace

void OnFatalSignal(void (*onFatal)(int signal, const void *faultAddress))
{
    g_onFatal = onFatal;
    // A stack overflow leaves no stack to run the handler on.
    static char altStack[64 * 1024];
    stack_t ss = {};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    ::sigaltstack(&ss, nullptr);
    struct sigaction sa = {};
    sa.sa_sigaction = handler;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        ::sigaction(sig, &sa, nullptr);
}
