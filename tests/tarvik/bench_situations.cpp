// The light aircraft's post-step in cruise, rolling on the ground, and in its
// busiest step: the lights swap, with the flaps moving and a refuel.
#include "aircraft_bench.h"
#include "host.h"
#include "state.h"

namespace {

using host::Reading;

void common(VesselHandle v, bool ground, double airspeed, double altitude) {
    using tarvik::module;
    module.cockpit_mode = 0.0;
    module.cockpit_swap_request = 0.0;
    module.flap_level = 0.0;
    module.flap_command = 0;
    module.refuel_request = 0.0;
    host::set_warp(1);
    host::set_focus_heading(1.2);
    host::set_reading(v, Reading::ground, ground ? 1 : 0);
    host::set_reading(v, Reading::airspeed, airspeed);
    host::set_reading(v, Reading::altitude, altitude);
    host::set_reading(v, Reading::thrust, 0.7);
    host::set_reading(v, Reading::pitch, 0.05);
    host::set_reading(v, Reading::bank, -0.1);
    host::set_reading(v, Reading::fuel, 6000);
}

void cruise(VesselHandle v) {
    common(v, false, 60, 1500);
}

void ground_roll(VesselHandle v) {
    common(v, true, 20, 0);
    host::set_reading(v, Reading::rudder, 0.3);
}

void busiest(VesselHandle v) {
    ground_roll(v);
    tarvik::module.cockpit_mode = 1.0;
}

// Every step swaps to the night cockpit, moves the flaps and refuels.
void lights_swap() {
    using tarvik::module;
    module.cockpit_swap_request = 1.0;
    module.flap_level = 0.5;
    module.flap_command = 1;
    module.refuel_request = 1.0;
}

const bench::Situation kSituations[] = {
    {"cruise", cruise, nullptr},
    {"ground_roll", ground_roll, nullptr},
    {"lights_swap", busiest, lights_swap},
};

[[maybe_unused]] const bool registered = bench::register_post_steps("tarvik", kSituations, 3, 1.3);

}  // namespace
