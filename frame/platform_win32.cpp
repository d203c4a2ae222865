// Windows library services (module handles and export tables) and files.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "platform.h"

namespace {

// Any function of this library: its address tells which module "self" is.
void self_marker() {}

}  // namespace

namespace platform {

ModuleHandle own_module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&self_marker), &module);
    return module;
}

ModuleHandle find_loaded_module(const char* name) {
    // Only a module already in the process: the add-on is present only when
    // the user activated it in the host. The reference this takes is kept, as
    // on POSIX: the entry points bound from the module stay valid even if the
    // host lets go of it.
    HMODULE module = nullptr;
    if (!name || !GetModuleHandleExA(0, name, &module)) return nullptr;
    return module;
}

Symbol find_symbol(ModuleHandle module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Symbol>(GetProcAddress(static_cast<HMODULE>(module), name));
}

Symbol find_own_export(ModuleHandle module, const char* name) {
    // GetProcAddress reads the export table of that module alone.
    return find_symbol(module, name);
}

OpenedFile open_regular_file(const char* name, FileMode mode) {
    // Append access without write access: the system itself puts every write
    // at the end, so writers in several processes never overwrite each other
    // (the C runtime's append mode seeks to the end and then writes).
    // clang-format off
    static constexpr struct { std::uint32_t access, disposition; int fd; const char* stream; } kModes[] = {
        {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, _O_TEXT,             "r+"},  // update
        {FILE_APPEND_DATA,             CREATE_NEW,    _O_TEXT | _O_APPEND, "a"},   // create
        {FILE_APPEND_DATA,             OPEN_EXISTING, _O_TEXT | _O_APPEND, "a"},   // append
    };
    // clang-format on
    const auto& m = kModes[static_cast<int>(mode)];
    HANDLE file = CreateFileA(name, m.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              m.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {nullptr, GetLastError() == ERROR_FILE_NOT_FOUND};
    // A folder does not open without backup semantics; a pipe or a device
    // is not a disk file.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return {};
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), m.fd);
    if (fd < 0) {
        CloseHandle(file);
        return {};
    }
    if (std::FILE* stream = _fdopen(fd, m.stream)) return {stream, false};
    _close(fd);  // and with it the handle
    return {};
}

}  // namespace platform
