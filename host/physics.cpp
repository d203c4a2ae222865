// The host's flight model: with physics on, every step moves each live vessel
// as the plug-in defined it (vm_flight does the integration) and its readings
// come from the simulation instead of the scenario.
#include <algorithm>
#include <cmath>

#include "plugin_call.h"
#include "state.h"

namespace host {
namespace {

// Coefficient functions belong to the plug-in: each call the flight model
// makes crosses the boundary and is traced like any other.
void traced_coeff(const flight::Airfoil& af, double angle, double mach, double reynolds, double* cl,
                  double* cm, double* cd) {
    coeff_call(af.coeff, angle, mach, reynolds, cl, cm, cd);
}

double& reading_of(Vessel& v, Reading r) {
    return v.readings[static_cast<int>(r)];
}

void fly_one(Vessel& v, double dt) {
    flight::Body& b = v.body;
    flight::Vessel& d = b.vessel;
    if (!v.placed) {
        b.place_on_ground(0);
        v.placed = true;
    }
    d.call_coeff = traced_coeff;

    // What the scenario and the plug-in set: control levels, engine level and
    // the first tank (which `set fuel` and SetFuelMass change).
    for (int t = 0; t < kSurfaceReadings; ++t)
        d.control[static_cast<std::size_t>(t)] =
            v.readings[static_cast<int>(Reading::elevator) + t];
    for (flight::Thruster& th : d.thrusters) th.level = reading_of(v, Reading::thrust);
    if (!d.propellants.empty()) d.propellants[0].mass = reading_of(v, Reading::fuel);

    v.autopilot.fly(b, dt);
    reading_of(v, Reading::elevator) = d.level(flight::Surface::elevator);
    reading_of(v, Reading::aileron) = d.level(flight::Surface::aileron);

    // The host moves the animations bound to elevator, rudder and ailerons
    // with their levels, -1..1 over the states 0..1 (the flaps the plug-ins
    // animate themselves).
    for (std::size_t i = 0; i < d.surfaces.size(); ++i) {
        const int t = static_cast<int>(d.surfaces[i].type);
        const unsigned anim = v.surface_animations[i];
        if (t < 0 || t > static_cast<int>(flight::Surface::aileron) || anim >= v.animations.size())
            continue;
        const double level = d.control[static_cast<std::size_t>(t)];
        if (std::isfinite(level)) v.animations[anim] = (std::clamp(level, -1.0, 1.0) + 1) / 2;
    }

    b.advance(dt);

    const flight::Readings r = b.readings();
    reading_of(v, Reading::airspeed) = r.airspeed;
    reading_of(v, Reading::altitude) = r.altitude;
    reading_of(v, Reading::pitch) = r.pitch;
    reading_of(v, Reading::bank) = r.bank;
    reading_of(v, Reading::aoa) = r.aoa;
    reading_of(v, Reading::ground) = r.ground_contact ? 1.0 : 0.0;
    if (!d.propellants.empty()) reading_of(v, Reading::fuel) = d.propellants[0].mass;
}

}  // namespace

namespace impl {

void set_physics(bool on) {
    state().physics = on;
    // The vessels stand on the ground, and say so, from now on.
    physics_step(0);
}

bool physics() {
    return state().physics;
}

void physics_step(double dt) {
    if (!state().physics) return;
    for (Vessel& v : state().vessels)
        if (v.alive) fly_one(v, dt);
}

void autopilot_hold(VesselHandle vessel, Hold what, double target) {
    Vessel* v = find_vessel(vessel);
    if (!v) return;
    switch (what) {
        case Hold::pitch:
            v->autopilot.hold_pitch(target);
            break;
        case Hold::climb:
            v->autopilot.hold_climb(target);
            break;
        case Hold::bank:
            v->autopilot.hold_bank(target);
            break;
    }
}

void autopilot_off(VesselHandle vessel, bool pitch_axis, bool bank_axis) {
    Vessel* v = find_vessel(vessel);
    if (!v) return;
    if (pitch_axis) v->autopilot.pitch_off();
    if (bank_axis) v->autopilot.bank_off();
}

void set_brake(VesselHandle vessel, double level) {
    if (Vessel* v = find_vessel(vessel)) v->body.vessel.brake = level;
}

Flight flight_state(VesselHandle vessel) {
    Flight f{};
    const Vessel* v = find_vessel(vessel);
    if (!v) return f;
    const flight::Readings r = v->body.readings();
    auto get = [&](Reading q) { return v->readings[static_cast<int>(q)]; };
    f.airspeed = get(Reading::airspeed);
    f.altitude = get(Reading::altitude);
    f.pitch = get(Reading::pitch);
    f.bank = get(Reading::bank);
    f.aoa = get(Reading::aoa);
    f.ground = get(Reading::ground) != 0;
    f.fuel = get(Reading::fuel);
    f.thrust = get(Reading::thrust);
    for (const flight::Thruster& th : v->body.vessel.thrusters) f.thrust_max += th.max0;
    if (v->placed) {
        f.x = r.pos.x;
        f.z = r.pos.z;
        f.heading = r.heading;
        f.climb = r.vertical_speed;
        f.mass = r.mass;
    }
    for (const Light& l : v->lights) f.lights += l.spec->active ? 1 : 0;
    return f;
}

int animation_count(VesselHandle vessel) {
    const Vessel* v = find_vessel(vessel);
    return v ? static_cast<int>(v->animations.size()) : 0;
}

const double* animation_states(VesselHandle vessel) {
    const Vessel* v = find_vessel(vessel);
    return v && !v->animations.empty() ? v->animations.data() : nullptr;
}

}  // namespace impl
}  // namespace host
