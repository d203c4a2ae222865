// Signals through the C runtime's signal(): POSIX and the Windows runtime
// (which raises SIGINT on Ctrl-C and SIGTERM only when asked to) alike.
#include "interrupt.h"

#include <csignal>
#include <initializer_list>

namespace vmhost {
namespace {

volatile std::sig_atomic_t g_signal = 0;

void note_signal(int sig) {
    g_signal = sig;
    std::signal(sig, SIG_DFL);
}

}  // namespace

void catch_interrupts() {
    for (int sig : {SIGINT, SIGTERM})
        if (std::signal(sig, note_signal) == SIG_IGN) std::signal(sig, SIG_IGN);
}

int interrupt_signal() {
    return g_signal;
}

}  // namespace vmhost
