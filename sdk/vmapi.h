// Host SDK: everything a vessel plug-in is compiled against. Include this one.
//
// The SDK is the boundary between the host and a vessel plug-in, one concern
// per header:
//   vmapi_types.h      plain types, handles and records passed both ways
//   vmapi_vessel.h     VESSEL (the host's side of a vessel) and VESSEL2 (the
//                      callbacks the host makes into the plug-in's class)
//   vmapi_functions.h  the host's free functions
//   vmapi_keys.h       the keyboard: every key's scan code by name
// The host implements every declaration marked VMAPI in its library; a plug-in
// links against that library's import library and calls them directly.
//
// The plug-in's side: its library exports these three functions with C
// linkage, which the host finds by name after loading it, and calls from its
// simulation thread:
//   VESSEL* vmvcInit(VesselHandle vessel, int flight_model)  once per new vessel;
//           returns an object of a class derived from VESSEL2, owned by the
//           plug-in, or null when it made none
//   void    vmvcExit(VESSEL* vessel)                         once per deleted vessel,
//           with what vmvcInit returned; the plug-in destroys the object
//   int     GetModuleVersion()                               whenever the host asks
// While the host loads the library, its load hook calls InitLib with the
// library's own module handle; while the host unloads it, its unload hook
// calls the library's own "ExitModule" (or else "vmpcDLLExit") if it exports
// one, with the same handle.
#pragma once

#include "vmapi_functions.h"
#include "vmapi_keys.h"
#include "vmapi_types.h"
#include "vmapi_vessel.h"

// The plug-in's exports and exit hook, as the host calls them.
using VesselInitFunction = VESSEL* (*)(VesselHandle vessel, int flight_model);
using VesselExitFunction = void (*)(VESSEL* vessel);
using ModuleVersionFunction = int (*)();
using ModuleExitFunction = void (*)(ModuleHandle module);
