// POSIX library services (dlopen family) and files.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform.h"

namespace {

// Any function of this library: its address tells the loader which library
// "self" is.
void self_marker() {}

// Whether `address` lies in the library `module` itself: the loader's record
// of each is the same. A record the loader does not know stays null.
bool in_library(ModuleHandle module, void* address) {
    link_map* of_module = nullptr;
    link_map* of_address = nullptr;
    Dl_info found{};
    dlinfo(module, RTLD_DI_LINKMAP, &of_module);
    dladdr1(address, &found, reinterpret_cast<void**>(&of_address), RTLD_DL_LINKMAP);
    return of_module && of_module == of_address;
}

}  // namespace

namespace platform {

ModuleHandle own_module() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&self_marker), &info) || !info.dli_fname) return nullptr;
    // Asking with RTLD_NOLOAD takes a reference; give it back at once so that
    // the host's dlclose still unloads the library. The handle stays valid
    // while the library is loaded.
    void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle;
}

ModuleHandle find_loaded_module(const char* name) {
    // RTLD_NOLOAD: only a library already in the process, matched by its
    // soname. The reference this takes is deliberately kept: the client never
    // releases the library.
    return dlopen(name, RTLD_NOW | RTLD_NOLOAD);
}

Symbol find_symbol(ModuleHandle module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Symbol>(dlsym(module, name));
}

Symbol find_own_export(ModuleHandle module, const char* name) {
    Symbol sym = find_symbol(module, name);
    if (!sym) return nullptr;
    // dlsym also searches the library's dependencies; accept only a definition
    // that lies in the library itself.
    return in_library(module, reinterpret_cast<void*>(sym)) ? sym : nullptr;
}

OpenedFile open_regular_file(const char* name, FileMode mode) {
    // clang-format off
    static constexpr struct { int flags; const char* stream; } kModes[] = {
        {O_RDWR,                                 "r+"},  // update
        {O_WRONLY | O_APPEND | O_CREAT | O_EXCL, "a"},   // create
        {O_WRONLY | O_APPEND,                    "a"},   // append
    };
    // clang-format on
    const auto& m = kModes[static_cast<int>(mode)];
    // Opening a FIFO waits for its other end, forever if none comes; with
    // O_NONBLOCK it returns at once (and changes nothing for a regular file).
    const int fd = open(name, m.flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return {nullptr, errno == ENOENT};
    // What was opened is checked, not the name: a file put in its place
    // between a check and the open cannot slip through.
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (std::FILE* stream = fdopen(fd, m.stream)) return {stream, false};
    }
    close(fd);
    return {};
}

}  // namespace platform
