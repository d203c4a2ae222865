// Starting a check's child process on Windows, which has no fork: vmhost.exe
// starts itself as `vmhost validate --child DIR` in the job's folder, waits
// for it, and ends it when its time is up.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "interrupt.h"
#include "validate.h"

namespace vmhost::validate {
Ended run_isolated(const std::filesystem::path& dir, const std::function<bool()>& time_up) {
    wchar_t exe[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n == MAX_PATH) return {Outcome::not_started, static_cast<int>(GetLastError())};
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" validate --child \"" + dir.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        dir.wstring().c_str(), &startup, &child))
        return {Outcome::not_started, static_cast<int>(GetLastError())};
    CloseHandle(child.hThread);
    Outcome::How how = Outcome::exited;
    while (WaitForSingleObject(child.hProcess, 5) == WAIT_TIMEOUT) {
        if (time_up()) {
            TerminateProcess(child.hProcess, 1);
            WaitForSingleObject(child.hProcess, INFINITE);
            how = Outcome::timed_out;
            break;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    if (how == Outcome::exited && code >= 0xC0000000u) how = Outcome::signalled;
    return {how, static_cast<int>(code)};
}

void become_child(std::FILE* err) {
    _dup2(_fileno(err), 1);
    _dup2(_fileno(err), 2);
    // A crash or an abort already ends vmhost with its code (main).
}

std::string describe_end(Outcome::How how, int code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(code));
    switch (how) {
        case Outcome::exited:
            return "exit status " + std::to_string(code) + (code == kAbortStatus ? " (abort)" : "");
        case Outcome::signalled:
            return std::string("exception ") + hex;
        case Outcome::timed_out:
            return "no end in time (killed)";
        case Outcome::not_started:
            return std::string("could not start: error ") + std::to_string(code);
    }
    return "?";
}

double thread_time_us() {
    return std::chrono::duration<double, std::micro>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int process_id() {
    return static_cast<int>(GetCurrentProcessId());
}

}  // namespace vmhost::validate
