// The airliner's per-step systems.
//
// Every rate is a fixed amount per step: the step length is not used, so the
// gear, the wheels and the clock move with the frame rate. The state they
// keep is module-wide (state.h), so every airliner advances the shared gear,
// phases and clock in its own step.

#include <iterator>

#include "olumbra.h"
#include "outline.h"
#include "sound_client.h"
#include "state.h"

using olumbra::module;

namespace {

constexpr double kMaxTimeAcceleration = 10.0;

// Flight envelope: normal below 200 m/s and 17000 m; reduced from there, cut
// from 230 m/s or 20000 m. The altitude rules come after the airspeed rules
// and win over them.
constexpr kit::EnvelopeSetting kNormal = {0.3, 0.3, 0.67, 0.92, 400000.0};
constexpr kit::EnvelopeSetting kReduced = {1.0, 1.0, 1.0, 1.0, 300000.0};
constexpr kit::EnvelopeSetting kCut = {555.0, 555.0, 555.0, 555.0, 0.0};
using olumbra::kReducedAirspeed, olumbra::kCutAirspeed;  // outline.h
using olumbra::kReducedAltitude, olumbra::kCutAltitude;
const kit::EnvelopeRule kEnvelope[] = {
    {.airspeed = {kCutAirspeed, {}}, .altitude = {}, .setting = &kCut},
    {.airspeed = {kReducedAirspeed, kCutAirspeed}, .altitude = {}, .setting = &kReduced},
    {.airspeed = {}, .altitude = {kCutAltitude, {}}, .setting = &kCut},
    {.airspeed = {}, .altitude = {kReducedAltitude, kCutAltitude}, .setting = &kReduced},
    {.airspeed = {{}, kReducedAirspeed}, .altitude = {{}, kReducedAltitude}, .setting = &kNormal},
};

constexpr kit::GroundSteering kSteering = {.gain = 100000.0, .arm = 0.33};  // N per m/s, m
constexpr kit::WheelRoll kWheels = {.top_speed = 30.0, .per_metre = 0.0033333333333333335};
constexpr double kWheelsShownBelowGear = 0.05;
constexpr double kGearTravel = 0.00242;  // per step: 414 steps end to end

kit::Light* const kLights[] = {&module.beacon_right, &module.beacon_left};

// The wheels turn on screen only on the ground with the gear down.
void roll_wheels(const Airliner& v, double airspeed) {
    if (kit::roll_wheels(module.wheel_rot, airspeed, kWheels) && v.GroundContact() &&
        module.gear_pos < kWheelsShownBelowGear)
        v.SetAnimation(v.anim_wheels, module.wheel_rot);
}

// The gear and its lever move only while airborne; on the ground a command
// waits for lift-off.
void move_gear_part(const Airliner& v, int& command, double& pos, unsigned anim) {
    if (command == 0 || v.GroundContact()) return;
    kit::travel(command, pos, kGearTravel);
    v.SetAnimation(anim, pos);
}

// Looped at a pitch that follows the thrust while the engines run.
void play_engine_sound(const Airliner& v) {
    const double level = v.GetThrusterLevel(v.th_main);
    if (level > 0.0) {
        module.eng_freq = olumbra::engine_frequency(level);
        PlayVesselWave(v.sound_id, olumbra::kEngineSlot, 1, 255, static_cast<int>(module.eng_freq));
    } else if (level == 0.0) {
        StopVesselWave(v.sound_id, olumbra::kEngineSlot);
    }
}

void show_altitude(const Airliner& v) {
    const double needle = module.altimeter.update(v.GetAltitude());
    v.SetAnimation(v.anim_alt_needle, needle);
    for (std::size_t k = 0; k < std::size(v.anim_alt_digit); ++k)
        v.SetAnimation(v.anim_alt_digit[k], module.altimeter.drum[k]);
}

// Angle of attack (1/6 rad is full scale), heading of the vessel with the
// input focus, airspeed (1 at rest down to 0 at 600 m/s), bank (0.5 with level
// wings, the ends at +-3 rad).
void show_flight_instruments(const Airliner& v) {
    v.SetAnimation(v.anim_aoa, v.GetAOA() * 6.0);
    kit::show_focus_heading(v, v.anim_heading, module.focus_heading);
    v.SetAnimation(v.anim_airspeed, kit::falling_needle(v.GetAirspeed(), 600.0));
    v.SetAnimation(v.anim_bank, kit::centred_gauge(v.GetBank(), 3.0));
}

}  // namespace

// The order of the step, as the trace shows it: the time-acceleration cap and
// the flight envelope first (the envelope is the engine model, so the thrust is
// set before the throttle levers and the engine sound read its level); then
// what moves on the ground, the gear, the sound and the lights; the
// instruments last, showing what the systems before them left. The wheels use
// the airspeed read before the envelope.
void Airliner::clbkPostStep(double /*sim_time*/, double /*step_length*/, double /*date*/) {
    kit::cap_time_acceleration(kMaxTimeAcceleration);
    const double airspeed = GetAirspeed();
    kit::apply_flight_envelope(*this, th_main, kEnvelope);
    if (GroundContact()) kit::steer_on_ground(*this, kSteering, kMaxTimeAcceleration);
    roll_wheels(*this, airspeed);
    move_gear_part(*this, module.gear_cmd, module.gear_pos, anim_gear);
    move_gear_part(*this, module.gear_lever_cmd, module.gear_lever_pos, anim_gear_lever);
    SetAnimation(anim_throttle, GetThrusterLevel(th_main));
    play_engine_sound(*this);
    kit::switch_lights(*this, module.lights_changed, module.lights_on, kLights,
                       olumbra::kCockpitMeshes, olumbra::kFirstCockpitMeshIndex);
    show_altitude(*this);
    show_flight_instruments(*this);
    kit::run_clock(*this, module.cockpit_clock, {anim_clock_sec, anim_clock_min, anim_clock_hour});
}
