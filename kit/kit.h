// The aircraft kit: what an aircraft is assembled from, written once and fed
// with each aircraft's tables. An aircraft keeps its own data and calls these
// in its own order; the kit knows the SDK and nothing of any aircraft.
//
// Where each part lives:
//   setup.cpp       the one-time definition from tables: meshes loaded and
//                   attached, airframe, airfoils, main engine, lights, cockpit
//                   camera (control surfaces, creation and deletion of the
//                   vessel object are templates here)
//   animations.cpp  animations and their components from rows
//   systems.cpp     per-step systems: time-acceleration cap, flight envelope,
//                   ground steering, propeller, lights and cockpit by day or
//                   night
//   gauges.cpp      the clock, the heading indicator
//   keyed.h         tables keyed by an enumeration, checked to have one row
//                   per key in order (an aircraft's outline.h is such data)
// and here, inline: limits and needle scales, altimeter needles, wheel roll,
// parts that travel on command, two-way switches.
//
// Switches are doubles holding 0.0 or 1.0, and travel commands small ints, as
// the aircraft have always kept them: the trace shows them.
//
// Coefficient functions (CreateAirfoil) must give the same bits on every
// platform, or a flight traced on Linux and on Windows parts in the last
// digit and then for good: write them with + - * / and kit::math, never with
// the C library's sin, exp, pow and the like, whose last digit differs from
// one platform to the next.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <type_traits>

#include "keyed.h"
#include "portable_math.h"
#include "vmapi.h"

