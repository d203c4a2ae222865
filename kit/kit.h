// The aircraft kit: what both aircraft do alike, written once, with each
// aircraft's numbers passed in. An aircraft keeps its own data and calls these
// in its own order; the kit knows the SDK and nothing of either aircraft.
//
// Where each part lives:
//   setup.cpp    the one-time definition from tables: meshes loaded, airframe,
//                airfoils, main engine, lights, cockpit camera (control
//                surfaces are a template here)
//   systems.cpp  per-step systems: time-acceleration cap, ground steering,
//                cockpit meshes by day or night
//   gauges.cpp   the clock, the heading indicator
// and here, inline: limits and needle scales, altimeter needles, wheel roll,
// parts that travel on command, two-way switches.
//
// Switches are doubles holding 0.0 or 1.0, and travel commands small ints, as
// the aircraft have always kept them: the trace shows them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>

#include "vmapi.h"

namespace kit {

// ---- Limits and needle scales (inline) ----

// x held within lo..hi. nan stays nan, and -0.0 stays -0.0 at a limit of 0.
inline double limit(double x, double lo, double hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}

// Both scales multiply by a reciprocal rather than divide: the aircraft were
// written with the reciprocals as constants (1/6, 1/220...), and the product
// with the rounded reciprocal can differ from the quotient in the last bit.

// A gauge centred on 0: 0.5 at 0, the ends of its scale at -range and +range.
inline double centred_gauge(double value, double range) {
    return limit((value + range) * (0.5 / range), 0, 1);
}

// A needle that stands at 1 at rest and falls to 0 at full scale.
inline double falling_needle(double value, double full_scale) {
    return limit((full_scale - limit(value, 0, full_scale)) * (1 / full_scale), 0, 1);
}

// ---- Instruments ----

// An altimeter needle showing its turns of altitude (altitude x
// turns_per_metre) beyond the whole turns counted so far. The counter follows
// by at most one turn per step and never goes below 0, so after a fast climb
// the needle runs past a full turn until the counter has caught up.
inline double altimeter_needle(double altitude, double turns_per_metre, double& turns) {
    const double state = altitude * turns_per_metre - turns;
    if (state >= 1) turns += 1;
    if (state <= 0) turns = std::max(turns - 1, 0.0);
    return state;
}

// The three-hand cockpit clock: the fastest hand turns once in 5000 steps at
// time acceleration 1, and each full turn carries 0.016666666 to the next
// hand. The hands advance per step, so the clock runs with the frame rate.
struct Clock {
    // Advances the hands by one step at time acceleration `warp`.
    void advance(double warp);

