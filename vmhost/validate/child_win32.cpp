// A check's child process on Windows, which has no fork: vmhost.exe starts
// itself as `vmhost validate --child DIR` in the job's folder, inside a job
// object of its own, waits for it, and ends the job (the child and whatever
// it started) when its time is up or vmhost is interrupted. In the child, a
// crash, an abort or an exception that escapes leaves its report in
// crash.txt (CaptureStackBackTrace, each frame as module and offset) before
// the process ends as it would have.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>

#include "crash.h"
#include "interrupt.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

// The stack at the exception, from the frame that faulted.
LONG WINAPI on_exception(EXCEPTION_POINTERS* e) {
    static Words w;
    if (!stack_written()) {
        void* frames[kMaxFrames];
        const int n = capture_stack(frames, kMaxFrames);
        int first = 0;
        for (int i = 0; i < n; ++i)
            if (frames[i] == e->ExceptionRecord->ExceptionAddress) first = i;
        frames_into(w, frames + first, n - first, first > 0);
        write_last_words(w);
    }
    TerminateProcess(GetCurrentProcess(), e->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

void on_abort(int) {
    static Words w;
    if (!stack_written()) {
        void* frames[kMaxFrames];
        const int n = capture_stack(frames, kMaxFrames);
        frames_into(w.put("signal 22\n"), frames + 1, n - 1, false);
        write_last_words(w);
    }
    TerminateProcess(GetCurrentProcess(), kAbortStatus);
}

}  // namespace

Ended run_isolated(const std::filesystem::path& dir, const std::function<bool()>& time_up) {
    wchar_t exe[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n == MAX_PATH) return {Outcome::not_started, static_cast<int>(GetLastError())};
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" validate --child \"" + dir.wstring() + L"\"";
    // Whatever the child starts belongs to its job, and ends with it.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job)
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, dir.wstring().c_str(),
                        &startup, &child)) {
        const int error = static_cast<int>(GetLastError());
        if (job) CloseHandle(job);
        return {Outcome::not_started, error};
    }
    const bool in_job = job && AssignProcessToJobObject(job, child.hProcess);
    ResumeThread(child.hThread);
    CloseHandle(child.hThread);
    Outcome::How how = Outcome::exited;
    while (WaitForSingleObject(child.hProcess, 5) == WAIT_TIMEOUT) {
        if (interrupt_signal() || time_up()) {
            how = interrupt_signal() ? Outcome::interrupted : Outcome::timed_out;
            if (in_job) TerminateJobObject(job, 1);
            TerminateProcess(child.hProcess, 1);
            WaitForSingleObject(child.hProcess, INFINITE);
            break;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    if (job) CloseHandle(job);
    if (how == Outcome::exited && code >= 0xC0000000u) how = Outcome::signalled;
    return {how, static_cast<int>(code)};
}

void become_child(std::FILE* err, const std::filesystem::path& dir) {
    _dup2(_fileno(err), 1);
    _dup2(_fileno(err), 2);
    open_last_words(dir);
    SetUnhandledExceptionFilter(on_exception);
    std::signal(SIGABRT, on_abort);
    std::set_terminate(on_terminate);
}

int capture_stack(void** frames, int max) {
    return CaptureStackBackTrace(0, static_cast<DWORD>(max), frames, nullptr);
}

void frames_into(Words& w, void* const* frames, int n, bool first_is_pc) {
    for (int i = 0; i < n; ++i) {
        const auto pc = reinterpret_cast<std::uintptr_t>(frames[i]);
        const std::uintptr_t at = (i == 0 && first_is_pc) || pc == 0 ? pc : pc - 1;
        HMODULE module = nullptr;
        char name[MAX_PATH] = "?";
        const bool known = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                              reinterpret_cast<LPCSTR>(at), &module) &&
                           GetModuleFileNameA(module, name, sizeof name) > 0;
        w.put("frame ").put(known ? name : "?").put("\t");
        w.hex(known ? pc - reinterpret_cast<std::uintptr_t>(module) : pc).put("\t\n");
    }
}

std::string symbol_of(const std::string&, std::uintptr_t) {
    return "";
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
        case Outcome::flooded:
            return "too much output (killed)";
        case Outcome::interrupted:
            return "interrupted (killed)";
        case Outcome::not_started:
            return std::string("could not start: error ") + std::to_string(code);
    }
    return "?";
}

std::filesystem::path make_work_folder(std::string* why) {
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::absolute(std::filesystem::temp_directory_path(ec), ec);
    if (ec) {
        *why = "cannot make a work folder: no folder for temporary files (TMP): " + ec.message();
        return {};
    }
    // A name no other run has: this process's id and a counter, tried until one is free.
    for (unsigned i = 0; i < 1000; ++i) {
        const std::filesystem::path p =
            base / ("vmhost-validate-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount() + i));
        if (CreateDirectoryW(p.wstring().c_str(), nullptr)) return p;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    *why = "cannot make a work folder in '" + one_line(base.string()) + "': error " +
           std::to_string(GetLastError());
    return {};
}

double thread_time_us() {
    return std::chrono::duration<double, std::micro>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace vmhost::validate