namespace kit {

// Elementary functions with the same bits everywhere (sin, cos, atan, atan2,
// asin, exp, log, pow), as the flight model uses them.
namespace math = flight::pmath;

// ---- Limits and needle scales (inline) ----

// x held within lo..hi. nan stays nan, and -0.0 stays -0.0 at a limit of 0.
inline double limit(double x, double lo, double hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}

// The scales multiply by a reciprocal rather than divide: the aircraft were
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

// A needle that stands at 0 at rest and rises to 1 at full scale.
inline double rising_needle(double value, double full_scale) {
    return limit(limit(value, 0, full_scale) * (1 / full_scale), 0, 1);
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

// Drag coefficients (forward, backward, lateral, vertical) and the main
// engine's maximum thrust, set together.
struct EnvelopeSetting {
    double forward, backward, lateral, vertical;
    double max_thrust;
};

// A stretch of a reading: from `from` (included) up to `below` (excluded). An
// end left open is no test at all, so a nan reading passes only a stretch
// open at both ends.
struct Stretch {
    std::optional<double> from, below;
};
inline bool within(const Stretch& s, double x) {
    return (!s.from || x >= *s.from) && (!s.below || x < *s.below);
}

// The flight envelope, which is the whole engine model: every rule whose
// airspeed and altitude stretches hold sets its setting, in row order, so a
// later rule overrides an earlier one within the step.
struct EnvelopeRule {
    Stretch airspeed;  // m/s
    Stretch altitude;  // m
    const EnvelopeSetting* setting;
};
void apply_flight_envelope(const VESSEL& v, ThrusterHandle engine,
                           std::span<const EnvelopeRule> rules);

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

// A propeller turning `turn` per step while the engine runs at `running_level`
// or more or the airflow above `windmilling` (m/s) drives it; its phase starts
// again once past 1. A stopped engine at rest parks it at 0 but keeps the
// phase, so a restart continues from there; an idling engine at rest leaves it
// where it stopped.
struct Propeller {
    double turn;
    double running_level;
    double windmilling;
};
void spin_propeller(const VESSEL& v, ThrusterHandle engine, unsigned anim, double& phase,
                    const Propeller& p);

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

// A light the host reads in place: the record and the two vectors it points
// to, kept together for as long as the library is loaded.
struct Light {
    BEACONLIGHTSPEC spec;
    VECTOR3 position;
    VECTOR3 colour;
};

// The lights switch: a pending change of `lights_on` (1.0 night, 0.0 day)
// switches every light and shows the night or day cockpit meshes, from mesh
// index `first_index` on.
void switch_lights(const VESSEL& v, double& request, double lights_on,
                   std::span<Light* const> lights, std::span<const CockpitMesh> cockpit,
                   unsigned first_index);

// ---- One-time definition ----

// Mesh files, loaded in table order (again at every construction).
struct MeshFile {
    const char* path;
    MeshHandle* handle;
};
void load_meshes(std::span<const MeshFile> files);

// A mesh attached to the vessel, at the next mesh index.
struct AttachedMesh {
    MeshHandle* mesh;
    const VECTOR3* offset;                     // null: at the vessel's origin
    std::optional<MeshVisibility> visibility;  // none: the host's default
};
void attach_meshes(const VESSEL& v, std::span<const AttachedMesh> meshes);
// The day version of each cockpit mesh, seen from the virtual cockpit only.
void attach_cockpit(const VESSEL& v, std::span<const CockpitMesh> meshes);

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
    LiftDirection direction;
    VECTOR3 reference;
    AirfoilCoefficientFunction coefficients;
    double chord, area, aspect;
};
void create_airfoils(const VESSEL& v, std::span<const Airfoil> airfoils);

// A control surface moving the aircraft's animation `anim`.
template <class Aircraft>
struct ControlSurface {
    SurfaceType type;
    double area;
    double lift_change;
    VECTOR3 reference;
    HingeAxis axis;
    unsigned Aircraft::*anim;
};
template <class Aircraft, std::size_t N>
void create_control_surfaces(const Aircraft& a, const ControlSurface<Aircraft> (&surfaces)[N]) {
    for (const ControlSurface<Aircraft>& s : surfaces)
        a.CreateControlSurface(s.type, s.area, s.lift_change, s.reference, s.axis, a.*s.anim);
}

// One main engine on a full tank of `tank_mass`, pushing forward from
// `position`, starting at `max_thrust` (0: no thrust until a flight envelope
// sets it).
struct Engine {
    double tank_mass;
    VECTOR3 position;
    double isp;
    double max_thrust = 0;
};
void create_main_engine(const VESSEL& v, const Engine& e, ThrusterHandle& thruster);

// How a light looks: shape, size, falloff, and its flash, `duration` seconds
// from `time_offset` in every `period`. A steady light is lit the whole period.
struct LightLook {
    LightShape shape;
    double size;
    double falloff;
    double period, duration, time_offset;
};
inline constexpr LightLook steady(LightShape shape, double size, double falloff) {
    return {shape, size, falloff, 1, 1, 0};
}

// Where a light sits and its colour.
struct LightRow {
    Light* light;
    VECTOR3 position;
    VECTOR3 colour;
};
// Fills every light of `rows` completely, switched off, and hands it to the
// host in row order.
void add_lights(VESSEL& v, std::span<const LightRow> rows, const LightLook& look);

// The virtual-cockpit camera: where it sits, looking ahead, and how far it
// turns to either side and up or down.
struct CockpitCamera {
    VECTOR3 offset;
    double side_degrees;
    double vertical_degrees;
};
void look_from(const VESSEL& v, const CockpitCamera& c);

// ---- Animations from rows (animations.cpp) ----

// A component's mesh groups. The host keeps a pointer to the list, so rows
// holding groups live as long as the library.
struct Groups {
    unsigned list[12];
    unsigned count;
};
template <class... G>
constexpr Groups groups(G... g) {
    return {{static_cast<unsigned>(g)...}, sizeof...(g)};
}
// The groups first to last, both included.
constexpr Groups group_range(unsigned first, unsigned last) {
    Groups g{};
    for (unsigned n = first; n <= last; ++n) g.list[g.count++] = n;
    return g;
}

// One moving part of an animation: which animation (an index into the
// aircraft's animation rows), which mesh and groups, how it moves (a
// rotation about `reference` and `vector` by `degrees`, or a translation by
// `vector`), and over which part of the animation's states 0..1.
struct Component {
    int animation;
    unsigned mesh;
    Groups groups;
    TransformKind kind;
    VECTOR3 reference;
    VECTOR3 vector;  // rotation: the axis as drawn (not normalised); translation: the shift
    double degrees;
    double state0 = 0, state1 = 1;
    bool own = false;                // a record of each vessel's own, not shared
    bool child_of_previous = false;  // carried along by the component of the row before

