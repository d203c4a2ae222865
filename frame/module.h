// The library's load and unload steps, called by the platform's load hook.
#pragma once

#include "vmapi_types.h"

namespace frame {

// Process attach: hands the module handle to the host and looks for an exit
// hook exported by the library itself.
void library_loaded(ModuleHandle module);

// Process detach: calls the exit hook found at load, if any.
void library_unloading();

}  // namespace frame