    double seconds = 0.0;
    double minutes = 0.0;
    double hours = 0.0;
};

// Animation ids of a clock's hands, fastest first.
struct ClockHands {
    unsigned seconds, minutes, hours;
};

// Advances `clock` by one step at the host's time acceleration and shows it.
void run_clock(const VESSEL& v, Clock& clock, const ClockHands& hands);

// The heading indicator shows the heading of the vessel with the input focus;
// when the host has none to give, `heading` keeps the last one.
void show_focus_heading(const VESSEL& v, unsigned anim, double& heading);

// ---- Per-step systems ----

// Asks the host to come down to `max_warp` when it runs faster.
void cap_time_acceleration(double max_warp);

// Rudder steering on the ground: a turning moment from two opposite side
// forces, `gain` newtons per m/s of airspeed and unit of rudder level, `arm`
// metres ahead of and behind the centre. Nothing above `max_warp`.
struct GroundSteering {
    double gain;
    double arm;
};
void steer_on_ground(const VESSEL& v, const GroundSteering& s, double max_warp);

// The wheels' roll phase: it runs on whenever the aircraft moves (in the air
// too) by `per_metre` for each m/s up to `top_speed`, and starts again once
// it has passed 1. True when it ran this step.
struct WheelRoll {
    double top_speed;
    double per_metre;
};
inline bool roll_wheels(double& phase, double airspeed, const WheelRoll& w) {
    if (phase > 1) phase = 0;
    if (!(airspeed > 0)) return false;
    phase += std::min(airspeed, w.top_speed) * w.per_metre;
    return true;
}

// A part that travels between 0 and 1 on command: 0 idle, 1 towards 1, any
// other value towards 0; the command returns to idle at the end stop.
// True when the part moved.
inline bool travel(int& command, double& pos, double per_step) {
    if (command == 0) return false;
    if (command == 1) {
        pos += per_step;
        if (pos > 1) {
            pos = 1;
            command = 0;
        }
    } else {
        pos -= per_step;
        if (pos < 0) {
            pos = 0;
            command = 0;
        }
    }
    return true;
}

// The command that sends a part to its other end: a part moving is reversed
// only once it is past half-way.
inline int command_towards_other_end(double pos) {
    return pos > 0.5 ? 2 : 1;
}

// Flips a two-way switch; false, leaving it alone, when it holds neither 0.0
// nor 1.0.
inline bool flip(double& sw) {
    if (sw == 0.0) {
        sw = 1.0;
    } else if (sw == 1.0) {
        sw = 0.0;
    } else {
        return false;
    }
    return true;
}

// Takes a pending change (`request` 1.0) of a two-way switch: true, and the
// request cleared, when there is one and the switch holds 0.0 or 1.0.
inline bool take_request(double& request, double sw) {
    if (request != 1.0 || (sw != 1.0 && sw != 0.0)) return false;
    request = 0.0;
    return true;
}

// A cockpit mesh with its night version, at the same index and offset.
struct CockpitMesh {
    MeshHandle* day;
    MeshHandle* night;
    VECTOR3 offset;
};

// Puts the day or night version of every cockpit mesh in place, at mesh
// indices from `first_index` on, seen from the virtual cockpit only.
void show_cockpit(const VESSEL& v, std::span<const CockpitMesh> meshes, unsigned first_index,
                  bool night);

// ---- One-time definition ----

// Mesh files, loaded in table order (again at every construction).
struct MeshFile {
    const char* path;
    MeshHandle* handle;
};
void load_meshes(std::span<const MeshFile> files);

// Shape, mass, drag and handling numbers, set in this order.
struct Airframe {
    double size;
    double empty_mass;
    double cw[4];  // drag coefficients until the first step's flight envelope
    double wing_aspect;
    double wing_effectiveness;
    VECTOR3 cross_sections;
    VECTOR3 rot_drag;
    double moment_scale;  // pitch and bank, in flight models 1 and up
    VECTOR3 pmi;
    double trim_scale;
    VECTOR3 camera;  // the generic cockpit camera
    VECTOR3 touchdown[3];
};
void define_airframe(const VESSEL& v, const Airframe& a);

struct Airfoil {
    LiftDirection align;
    VECTOR3 ref;
    AirfoilCoefficientFunction coefficients;
    double chord, area, aspect;
};
void create_airfoils(const VESSEL& v, std::span<const Airfoil> airfoils);

// A control surface moving the aircraft's animation `anim`.
template <class Aircraft>
struct ControlSurface {
    SurfaceType type;
    double area;
    double dCl;
    VECTOR3 ref;
    HingeAxis axis;
    unsigned Aircraft::*anim;
};
template <class Aircraft, std::size_t N>
void create_control_surfaces(const Aircraft& a, const ControlSurface<Aircraft> (&surfaces)[N]) {
    for (const ControlSurface<Aircraft>& s : surfaces)
        a.CreateControlSurface(s.type, s.area, s.dCl, s.ref, s.axis, a.*s.anim);
}

// One main engine on a full tank of `tank_mass`, pushing forward from
// `position`. Its maximum thrust is 0 until the first step's flight envelope
// sets it.
struct Engine {
    double tank_mass;
    VECTOR3 position;
    double isp;
};
void create_main_engine(const VESSEL& v, const Engine& e, ThrusterHandle& thruster);

// Fills `light` as a flashing star at `pos` in colour `col`, switched off, and
// hands it to the host, which reads it and both vectors in place from then on.
void add_light(VESSEL& v, BEACONLIGHTSPEC& light, VECTOR3* pos, VECTOR3* col);

// The virtual-cockpit camera: where it sits, looking ahead, and how far it
// turns to either side and up or down.
struct CockpitCamera {
    VECTOR3 offset;
    double side_degrees;
    double vertical_degrees;
};
void look_from(const VESSEL& v, const CockpitCamera& c);

}  // namespace kit
