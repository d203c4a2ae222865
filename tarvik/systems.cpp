// The light aircraft's per-step systems.
//
// Every rate is a fixed amount per step: the step length is not used, so the
// moving parts and the clock advance with the frame rate. The state they keep
// is module-wide (state.h), so every light aircraft advances the shared phases
// and the clock in its own step.

#include <algorithm>

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

constexpr double kSteeringGain = 300000;  // N per (m/s x rudder level)
constexpr double kSteeringArm = 0.5;      // m, fore and aft of the reference point

constexpr double kWheelRollPerMetre = 0.0033333333333333335;  // 1/300 per m/s per step
constexpr double kWheelRollTopSpeed = 30;                     // m/s

constexpr double kBlurredPropellerAbove = 1.0;  // m/s
constexpr double kFlapTravel = 0.006;           // per step: 167 steps end to end
constexpr double kPropellerTurn = 0.1;          // per step
constexpr double kPropellerRunningLevel = 0.1;  // engine level
constexpr double kPropellerWindmilling = 0.1;   // m/s

constexpr double kClockSecondsRate = 0.0002;  // per step and unit of time acceleration
constexpr double kClockCarry = 0.016666666;

constexpr double kFullTank = 10000;  // kg

double limit(double x, double lo, double hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}

void cap_time_acceleration() {
    if (vmapiGetTimeAcceleration() > kMaxTimeAcceleration) {
        vmapiSetTimeAcceleration(kMaxTimeAcceleration);
    }
}

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

void roll_wheels(const LightAircraft& v, double airspeed) {
    if (wheel_phase > 1) wheel_phase = 0;
    if (airspeed > 0) {
        wheel_phase += std::min(airspeed, kWheelRollTopSpeed) * kWheelRollPerMetre;
        // The phase runs on in the air; the wheels only turn on the ground.
        if (v.GroundContact()) v.SetAnimation(v.anim_wheels, wheel_phase);
    }
}

void show_propeller_mesh(const LightAircraft& v, double airspeed) {
    const UINT index = airspeed > kBlurredPropellerAbove
                           ? v.InsertMesh(mesh_propeller_blurred, 2, &propeller_blurred_offset)
                           : v.InsertMesh(mesh_propeller, 2, &propeller_offset);
    v.SetMeshVisibilityMode(index, MESHVIS_ALWAYS);
}

