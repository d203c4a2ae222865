// The light aircraft's per-step systems.
//
// Every rate is a fixed amount per step: the step length is not used, so the
// moving parts and the clock advance with the frame rate. The state they keep
// is module-wide (state.h), so every light aircraft advances the shared phases
// and the clock in its own step.

#include "outline.h"
#include "state.h"
#include "tarvik.h"

using tarvik::module;

namespace {

constexpr double kMaxTimeAcceleration = 10;

// Flight envelope: at or beyond either limit the engine loses all thrust and
// the airframe meets a wall of drag on every axis; below both it flies.
constexpr kit::EnvelopeSetting kNormal = {0.3, 0.3, 0.67, 0.92, 300000};
constexpr kit::EnvelopeSetting kLimited = {999, 999, 999, 999, 0};
using tarvik::kMaxAirspeed, tarvik::kMaxAltitude;  // outline.h
const kit::EnvelopeRule kEnvelope[] = {
    {.airspeed = {kMaxAirspeed, {}}, .altitude = {}, .setting = &kLimited},
    {.airspeed = {}, .altitude = {kMaxAltitude, {}}, .setting = &kLimited},
    {.airspeed = {{}, kMaxAirspeed}, .altitude = {{}, kMaxAltitude}, .setting = &kNormal},
};

constexpr kit::GroundSteering kSteering = {.gain = 300000, .arm = 0.5};  // N per m/s, m
constexpr kit::WheelRoll kWheels = {.top_speed = 30, .per_metre = 0.0033333333333333335};
constexpr kit::Propeller kPropeller = {.turn = 0.1, .running_level = 0.1, .windmilling = 0.1};

constexpr double kBlurredPropellerAbove = 1.0;  // m/s
constexpr double kFlapTravel = 0.006;           // per step: 167 steps end to end
constexpr double kFullTank = 10000;             // kg

// The one cockpit mesh a lights switch swaps, at index 1, and the lights.
const kit::CockpitMesh kCockpit[] = {
    {&module.mesh_cockpit, &module.mesh_cockpit_night, tarvik::cockpit_offset}};
kit::Light* const kLights[] = {&module.beacon_right, &module.beacon_left, &module.beacon_tail};

void roll_wheels(const LightAircraft& v, double airspeed) {
    // The phase runs on in the air; the wheels only turn on the ground.
    if (kit::roll_wheels(module.wheel_phase, airspeed, kWheels) && v.GroundContact())
        v.SetAnimation(v.anim_wheels, module.wheel_phase);
}

void show_propeller_mesh(const LightAircraft& v, double airspeed) {
    const unsigned index =
        airspeed > kBlurredPropellerAbove
            ? v.InsertMesh(module.mesh_propeller_blurred, 2, &tarvik::propeller_blurred_offset)
            : v.InsertMesh(module.mesh_propeller, 2, &tarvik::propeller_offset);
    v.SetMeshVisibilityMode(index, MeshVisibility::exterior_and_cockpit);
}

void move_flaps(const LightAircraft& v) {
    if (kit::travel(module.flap_command, module.flap_level, kFlapTravel))
        v.SetAnimation(v.anim_flaps, module.flap_level);
    v.SetControlSurfaceLevel(SurfaceType::flap, module.flap_level);
}

// Pitch, heading and the artificial horizon.
void show_attitude(const LightAircraft& v) {
    v.SetAnimation(v.anim_pitch_gauge, kit::centred_gauge(v.GetPitch(), 1));
    kit::show_focus_heading(v, v.anim_heading, module.focus_heading);
    v.SetAnimation(v.anim_horizon_bank, kit::centred_gauge(v.GetBank(), 3));
    v.SetAnimation(v.anim_horizon_pitch, kit::centred_gauge(v.GetPitch(), 3));
}

void show_throttle_and_airspeed(const LightAircraft& v) {
    v.SetAnimation(v.anim_throttle, v.GetThrusterLevel(v.main_thruster));
    v.SetAnimation(v.anim_airspeed, kit::falling_needle(v.GetAirspeed(), 220));
}

// The gauges show a quarter turn from full to empty; they show a refill from
// the next step.
void show_fuel_and_refuel(const LightAircraft& v) {
    v.SetAnimation(v.anim_fuel_gauge,
                   kit::limit((kFullTank - v.GetFuelMass()) * 0.0001 * 0.25, 0, 1));
    if (module.refuel_request == 1.0) {
        v.SetFuelMass(kFullTank);
        module.refuel_request = 0;
    }
}

void show_altitude(const LightAircraft& v) {
    const double altitude = v.GetAltitude();
    const double s100 = kit::altimeter_needle(altitude, 0.01, module.altimeter_100_turns);
    const double s1000 = kit::altimeter_needle(altitude, 0.001, module.altimeter_1000_turns);
    v.SetAnimation(v.anim_altimeter_100, s100);
    v.SetAnimation(v.anim_altimeter_1000, s1000);
}

}  // namespace

// The order of the step, as the trace shows it: the time-acceleration cap and
// the flight envelope first (the envelope is the engine model, so the thrust is
// set before the propeller and the throttle read its level); then what moves
// on the ground, the moving parts and the lights; the instruments last, showing
// what the systems before them left. The wheels and the propeller mesh use the
// airspeed read before the envelope.
void LightAircraft::clbkPostStep(double /*sim_time*/, double /*step_length*/, double /*date*/) {
    kit::cap_time_acceleration(kMaxTimeAcceleration);
    const double airspeed = GetAirspeed();
    kit::apply_flight_envelope(*this, main_thruster, kEnvelope);
    if (GroundContact()) kit::steer_on_ground(*this, kSteering, kMaxTimeAcceleration);
    roll_wheels(*this, airspeed);
    show_propeller_mesh(*this, airspeed);
    move_flaps(*this);
    kit::spin_propeller(*this, main_thruster, anim_propeller, module.propeller_phase, kPropeller);
    // Night mode brings the lights on with the night cockpit.
    kit::switch_lights(*this, module.cockpit_swap_request, module.cockpit_mode, kLights, kCockpit,
                       1);
    show_attitude(*this);
    show_throttle_and_airspeed(*this);
    kit::run_clock(*this, module.clock, {anim_clock_seconds, anim_clock_minutes, anim_clock_hours});
    show_fuel_and_refuel(*this);
    show_altitude(*this);
}
