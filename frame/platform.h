// The operating system's library and file services, as the frame and the
// sound client use them. Implemented once per platform; nothing else in the
// plug-ins knows which platform it runs on.
#pragma once

#include <cstdio>

#include "vmapi_types.h"

namespace platform {

using Symbol = void (*)();

// The module handle of the library this code is linked into.
ModuleHandle own_module();

// A library that is already loaded in the process, found by module name
// without loading it; null when it is not loaded.
ModuleHandle find_loaded_module(const char* name);

// An exported function of a loaded library; null when it has none of that name.
Symbol find_symbol(ModuleHandle module, const char* name);

// An exported function of the library `module` itself, not of the libraries it
// depends on; null when it has none of that name.
Symbol find_own_export(ModuleHandle module, const char* name);

enum class FileMode {
    update,  // a file that exists, for reading and writing
    create,  // a new file for appending, only where nothing at all has the name
    append,  // a file that exists, for appending; never creates one
};

struct OpenedFile {
    std::FILE* stream = nullptr;  // null when it did not open
    bool absent = false;          // it did not open because nothing has the name
};

// Opens a regular file as a text stream, never waiting: anything else at the
// name (a FIFO, a device, a folder) is refused. A link is followed, except by
// `create`, which fails on a name that exists, a dangling link included.
OpenedFile open_regular_file(const char* name, FileMode mode);

}  // namespace platform