void move_flaps(const LightAircraft& v) {
    const bool moving = flap_command != 0;
    if (flap_command == 1) {
        flap_level += kFlapTravel;
        if (flap_level > 1) {
            flap_level = 1;
            flap_command = 0;
        }
    } else if (flap_command != 0) {
        flap_level -= kFlapTravel;
        if (flap_level < 0) {
            flap_level = 0;
            flap_command = 0;
        }
    }
    if (moving) v.SetAnimation(v.anim_flaps, flap_level);
    v.SetControlSurfaceLevel(AIRCTRL_FLAP, flap_level);
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

void switch_lights(bool on) {
    beacon_right.active = on;
    beacon_left.active = on;
    beacon_tail.active = on;
}

// Pitch, heading and the artificial horizon. The heading is that of the vessel
// with the input focus; when the host writes none, the last one stays.
void show_attitude(const LightAircraft& v) {
    v.SetAnimation(v.anim_pitch_gauge, limit((v.GetPitch() + 1) * 0.5, 0, 1));

    vmapiGetFocusHeading(&focus_heading);
    v.SetAnimation(v.anim_heading, focus_heading * 0.16 + 0.001);

    v.SetAnimation(v.anim_horizon_bank, limit((v.GetBank() + 3) * 0.16666666666666666, 0, 1));
    v.SetAnimation(v.anim_horizon_pitch, limit((v.GetPitch() + 3) * 0.16666666666666666, 0, 1));
}

void show_throttle_and_airspeed(const LightAircraft& v) {
    v.SetAnimation(v.anim_throttle, v.GetThrusterLevel(v.main_thruster));

    const double airspeed = limit(v.GetAirspeed(), 0, 220);
    v.SetAnimation(v.anim_airspeed, limit((220 - airspeed) * 0.004545454545454545, 0, 1));
}

// A hand below 0 (or not a number, after a bad time acceleration) restarts at
// 0 rather than staying stuck.
bool below_zero(double hand) {
    return !(hand >= 0);
}

void run_clock(const LightAircraft& v) {
    clock_seconds_state += vmapiGetTimeAcceleration() * kClockSecondsRate;
    if (below_zero(clock_seconds_state)) {
        clock_seconds_state = 0;
    } else if (clock_seconds_state >= 1) {
        clock_seconds_state = 0;
        clock_minutes_state += kClockCarry;
    }
    v.SetAnimation(v.anim_clock_seconds, clock_seconds_state);

    if (below_zero(clock_minutes_state)) {
        clock_minutes_state = 0;
    } else if (clock_minutes_state >= 1) {
        clock_minutes_state = 0;
        clock_hours_state += kClockCarry;
    }
    v.SetAnimation(v.anim_clock_minutes, clock_minutes_state);

    if (below_zero(clock_hours_state) || clock_hours_state >= 1) clock_hours_state = 0;
    v.SetAnimation(v.anim_clock_hours, clock_hours_state);
}

// The gauges show a quarter turn from full to empty; they show a refill from
// the next step.
void show_fuel_and_refuel(const LightAircraft& v) {
    v.SetAnimation(v.anim_fuel_gauge, limit((kFullTank - v.GetFuelMass()) * 0.0001 * 0.25, 0, 1));
    if (refuel_request == 1.0) {
        v.SetFuelMass(kFullTank);
        refuel_request = 0;
    }
}

// A needle shows its turns of altitude (altitude x turns_per_metre) beyond the
// whole turns counted so far. The counter follows by at most one turn per step
// and never goes below 0, so after a fast climb the needle runs past a full
// turn until the counter has caught up.
double altimeter_needle(double altitude, double turns_per_metre, double& turns) {
    const double state = altitude * turns_per_metre - turns;
    if (state >= 1) turns += 1;
    if (state <= 0) turns = std::max(turns - 1, 0.0);
    return state;
}

void show_altitude(const LightAircraft& v) {
    const double altitude = v.GetAltitude();
    const double s100 = altimeter_needle(altitude, 0.01, altimeter_100_turns);
    const double s1000 = altimeter_needle(altitude, 0.001, altimeter_1000_turns);
    v.SetAnimation(v.anim_altimeter_100, s100);
    v.SetAnimation(v.anim_altimeter_1000, s1000);
}

}  // namespace

void LightAircraft::ApplyGroundSteering() const {
    const double force = GetAirspeed() * GetControlSurfaceLevel(AIRCTRL_RUDDER) * kSteeringGain;
    if (vmapiGetTimeAcceleration() > kMaxTimeAcceleration) return;
    // Two opposite lateral forces: a pure turning moment about the vertical axis.
    AddForce(_V(force, 0, 0), _V(0, 0, kSteeringArm));
    AddForce(_V(-force, 0, 0), _V(0, 0, -kSteeringArm));
}

void LightAircraft::SwapCockpitMesh() const {
    MESHHANDLE mesh;
    if (cockpit_mode == 1.0) {
        mesh = mesh_cockpit_night;
    } else if (cockpit_mode == 0.0) {
        mesh = mesh_cockpit;
    } else {
        return;
    }
    SetMeshVisibilityMode(InsertMesh(mesh, 1, &cockpit_offset), MESHVIS_VC);
}

void LightAircraft::clbkPostStep(double /*simt*/, double /*simdt*/, double /*mjd*/) {
    cap_time_acceleration();
    const double airspeed = GetAirspeed();
    apply_flight_envelope(*this);
    if (GroundContact()) ApplyGroundSteering();
    roll_wheels(*this, airspeed);
    show_propeller_mesh(*this, airspeed);
    move_flaps(*this);
    spin_propeller(*this);

    // Lights switch: night mode brings the lights on with the night cockpit.
    if (cockpit_swap_request == 1.0 && (cockpit_mode == 1.0 || cockpit_mode == 0.0)) {
        cockpit_swap_request = 0;
        switch_lights(cockpit_mode == 1.0);
        SwapCockpitMesh();
    }

    show_attitude(*this);
    show_throttle_and_airspeed(*this);
    run_clock(*this);
    show_fuel_and_refuel(*this);
    show_altitude(*this);
}
