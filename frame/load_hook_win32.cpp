// The library's load and unload hook on Windows: the DLL entry routine.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            frame::library_loaded(module);
            break;
        case DLL_PROCESS_DETACH:
            frame::library_unloading();
            break;
        default:  // thread attach and detach: nothing to do
            break;
    }
    return TRUE;
}
