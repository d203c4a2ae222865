#include "subprocess.h"

#include <cstdlib>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testsupport {

int run_in(const std::filesystem::path& dir, const std::string& command) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
#if defined(_WIN32)
    // cmd /c drops the first and the last quote of a line that starts with
    // one; an extra pair around the whole line keeps the quoted arguments.
    // 9009 is cmd's "not recognized": the program never started. Under wine,
    // cmd now and then fails so on a program that is there; one more try
    // tells that apart from a test's own result.
    const std::string line = "\"" + command + "\"";
    int raw = std::system(line.c_str());
    if (raw == 9009) raw = std::system(line.c_str());
    std::filesystem::current_path(previous);
    return raw;
#else
    const int raw = std::system(command.c_str());
    std::filesystem::current_path(previous);
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
#endif
}

std::string quote(const std::string& arg) {
#if defined(_WIN32)
    return "\"" + arg + "\"";
#else
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
#endif
}

std::string unique_name(const std::string& stem) {
#if defined(_WIN32)
    return stem + "_" + std::to_string(GetCurrentProcessId());
#else
    return stem + "_" + std::to_string(getpid());
#endif
}

}  // namespace testsupport
