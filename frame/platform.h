// The operating system's library services, as the frame and the sound client
// use them. Implemented once per platform; nothing else in the plug-ins knows
// which platform it runs on.
#pragma once

#include "vmapi_types.h"

namespace platform {

using Symbol = void (*)();

// The module handle of the library this code is linked into.
HINSTANCE own_module();

// A library that is already loaded in the process, found by module name
// without loading it; null when it is not loaded.
HINSTANCE find_loaded_module(const char* name);

// An exported function of a loaded library; null when it has none of that name.
Symbol find_symbol(HINSTANCE module, const char* name);

// An exported function of the library `module` itself, not of the libraries it
// depends on; null when it has none of that name.
Symbol find_own_export(HINSTANCE module, const char* name);

}  // namespace platform
