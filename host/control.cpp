// The control interface: the table of host.h's functions, and the one entry
// point beside the SDK that hands it out (see control.h).
#include <cstring>

#include "recording.h"
#include "state.h"

namespace host {
namespace {

constexpr Control kControl{
    .trace_to = trace::to,
    .tracing = trace::on,
    .trace_flush = trace::flush,
    .remark = trace::remark,
    .record_to = trace::record_to,
    .line_begin = trace::begin,
    .line_end = trace::end,
    .word = trace::word,
    .real = trace::real,
    .single = trace::single,
    .integer = trace::integer,
    .text = trace::text,
    .vec = trace::vec,
    .list = trace::list,
    .handle = trace::handle,
    .handles = trace::handles,
    .transform = trace::transform,
    .light = trace::light,
    .exhaust = trace::exhaust,
    .display = trace::display,
    .coeff = trace::coeff,
    .create_vessel = impl::create_vessel,
    .delete_vessel = impl::delete_vessel,
    .vessel_object = impl::vessel_object,
    .set_reading = impl::set_reading,
    .reading = impl::reading,
    .airfoil_function = impl::airfoil_function,
    .airfoil_count = impl::airfoil_count,
    .check_lights = impl::check_lights,
    .calling = impl::calling,
    .violations = impl::violations,
    .count_violation = impl::count_violation,
    .set_warp = impl::set_warp,
    .warp = impl::warp,
    .apply_pending_warp = impl::apply_pending_warp,
    .set_focus_heading = impl::set_focus_heading,
    .clear_focus_heading = impl::clear_focus_heading,
    .set_physics = impl::set_physics,
    .physics = impl::physics,
    .physics_step = impl::physics_step,
    .autopilot_hold = impl::autopilot_hold,
    .autopilot_off = impl::autopilot_off,
    .set_brake = impl::set_brake,
    .flight_state = impl::flight_state,
    .animation_count = impl::animation_count,
    .animation_states = impl::animation_states,
    .begin_module_load = impl::begin_module_load,
    .end_module_load = impl::end_module_load,
    .module_unloaded = impl::module_unloaded,
    .reset = impl::reset,
};

}  // namespace
}  // namespace host

// Exported by name beside the SDK: on Linux by the library's version script,
// on Windows by its .def file, which keeps it out of the import library.
#if defined(_WIN32)
#define VELMORA_CONTROL_ENTRY extern "C"
#else
#define VELMORA_CONTROL_ENTRY extern "C" __attribute__((visibility("default")))
#endif

VELMORA_CONTROL_ENTRY const void* VelmoraHostExtension(const char* id) {
    return id && std::strcmp(id, host::kControlId) == 0 ? &host::kControl : nullptr;
}
