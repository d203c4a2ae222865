// Host SDK: everything a vessel plug-in is compiled against.
//
// A plug-in library exports three functions with C linkage, found by the host
// by name:
//   VESSEL* vmvcInit(OBJHANDLE hVessel, int flightmodel)  once per new vessel;
//                                                         null if none made
//   void    vmvcExit(VESSEL* vessel)                      once per deleted vessel
//   int     GetModuleVersion()                            whenever the host asks
// Its load hook calls InitLib with the library's module handle; its unload hook
// calls the library's own "ExitModule" (or else "vmpcDLLExit") if it exports one.
#pragma once

#include "vmapi_functions.h"
#include "vmapi_types.h"
#include "vmapi_vessel.h"

using VMVC_INIT_FUNC = VESSEL* (*)(OBJHANDLE hVessel, int flightmodel);
using VMVC_EXIT_FUNC = void (*)(VESSEL* vessel);
using MODULE_VERSION_FUNC = int (*)();
using MODULE_EXIT_FUNC = void (*)(HINSTANCE hModule);
