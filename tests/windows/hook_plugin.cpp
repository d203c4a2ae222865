// A test plug-in built from the shared frame with a vessel class that does
// nothing, exporting the exit hooks chosen at build time. Each hook makes one
// host call that names it, so the trace shows which hook ran at unload.
#include <new>

#include "plugin.h"
#include "vmapi.h"

namespace {

class Plain : public VESSEL2 {
  public:
    using VESSEL2::VESSEL2;
};

}  // namespace

VESSEL* frame::create_vessel(VesselHandle vessel, int flight_model) {
    return new (std::nothrow) Plain(vessel, flight_model);
}

void frame::destroy_vessel(VESSEL* vessel) {
    delete static_cast<Plain*>(vessel);
}

#if defined(VM_HOOK_EXIT_MODULE)
VMAPI_PLUGIN_EXPORT void ExitModule(ModuleHandle) {
    Date2Int("Jan 1 2001");
}
#endif

#if defined(VM_HOOK_DLL_EXIT)
VMAPI_PLUGIN_EXPORT void vmpcDLLExit(ModuleHandle) {
    Date2Int("Feb 2 2002");
}
#endif
