// The light aircraft's 19 animations and their 31 components.
//
// The tables follow the aircraft's drawings: mesh indices as the class
// capabilities attach the meshes (0 exterior, 1 cockpit, 2 propeller,
// 3 artificial horizon, 4 yaw indicator), group numbers within that mesh,
// coordinates in the mesh's own frame before its offset.

#include <new>
#include <optional>

#include "airfoil.h"
#include "light_aircraft.h"

namespace {

enum class Kind { rotation, translation };

struct Groups {
    unsigned list[7];
    unsigned count;
};

template <typename... G>
constexpr Groups groups(G... g) {
    return {{static_cast<unsigned>(g)...}, sizeof...(g)};
}

struct Component {
    Kind kind;
    unsigned mesh;
    Groups groups;
    VECTOR3 ref;     // rotation: a point on the axis
    VECTOR3 vector;  // rotation: the axis, as drawn (not normalised); translation: the shift
    double degrees;  // rotation: the turn at full state
};

constexpr Component rot(unsigned mesh, Groups g, VECTOR3 ref, VECTOR3 axis, double degrees) {
    return {Kind::rotation, mesh, g, ref, axis, degrees};
}

constexpr Component shift(unsigned mesh, Groups g, VECTOR3 by) {
    return {Kind::translation, mesh, g, {0, 0, 0}, by, 0};
}

// Components, numbered from 1 in the order they are added.
const Component components[] = {
    // 1-3 wheels: nose wheel, the two main wheels
    rot(0, groups(84), {0, -1.332981, 2.818237}, {1, 0, 0}, 360),
    rot(0, groups(86), {0, -1.208927, 1.219066}, {1, 0, 0}, 360),
    rot(0, groups(88), {0, -1.208927, 1.219066}, {1, 0, 0}, 360),
    // 4-7 rudder: rudder, the two pairs of pedals, yaw indicator
    rot(0, groups(68, 70, 75, 76, 77, 78, 80), {0, 0.1567707, -2.988608}, {0, 1, -0.5}, -18),
    shift(1, groups(32, 34), {0, 0, -0.1}),
    shift(1, groups(33, 35), {0, 0, 0.1}),
    rot(4, groups(1), {0, 0.1, 0}, {0, 0, 1}, 25),
    // 8-9 elevator: elevator, both yokes push and pull
    rot(0, groups(62, 65), {0, 0.06041587, -3.038295}, {1, 0, 0}, 37),
    shift(1, groups(40, 41), {0, 0, -0.2}),
    // 10-12 left aileron: aileron, left and right yoke turning
    rot(0, groups(94), {-2.526375, 0.4686855, 0.5838653}, {1, 0, -0.1}, -42),
    rot(1, groups(40), {-0.4106644, -0.05138917, 0.3946063}, {0, 0, 1}, -65),
    rot(1, groups(41), {0.4429169, -0.0537275, 0.3946063}, {0, 0, 1}, -65),
    // 13 right aileron
    rot(0, groups(97), {2.526375, 0.4686855, 0.5838653}, {1, 0, 0.1}, 42),
    // 14-15 propeller: part of the exterior mesh, the propeller mesh
    rot(0, groups(151), {0, -0.2983013, 3.624378}, {0, 0, 1}, 360),
    rot(2, groups(0, 1, 2), {0, 0, 0}, {0, 0, 1}, 360),
    // 16-18 flaps: left flap, flap lever, right flap
    rot(0, groups(93), {-0.5843681, 0.4266355, 0.589128}, {1, 0, 0}, -45),
    shift(1, groups(4), {0, -0.07, 0}),
    rot(0, groups(99), {0.5843681, 0.4266355, 0.589128}, {1, 0, 0}, -45),
    // 19-29 cockpit instruments
    rot(1, groups(61), {-0.2514253, 0.118319, 0}, {0, 0, 1}, -180),   // pitch gauge
    rot(1, groups(29), {-0.414103, 0.1191555, 0}, {0, 0, 1}, 360),    // heading card
    shift(1, groups(59, 60), {0, 0, 0.07}),                           // throttle lever
    rot(1, groups(39), {-0.5840579, 0.2748638, 0}, {0, 0, 1}, 360),   // airspeed
    rot(1, groups(1), {-0.7193605, 0.2650245, 0}, {0, 0, 1}, -360),   // clock, fastest hand
    rot(1, groups(3), {-0.7193605, 0.2650245, 0}, {0, 0, 1}, -360),   // clock, middle hand
    rot(1, groups(2), {-0.7193605, 0.2650245, 0}, {0, 0, 1}, -360),   // clock, slowest hand
    rot(1, groups(6), {-0.7825062, 0.1225076, 0}, {0, 0, 1}, 360),    // first fuel needle
    rot(1, groups(7), {-0.7072387, 0.123645, 0}, {0, 0, 1}, 360),     // second fuel needle
    rot(1, groups(10), {-0.2561193, 0.2805377, 0}, {0, 0, 1}, -360),  // altimeter, 100 m
    rot(1, groups(8), {-0.2561193, 0.2805377, 0}, {0, 0, 1}, -360),   // altimeter, 1000 m
    // 30-31 artificial horizon: roll, and pitch carried along by the roll
    rot(3, groups(1), {0, 0, 0}, {0, 0, 1}, -360),
    rot(3, groups(0), {0, 0, 0}, {1, 0, 0}, -360),
};
constexpr int kComponents = sizeof components / sizeof components[0];
constexpr int kHorizonBank = 30;
constexpr int kHorizonPitch = 31;
static_assert(kComponents == kHorizonPitch);

// Animations 1-17 in creation order, each with its components (first..last).
// The horizon's two animations follow separately: their components form a
// hierarchy.
struct Animation {
    unsigned LightAircraft::*id;
    double initial_state;
    int first, last;
};
const Animation animations[] = {
    {&LightAircraft::anim_wheels, 0.0, 1, 3},
    {&LightAircraft::anim_rudder, 0.5, 4, 7},
    {&LightAircraft::anim_elevator, 0.5, 8, 9},
    {&LightAircraft::anim_aileron_left, 0.5, 10, 12},
    {&LightAircraft::anim_aileron_right, 0.5, 13, 13},
    {&LightAircraft::anim_propeller, 0.0, 14, 15},
    {&LightAircraft::anim_flaps, 0.5, 16, 18},
    {&LightAircraft::anim_pitch_gauge, 0.8, 19, 19},
    {&LightAircraft::anim_heading, 0.0, 20, 20},
    {&LightAircraft::anim_throttle, 0.0, 21, 21},
    {&LightAircraft::anim_airspeed, 0.0, 22, 22},
    {&LightAircraft::anim_clock_seconds, 0.0, 23, 23},
    {&LightAircraft::anim_clock_minutes, 0.0, 24, 24},
    {&LightAircraft::anim_clock_hours, 0.0, 25, 25},
    {&LightAircraft::anim_fuel_gauge, 0.0, 26, 27},
    {&LightAircraft::anim_altimeter_100, 0.0, 28, 28},
    {&LightAircraft::anim_altimeter_1000, 0.0, 29, 29},
};
constexpr double kHorizonInitialState = 0.5;

// The host keeps the group list pointer but only reads through it.
unsigned* group_list(const Component& c) {
    return const_cast<unsigned*>(c.groups.list);
}

float angle(const Component& c) {
    return static_cast<float>(c.degrees * airfoil::RAD);
}

// The records of components 1-30, shared by every light aircraft. Each is
// built the first time an aircraft needs it and lives as long as the library.
std::optional<RotationTransform> shared_rotations[kComponents];
std::optional<TranslationTransform> shared_translations[kComponents];

MGROUP_TRANSFORM* shared_record(int number) {
    const Component& c = components[number - 1];
    if (c.kind == Kind::translation) {
        auto& record = shared_translations[number - 1];
        if (!record) record.emplace(c.mesh, group_list(c), c.groups.count, c.vector);
        return &*record;
    }
    auto& record = shared_rotations[number - 1];
    if (!record) record.emplace(c.mesh, group_list(c), c.groups.count, c.ref, c.vector, angle(c));
    return &*record;
}

}  // namespace

void LightAircraft::DefineAnimations() {
    for (const Animation& a : animations) {
        this->*a.id = CreateAnimation(a.initial_state);
        for (int n = a.first; n <= a.last; ++n) {
            AddAnimationComponent(this->*a.id, 0, 1, shared_record(n));
        }
    }

    // The pitch rotation is this aircraft's own record. Its animation is
    // created before the bank's, but the bank component must exist first to
    // become the pitch component's parent.
    MGROUP_TRANSFORM* bank = shared_record(kHorizonBank);
    const Component& pitch = components[kHorizonPitch - 1];
    horizon_pitch_rotation = new (std::nothrow) RotationTransform(
        pitch.mesh, group_list(pitch), pitch.groups.count, pitch.ref, pitch.vector, angle(pitch));
    anim_horizon_pitch = CreateAnimation(kHorizonInitialState);
    anim_horizon_bank = CreateAnimation(kHorizonInitialState);
    ComponentHandle bank_component = AddAnimationComponent(anim_horizon_bank, 0, 1, bank);
    if (horizon_pitch_rotation) {
        AddAnimationComponent(anim_horizon_pitch, 0, 1, horizon_pitch_rotation, bank_component);
    }
}
