// Signals through the C runtime's signal(): POSIX and the Windows runtime
// (which raises SIGINT on Ctrl-C and SIGTERM only when asked to) alike.
#include "interrupt.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vmhost {
namespace {

volatile std::sig_atomic_t g_signal = 0;
bool g_running = false;

// At exit: only a plug-in ends the process while a scenario runs. Its status
// is known where the C library tells it (glibc's on_exit).
void ended_early(int status, bool known) {
    if (!g_running) return;
    g_running = false;
    char remark[120];
    if (known)
        std::snprintf(remark, sizeof remark,
                      "the plug-in ended the process with exit(%d) before the end of the scenario",
                      status);
    else
        std::snprintf(remark, sizeof remark,
                      "the plug-in ended the process with exit() before the end of the scenario");
    host::remark(remark);
    host::trace_flush();
    std::fprintf(stderr, "vmhost: error: %s\n", remark);
    std::fflush(nullptr);
    std::_Exit(kEndedEarly);
}

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

void catch_early_exit() {
#if defined(__GLIBC__)
    on_exit([](int status, void*) { ended_early(status, true); }, nullptr);
#else
    std::atexit([] { ended_early(0, false); });
#endif
}

void running_scenario(bool running) {
    g_running = running;
}

}  // namespace vmhost
