// The library's load and unload hook on POSIX systems: constructor and
// destructor functions run by the loader at dlopen and at the last dlclose.
#include "module.h"
#include "platform.h"

namespace {

__attribute__((constructor)) void on_library_load() {
    frame::library_loaded(platform::own_module());
}

__attribute__((destructor)) void on_library_unload() {
    frame::library_unloading();
}

}  // namespace
