// Host SDK: free functions of the host.
//
// The plug-in calls these, implemented by the host, from the host's
// simulation thread: from its load hook (InitLib) or from inside a callback.
// Pointers passed in are read during the call only, unless a function says
// otherwise; what the host returns stays owned by the host.
#pragma once

#include "vmapi_types.h"

// Called by a plug-in's load hook with its own module handle.
VMAPI void InitLib(ModuleHandle module);

// "Mmm D YYYY" (as the compiler's __DATE__ writes it) as YYYYMMDD.
VMAPI int Date2Int(const char* date);

// Loads a mesh file (path without extension) once per process; loading the same
// path again returns the same handle. The host owns the mesh.
VMAPI MeshHandle vmapiLoadMeshGlobal(const char* path);

// Induced drag coefficient of a wing: lift^2 / (pi * aspect * efficiency).
VMAPI double vmapiGetInducedDrag(double lift, double aspect, double efficiency);

VMAPI double vmapiGetTimeAcceleration();
// Takes effect at the start of the next simulation step.
VMAPI void vmapiSetTimeAcceleration(double warp);

// Heading (rad) of the vessel with the input focus; false and nothing written
// when there is none.
VMAPI bool vmapiGetFocusHeading(double* heading);

// Places host display `display` on a mesh group of the virtual cockpit. Only
// valid inside clbkLoadVC. The host keeps `placement`, which the plug-in owns.
VMAPI void vmapiVCRegisterMFD(int display, const VCMFDSPEC* placement);
