// Windows library services (LoadLibrary family).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "library.h"

namespace vmhost::library {

namespace {

std::string system_message(DWORD code) {
    char buf[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buf, sizeof buf, nullptr);
    // The system's texts end in a line break; the error line is one line.
    while (n > 0 && (buf[n - 1] == '\n' || buf[n - 1] == '\r' || buf[n - 1] == ' ')) --n;
    if (n == 0) return "system error " + std::to_string(code);
    return std::string(buf, n);
}

}  // namespace

Handle open(const std::string& path, std::string* error) {
    // No error dialog box for a missing or broken library: the scenario
    // reports it as an error line instead.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::string native = path;
    for (char& c : native)
        if (c == '/') c = '\\';
    HMODULE h = LoadLibraryA(native.c_str());
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    if (!h && error) *error = system_message(code);
    return h;
}

void* symbol(Handle library, const char* name) {
    if (!library) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void close(Handle library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::string executable_dir() {
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return ".";
    std::string path(buf, n);
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void binary(std::FILE* stream) {
    _setmode(_fileno(stream), _O_BINARY);
}

std::string plugin_file(const std::string& stem) {
    return stem + ".dll";
}

}  // namespace vmhost::library