    // Row modifiers: `rotate(...).states(0, 0.5)`, `.owned().carried_by_previous()`.
    constexpr Component states(double from, double to) const {
        Component c = *this;
        c.state0 = from;
        c.state1 = to;
        return c;
    }
    constexpr Component owned() const {
        Component c = *this;
        c.own = true;
        return c;
    }
    constexpr Component carried_by_previous() const {
        Component c = *this;
        c.child_of_previous = true;
        return c;
    }
};
template <class Anim>
constexpr Component rotate(Anim animation, unsigned mesh, Groups g, VECTOR3 reference, VECTOR3 axis,
                           double degrees) {
    return {
        static_cast<int>(animation), mesh, g, TransformKind::rotation, reference, axis, degrees};
}
template <class Anim>
constexpr Component translate(Anim animation, unsigned mesh, Groups g, VECTOR3 shift) {
    return {static_cast<int>(animation), mesh, g, TransformKind::translation, {0, 0, 0}, shift, 0};
}

// An animation of the aircraft in creation order: where its id goes, and its
// state before the first step.
struct Animation {
    unsigned* id;
    double initial_state;
};

// Where an aircraft keeps an animation's id: its member `member`, or element
// `index` of it where the member is an array. kit::id<&Airliner::anim_gear>.
template <class Member>
struct member_of;
template <class Aircraft, class T>
struct member_of<T Aircraft::*> {
    using aircraft = Aircraft;
};
template <auto member, std::size_t index = 0>
unsigned* id(typename member_of<decltype(member)>::aircraft& a) {
    if constexpr (std::is_array_v<std::remove_reference_t<decltype(a.*member)>>) {
        return &(a.*member)[index];
    } else {
        static_assert(index == 0, "an index needs an array member");
        return &(a.*member);
    }
}

// An animation as a row of the aircraft's table: its key (the enumeration of
// its outline, whose order is the order of creation), where its id goes, and
// its state before the first step.
template <class Aircraft, class Key>
struct AnimationRow {
    Key key;
    unsigned* (*id)(Aircraft&);
    double initial_state;
};

// The record of a component shared by every vessel of the library: built the
// first time a vessel needs it, then kept unchanged while the library lives.
struct SharedRecord {
    std::optional<RotationTransform> rotation;
    std::optional<TranslationTransform> translation;
};

// A record one vessel owns, freed with it.
using OwnedRecord = std::unique_ptr<MGROUP_TRANSFORM>;

// Creates the animations in row order and adds the components in row order,
// each as soon as its animation exists, with the shared record of its row
// (`shared` holds one per row) or a record of this vessel's own, allocated
// just before its animation is created and handed back through `owned` (one
// slot per owned row, in row order). False when an owned record could not be
// allocated: its component is left out.
bool define_animations(VESSEL& v, std::span<const Animation> animations,
                       std::span<const Component> components, std::span<SharedRecord> shared,
                       std::span<OwnedRecord* const> owned);

// The same from the aircraft's table of animations, one row per key in key
// order (kit::one_row_per_key checks that where the table is written).
template <class Aircraft, class Key, std::size_t N>
bool define_animations(Aircraft& a, const AnimationRow<Aircraft, Key> (&rows)[N],
                       std::span<const Component> components, std::span<SharedRecord> shared,
                       std::span<OwnedRecord* const> owned = {}) {
    Animation animations[N];
    for (std::size_t i = 0; i < N; ++i) animations[i] = {rows[i].id(a), rows[i].initial_state};
    return define_animations(a, animations, components, shared, owned);
}

// ---- Creation and deletion of the vessel object ----

// The frame's create_vessel for `Aircraft`: the new object, or null when it
// could not be allocated or, for an aircraft with `bool whole() const`, did
// not get everything it allocates for itself.
template <class Aircraft>
VESSEL* create_vessel(VesselHandle vessel, int flight_model) {
    auto* aircraft = new (std::nothrow) Aircraft(vessel, flight_model);
    if constexpr (requires { aircraft->whole(); }) {
        if (aircraft && !aircraft->whole()) {
            delete aircraft;
            return nullptr;
        }
    }
    return aircraft;
}

// The frame's destroy_vessel: what the object owns goes with it.
template <class Aircraft>
void destroy_vessel(VESSEL* vessel) {
    delete static_cast<Aircraft*>(vessel);
}

}  // namespace kit
