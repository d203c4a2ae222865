// Starting a check's child process on POSIX systems: a fork of vmhost itself,
// which runs the job in its folder and exits; the parent waits for it, and
// kills it when its time is up.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "validate.h"

namespace vmhost::validate {

Ended run_isolated(const std::filesystem::path& dir, const std::function<bool()>& time_up) {
    // Whatever the parent has buffered must not be written twice.
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return {Outcome::not_started, errno};
    if (pid == 0) {
        // std::exit, not _exit: a sanitizer's leak check runs at exit.
        std::exit(chdir(dir.c_str()) == 0 ? child_main(dir, true) : 2);
    }
    auto pause = std::chrono::microseconds(100);
    int status = 0;
    bool killed = false;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (!killed && time_up()) {
            kill(pid, SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    if (killed) return {Outcome::timed_out, SIGKILL};
    if (WIFSIGNALED(status)) return {Outcome::signalled, WTERMSIG(status)};
    return {Outcome::exited, WEXITSTATUS(status)};
}

void become_child(std::FILE* err) {
    // Sanitizer reports and anything else written to the standard streams go
    // to the job's folder too.
    dup2(fileno(err), STDOUT_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, STDIN_FILENO);
}

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
        case Outcome::not_started:
            return std::string("could not start: ") + std::strerror(code);
    }
    return "?";
}

double thread_time_us() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

int process_id() {
    return getpid();
}

}  // namespace vmhost::validate
