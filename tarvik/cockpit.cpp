// The light aircraft's keyboard commands and its virtual-cockpit camera.
//
// The keys only record requests in the module-wide state; the next post-step
// carries them out. Modifiers are not examined: Shift, Ctrl or Alt with a
// command key give the same command.

#include "state.h"
#include "tarvik.h"

using tarvik::module;

namespace {

// F: flaps. Past half travel the flaps retract, otherwise they extend; a
// press while they move re-aims them from where they are.
void command_flaps() {
    module.flap_command = kit::command_towards_other_end(module.flap_level);
}

// J: refuel at the next step.
void request_refuel() {
    if (module.refuel_request == 0.0) module.refuel_request = 1.0;
}

// K: day or night cockpit, with the lights. Refused (but consumed) while any
// control surface is deflected.
int switch_cockpit(const LightAircraft& v) {
    const double elevator = v.GetControlSurfaceLevel(SurfaceType::elevator);
    const double aileron = v.GetControlSurfaceLevel(SurfaceType::aileron);
    const double rudder = v.GetControlSurfaceLevel(SurfaceType::rudder);
    if (elevator != 0 || aileron != 0 || rudder != 0) return 1;
    if (!kit::flip(module.cockpit_mode)) return 0;
    module.cockpit_swap_request = 1.0;
    return 1;
}

}  // namespace

int LightAircraft::clbkConsumeBufferedKey(std::uint32_t key, bool down, char* /*key_state*/) {
    if (!down) return 0;
    switch (key) {
        case key_code("F"):
            command_flaps();
            return 1;
        case key_code("J"):
            request_refuel();
            return 1;
        case key_code("K"):
            return switch_cockpit(*this);
        default:
            return 0;
    }
}

bool LightAircraft::clbkLoadVC(int /*id*/) {
    kit::look_from(*this,
                   {.offset = tarvik::vc_camera_offset,  // the generic cockpit point, shifted
                    .side_degrees = 50,
                    .vertical_degrees = 25});
    return true;
}
