// The airliner's post-step in cruise, rolling on the ground, and in its
// busiest step: the lights swap, with the gear moving in the air.
#include "aircraft_bench.h"
#include "host.h"
#include "state.h"

namespace {

using host::Reading;

void common(VesselHandle v, bool ground, double airspeed, double altitude) {
    using olumbra::module;
    module.gear_cmd = module.gear_lever_cmd = 0;
    module.gear_pos = module.gear_lever_pos = 0.0;
    module.lights_on = module.lights_changed = 0.0;
    host::set_warp(1);
    host::set_focus_heading(1.2);
    host::set_reading(v, Reading::ground, ground ? 1 : 0);
    host::set_reading(v, Reading::airspeed, airspeed);
    host::set_reading(v, Reading::altitude, altitude);
    host::set_reading(v, Reading::thrust, 0.8);
    host::set_reading(v, Reading::aoa, 0.05);
    host::set_reading(v, Reading::bank, -0.1);
}

void cruise(VesselHandle v) {
    common(v, false, 180, 9144.3);
}

void ground_roll(VesselHandle v) {
    common(v, true, 40, 2.5);
    host::set_reading(v, Reading::rudder, 0.3);
}

void busiest(VesselHandle v) {
    common(v, false, 120, 450.7);
    olumbra::module.lights_on = 1.0;
}

// Every step swaps to the night cockpit and moves the gear and its lever.
void lights_swap() {
    using olumbra::module;
    module.lights_changed = 1.0;
    module.gear_cmd = module.gear_lever_cmd = 1;
    module.gear_pos = module.gear_lever_pos = 0.5;
}

const bench::Situation kSituations[] = {
    {"cruise", cruise, nullptr},
    {"ground_roll", ground_roll, nullptr},
    {"lights_swap", busiest, lights_swap},
};

[[maybe_unused]] const bool registered = bench::register_post_steps("olumbra", kSituations, 3, 1.3);

}  // namespace
