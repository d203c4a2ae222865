// libFuzzer keeps the coverage counters of every instrumented library it has
// seen, so a plug-in library must never really be unmapped while it fuzzes:
// loading every aircraft once here, never to be unloaded, makes vmhost's own
// load and unload of them mere reference counting. Their module-wide state
// then lives on from one input to the next, as in a host that flies several
// scenarios in one session.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "library.h"

// Loads `file` of the executable's folder for good; exits when it cannot.
inline void keep_loaded(const std::string& file) {
    const std::string path = vmhost::library::executable_dir() + "/" + file;
    if (!dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE)) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        std::exit(1);
    }
}

inline void keep_plugins_loaded() {
    for (const char* stem : {VM_PLUGIN_NAMES}) keep_loaded(vmhost::library::plugin_file(stem));
}
