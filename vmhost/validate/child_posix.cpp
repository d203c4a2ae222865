// A check's child process on POSIX systems: a fork of vmhost itself, in a
// process group of its own, which runs the job in its folder and exits; the
// parent waits for it, and kills the group when its time is up or vmhost is
// interrupted. In the child, a crash or an exception that escapes leaves its
// report in crash.txt (glibc's backtrace unwinds the stack, dladdr names its
// modules and exported symbols) before the process ends as it would have;
// the parent names every frame it can from the modules' symbol and line
// tables (elfutils' libdw, where vmhost was built with it).
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <thread>

#if VM_HAVE_LIBDW
#include <elfutils/libdwfl.h>
#endif

#include "crash.h"
#include "interrupt.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};

char g_exe[PATH_MAX] = "vmhost";
void* g_exe_base = nullptr;
alignas(16) char g_alt_stack[1 << 16];

void on_crash(int sig, siginfo_t*, void* context) {
    static Words w;
    if (!stack_written()) {
        void* frames[kMaxFrames];
        const int n = capture_stack(frames, kMaxFrames);
        // The handler and the signal's trampoline come first: the stack
        // starts at the instruction that faulted, where the unwinder found it.
        int first = n > 2 ? 2 : 0;
#if defined(__x86_64__)
        const auto* uc = static_cast<const ucontext_t*>(context);
        const auto* pc = reinterpret_cast<void*>(uc->uc_mcontext.gregs[REG_RIP]);
        for (int i = 0; i < n; ++i)
            if (frames[i] == pc) first = i;
#else
        (void)context;
#endif
        w.put("signal ").dec(sig).put("\n");
        frames_into(w, frames + first, n - first, true);
        write_last_words(w);
    }
    // Ended as it would have been: by the same signal, now unhandled.
    signal(sig, SIG_DFL);
    raise(sig);
}

}  // namespace

Ended run_isolated(const std::filesystem::path& dir, const std::function<bool()>& time_up) {
    // Whatever the parent has buffered must not be written twice.
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return {Outcome::not_started, errno};
    if (pid == 0) {
        // A group of its own: whatever it starts ends with it, and a Ctrl-C
        // at the terminal reaches vmhost alone, which ends them all.
        setpgid(0, 0);
        for (int sig : {SIGINT, SIGTERM}) signal(sig, SIG_DFL);
        // std::exit, not _exit: a sanitizer's leak check runs at exit.
        std::exit(chdir(dir.c_str()) == 0 ? child_main(dir, true) : 2);
    }
    setpgid(pid, pid);  // also here, so that no kill comes before the child's own
    auto pause = std::chrono::microseconds(100);
    int status = 0;
    Outcome::How killed = Outcome::exited;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (killed == Outcome::exited && (interrupt_signal() || time_up())) {
            killed = interrupt_signal() ? Outcome::interrupted : Outcome::timed_out;
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    if (killed != Outcome::exited) return {killed, SIGKILL};
    if (WIFSIGNALED(status)) return {Outcome::signalled, WTERMSIG(status)};
    return {Outcome::exited, WEXITSTATUS(status)};
}

void become_child(std::FILE* err, const std::filesystem::path& dir) {
    // Sanitizer reports and anything else written to the standard streams go
    // to the job's folder too.
    dup2(fileno(err), STDOUT_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, STDIN_FILENO);

    open_last_words(dir);
    const ssize_t n = readlink("/proc/self/exe", g_exe, sizeof g_exe - 1);
    g_exe[n > 0 ? n : 0] = '\0';
    if (Dl_info self{}; dladdr(reinterpret_cast<void*>(&become_child), &self))
        g_exe_base = self.dli_fbase;
    void* warm[1];
    backtrace(warm, 1);  // loads the unwinder now, not in a signal handler
    stack_t alt{};
    alt.ss_sp = g_alt_stack;
    alt.ss_size = sizeof g_alt_stack;
    sigaltstack(&alt, nullptr);  // a stack overflow still gets its report
    struct sigaction sa {};
    sa.sa_sigaction = on_crash;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : kCrashSignals) sigaction(sig, &sa, nullptr);
    std::set_terminate(on_terminate);
}

