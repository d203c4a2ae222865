#include "module.h"

#include "platform.h"
#include "plugin.h"
#include "vmapi.h"

namespace {

ModuleHandle g_module = nullptr;
ModuleExitFunction g_exit_hook = nullptr;
int g_module_version = 0;

// The build date both deliverables report, in the form of __DATE__.
constexpr char kBuildDate[] = "Apr 25 2006";

}  // namespace

namespace frame {

void library_loaded(ModuleHandle module) {
    g_module = module;
    InitLib(module);
    auto hook = platform::find_own_export(module, "ExitModule");
    if (!hook) hook = platform::find_own_export(module, "vmpcDLLExit");
    g_exit_hook = reinterpret_cast<ModuleExitFunction>(hook);
}

void library_unloading() {
    if (g_exit_hook) g_exit_hook(g_module);
}

}  // namespace frame

VMAPI_PLUGIN_EXPORT int GetModuleVersion() {
    if (g_module_version == 0) g_module_version = Date2Int(kBuildDate);
    return g_module_version;
}

VMAPI_PLUGIN_EXPORT VESSEL* vmvcInit(VesselHandle vessel, int flight_model) {
    return frame::create_vessel(vessel, flight_model);
}

VMAPI_PLUGIN_EXPORT void vmvcExit(VESSEL* vessel) {
    if (vessel) frame::destroy_vessel(vessel);
}
