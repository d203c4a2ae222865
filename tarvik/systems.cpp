// The light aircraft's per-step systems.
//
// Every rate is a fixed amount per step: the step length is not used, so the
// moving parts and the clock advance with the frame rate. The state they keep
// is module-wide (state.h), so every light aircraft advances the shared phases
// and the clock in its own step.

#include "kit.h"
#include "light_aircraft.h"
#include "state.h"

using namespace tarvik;

namespace {

constexpr double kMaxTimeAcceleration = 10;

// Flight envelope: at or beyond either limit the engine loses all thrust and
// the airframe meets a wall of drag on every axis.
constexpr double kMaxAirspeed = 177;   // m/s
constexpr double kMaxAltitude = 7000;  // m
constexpr double kMaxThrust = 300000;  // N
constexpr double kLimitedDrag = 999;

constexpr kit::GroundSteering kSteering = {.gain = 300000, .arm = 0.5};  // N per m/s, m
constexpr kit::WheelRoll kWheels = {.top_speed = 30, .per_metre = 0.0033333333333333335};

constexpr double kBlurredPropellerAbove = 1.0;  // m/s
constexpr double kFlapTravel = 0.006;           // per step: 167 steps end to end
constexpr double kPropellerTurn = 0.1;          // per step
constexpr double kPropellerRunningLevel = 0.1;  // engine level
constexpr double kPropellerWindmilling = 0.1;   // m/s

constexpr double kFullTank = 10000;  // kg

// The one cockpit mesh a lights switch swaps, at index 1.
const kit::CockpitMesh kCockpit[] = {{&mesh_cockpit, &mesh_cockpit_night, cockpit_offset}};

void apply_flight_envelope(const LightAircraft& v) {
    const double airspeed = v.GetAirspeed();
    const double altitude = v.GetAltitude();
    auto limited = [&v] {
        v.SetCW(kLimitedDrag, kLimitedDrag, kLimitedDrag, kLimitedDrag);
        v.SetThrusterMax0(v.main_thruster, 0);
    };
    if (airspeed >= kMaxAirspeed) limited();
    if (altitude >= kMaxAltitude) limited();
    if (airspeed < kMaxAirspeed && altitude < kMaxAltitude) {
        v.SetCW(0.3, 0.3, 0.67, 0.92);
        v.SetThrusterMax0(v.main_thruster, kMaxThrust);
    }
}

void show_propeller_mesh(const LightAircraft& v, double airspeed) {
    const unsigned index = airspeed > kBlurredPropellerAbove
                               ? v.InsertMesh(mesh_propeller_blurred, 2, &propeller_blurred_offset)
                               : v.InsertMesh(mesh_propeller, 2, &propeller_offset);
    v.SetMeshVisibilityMode(index, MeshVisibility::exterior_and_cockpit);
}

void move_flaps(const LightAircraft& v) {
    if (kit::travel(flap_command, flap_level, kFlapTravel))
        v.SetAnimation(v.anim_flaps, flap_level);
    v.SetControlSurfaceLevel(SurfaceType::flap, flap_level);
}

void spin_propeller(const LightAircraft& v) {
    const double engine = v.GetThrusterLevel(v.main_thruster);
    const double airspeed = v.GetAirspeed();
    if (engine >= kPropellerRunningLevel || airspeed > kPropellerWindmilling) {
        if (propeller_phase > 1) propeller_phase = 0;
        propeller_phase += kPropellerTurn;
        v.SetAnimation(v.anim_propeller, propeller_phase);
    }
    // A stopped engine at rest parks the propeller; the phase is kept, so a
    // restart continues from it. An idling engine leaves it where it stopped.
    if (engine == 0 && airspeed <= kPropellerWindmilling) v.SetAnimation(v.anim_propeller, 0);
}

// Night mode brings the lights on with the night cockpit.
void switch_lights(const LightAircraft& v) {
    if (!kit::take_request(cockpit_swap_request, cockpit_mode)) return;
    const bool night = cockpit_mode == 1.0;
    beacon_right.active = beacon_left.active = beacon_tail.active = night;
    kit::show_cockpit(v, kCockpit, 1, night);
}

// Pitch, heading and the artificial horizon.
void show_attitude(const LightAircraft& v) {
    v.SetAnimation(v.anim_pitch_gauge, kit::centred_gauge(v.GetPitch(), 1));
    kit::show_focus_heading(v, v.anim_heading, focus_heading);
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
    if (refuel_request == 1.0) {
        v.SetFuelMass(kFullTank);
        refuel_request = 0;
    }
}

void show_altitude(const LightAircraft& v) {
    const double altitude = v.GetAltitude();
    const double s100 = kit::altimeter_needle(altitude, 0.01, altimeter_100_turns);
    const double s1000 = kit::altimeter_needle(altitude, 0.001, altimeter_1000_turns);
    v.SetAnimation(v.anim_altimeter_100, s100);
    v.SetAnimation(v.anim_altimeter_1000, s1000);
}

}  // namespace

void LightAircraft::clbkPostStep(double /*simt*/, double /*simdt*/, double /*mjd*/) {
    kit::cap_time_acceleration(kMaxTimeAcceleration);
    const double airspeed = GetAirspeed();
    apply_flight_envelope(*this);
    if (GroundContact()) kit::steer_on_ground(*this, kSteering, kMaxTimeAcceleration);
    // The phase runs on in the air; the wheels only turn on the ground.
    if (kit::roll_wheels(wheel_phase, airspeed, kWheels) && GroundContact())
        SetAnimation(anim_wheels, wheel_phase);
    show_propeller_mesh(*this, airspeed);
    move_flaps(*this);
    spin_propeller(*this);
    switch_lights(*this);
    show_attitude(*this);
    show_throttle_and_airspeed(*this);
    kit::run_clock(*this, cockpit_clock,
                   {anim_clock_seconds, anim_clock_minutes, anim_clock_hours});
    show_fuel_and_refuel(*this);
    show_altitude(*this);
}