int capture_stack(void** frames, int max) {
    return backtrace(frames, max);
}

void frames_into(Words& w, void* const* frames, int n, bool first_is_pc) {
    for (int i = 0; i < n; ++i) {
        const auto pc = reinterpret_cast<std::uintptr_t>(frames[i]);
        const std::uintptr_t at = (i == 0 && first_is_pc) || pc == 0 ? pc : pc - 1;
        Dl_info info{};
        const bool known = dladdr(reinterpret_cast<void*>(at), &info) != 0;
        const char* module = known && info.dli_fname && *info.dli_fname ? info.dli_fname : "?";
        // The main program may be named as it was started, or not at all.
        if (known && g_exe_base && info.dli_fbase == g_exe_base) module = g_exe;
        w.put("frame ").put(module).put("\t");
        w.hex(known ? pc - reinterpret_cast<std::uintptr_t>(info.dli_fbase) : pc).put("\t");
        if (known && info.dli_sname)
            w.put(info.dli_sname)
                .put("+")
                .hex(at - reinterpret_cast<std::uintptr_t>(info.dli_saddr));
        w.put("\n");
    }
}

#if VM_HAVE_LIBDW
std::string symbol_of(const std::string& module, std::uintptr_t offset) {
    static const Dwfl_Callbacks callbacks = {dwfl_build_id_find_elf, dwfl_standard_find_debuginfo,
                                             dwfl_offline_section_address, nullptr};
    Dwfl* dwfl = dwfl_begin(&callbacks);
    if (!dwfl) return "";
    std::string found;
    if (Dwfl_Module* m = dwfl_report_elf(dwfl, "plug-in", module.c_str(), -1, 0, false)) {
        dwfl_report_end(dwfl, nullptr, nullptr);
        Dwarf_Addr low = 0;
        dwfl_module_info(m, nullptr, &low, nullptr, nullptr, nullptr, nullptr, nullptr);
        const Dwarf_Addr at = low + offset;
        GElf_Off off = 0;
        GElf_Sym sym{};
        if (const char* name = dwfl_module_addrinfo(m, at, &off, &sym, nullptr, nullptr, nullptr)) {
            Words w;
            w.put(name).put("+").hex(off);
            found = w.text();
        }
        int line = 0;
        const char* file = nullptr;
        if (Dwfl_Line* l = dwfl_module_getsrc(m, at))
            file = dwfl_lineinfo(l, nullptr, &line, nullptr, nullptr, nullptr);
        if (file)
            found += " (" + std::filesystem::path(file).filename().string() + ":" +
                     std::to_string(line) + ")";
    }
    dwfl_end(dwfl);
    return found;
}
#else
std::string symbol_of(const std::string& /*module*/, std::uintptr_t /*offset*/) {
    return "";  // the child's own names (dladdr's) stand
}
#endif

std::string describe_end(Outcome::How how, int code) {
    switch (how) {
        case Outcome::exited:
            return "exit status " + std::to_string(code);
        case Outcome::signalled: {
            const char* name = sigabbrev_np(code);
            return "signal " + std::to_string(code) +
                   (name ? " (SIG" + std::string(name) + ")" : "");
        }
        case Outcome::timed_out:
            return "no end in time (killed)";
        case Outcome::flooded:
            return "too much output (killed)";
        case Outcome::interrupted:
            return "interrupted (killed)";
        case Outcome::not_started:
            return std::string("could not start: ") + std::strerror(code);
    }
    return "?";
}

std::filesystem::path make_work_folder(std::string* why) {
    const char* tmp = std::getenv("TMPDIR");
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::absolute(tmp && *tmp ? tmp : "/tmp", ec).lexically_normal();
    std::string name = (base / "vmhost-validate-XXXXXX").string();
    if (!ec && mkdtemp(name.data())) return name;
    *why = "cannot make a work folder in '" + one_line(base.string()) +
           "' (TMPDIR): " + std::strerror(ec ? ec.value() : errno);
    return {};
}

double thread_time_us() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

}  // namespace vmhost::validate
