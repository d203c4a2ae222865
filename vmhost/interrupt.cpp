// Signals through the C runtime's signal(): POSIX and the Windows runtime
// (which raises SIGINT on Ctrl-C and SIGTERM only when asked to) alike.
#include "interrupt.h"

#include <csignal>
#include <initializer_list>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vmhost {
namespace {

volatile std::sig_atomic_t g_signal = 0;

#if !defined(_WIN32)
// A plug-in stuck in a call never returns to the runner, which would then
// never see the note: after a grace period the signal ends the process as if
// it had not been caught (a supervisor such as `timeout` sends only one).
constexpr unsigned kGraceSeconds = 3;

void grace_over(int) {
    std::raise(static_cast<int>(g_signal));
}
#endif

void note_signal(int sig) {
    g_signal = sig;
    std::signal(sig, SIG_DFL);
#if !defined(_WIN32)
    std::signal(SIGALRM, grace_over);
    alarm(kGraceSeconds);
#endif
}

#if defined(_WIN32)
LONG WINAPI end_on_exception(EXCEPTION_POINTERS* e) {
    TerminateProcess(GetCurrentProcess(), e->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

void end_on_abort(int) {
    TerminateProcess(GetCurrentProcess(), kAbortStatus);
}
#endif

}  // namespace

void end_plainly_on_crash() {
#if defined(_WIN32)
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(end_on_exception);
    std::signal(SIGABRT, end_on_abort);
#endif
}

void catch_interrupts() {
    for (int sig : {SIGINT, SIGTERM})
        if (std::signal(sig, note_signal) == SIG_IGN) std::signal(sig, SIG_IGN);
}

int interrupt_signal() {
    return g_signal;
}

}  // namespace vmhost
