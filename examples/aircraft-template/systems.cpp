// The starter's per-step systems. Every rate is a fixed amount per step; the
// state they keep is module-wide (state.h).

#include "outline.h"
#include "starter.h"
#include "state.h"

using starter::module;

namespace {

// Flight envelope: below both limits the engine has its thrust, at or beyond
// either it has none.
constexpr kit::EnvelopeSetting kNormal = {0.3, 0.3, 0.6, 0.9, 4500};
constexpr kit::EnvelopeSetting kLimited = {0.3, 0.3, 0.6, 0.9, 0};
using starter::kMaxAirspeed, starter::kMaxAltitude;  // outline.h
const kit::EnvelopeRule kEnvelope[] = {
    {.airspeed = {{}, kMaxAirspeed}, .altitude = {{}, kMaxAltitude}, .setting = &kNormal},
    {.airspeed = {kMaxAirspeed, {}}, .altitude = {}, .setting = &kLimited},
    {.airspeed = {}, .altitude = {kMaxAltitude, {}}, .setting = &kLimited},
};

kit::Light* const kLights[] = {&module.beacon_left, &module.beacon_right, &module.beacon_tail};

// Airspeed up to 100 m/s, the altimeter's needle one turn per 1000 m, the
// heading of the vessel with the input focus.
void show_instruments(const Starter& v) {
    v.SetAnimation(v.anim_airspeed, kit::rising_needle(v.GetAirspeed(), 100));
    v.SetAnimation(v.anim_altimeter,
                   kit::altimeter_needle(v.GetAltitude(), 0.001, module.altimeter_turns));
    kit::show_focus_heading(v, v.anim_heading, module.focus_heading);
}

}  // namespace

// The order of the step: the envelope first (it is the engine model), then the
// lights a key asked for, the instruments last, showing what came before.
void Starter::clbkPostStep(double /*sim_time*/, double /*step_length*/, double /*date*/) {
    kit::apply_flight_envelope(*this, main_thruster, kEnvelope);
    kit::switch_lights(*this, module.lights_changed, module.lights_on, kLights, {}, 0);
    show_instruments(*this);
}
