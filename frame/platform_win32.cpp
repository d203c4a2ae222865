// Windows library services (module handles and export tables).
#include "platform.h"

namespace {

// Any function of this library: its address tells which module "self" is.
void self_marker() {}

}  // namespace

namespace platform {

HINSTANCE own_module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&self_marker), &module);
    return module;
}

HINSTANCE find_loaded_module(const char* name) {
    // Only a module already in the process: the add-on is present only when
    // the user activated it in the host. The reference this takes is kept, as
    // on POSIX: the entry points bound from the module stay valid even if the
    // host lets go of it.
    HMODULE module = nullptr;
    if (!name || !GetModuleHandleExA(0, name, &module)) return nullptr;
    return module;
}

Symbol find_symbol(HINSTANCE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Symbol>(GetProcAddress(static_cast<HMODULE>(module), name));
}

Symbol find_own_export(HINSTANCE module, const char* name) {
    // GetProcAddress reads the export table of that module alone.
    return find_symbol(module, name);
}

}  // namespace platform
