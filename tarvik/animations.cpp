// The light aircraft's 19 animations and their 31 components.
//
// The rows follow the aircraft's drawings: mesh indices as the class
// capabilities attach the meshes, group numbers within that mesh,
// coordinates in the mesh's own frame before its offset: the propeller and
// the horizon turn about their own origins.

#include <iterator>

#include "outline.h"
#include "tarvik.h"

namespace {

// Mesh indices of the vessel's mesh list.
constexpr unsigned kExterior = 0, kCockpit = 1, kPropeller = 2, kHorizon = 3, kYawIndicator = 4;

using enum tarvik::Anim;
using kit::groups;
using kit::rotate;
using kit::translate;

// Components in the order they are added.
constexpr kit::Component kComponents[] = {
    rotate(wheels, kExterior, groups(84), {0, -1.332981, 2.818237}, {1, 0, 0}, 360),  // nose wheel
    rotate(wheels, kExterior, groups(86), {0, -1.208927, 1.219066}, {1, 0, 0}, 360),  // main wheels
    rotate(wheels, kExterior, groups(88), {0, -1.208927, 1.219066}, {1, 0, 0}, 360),
    // rudder, the two pairs of pedals, yaw indicator
    rotate(rudder, kExterior, groups(68, 70, 75, 76, 77, 78, 80), {0, 0.1567707, -2.988608},
           {0, 1, -0.5}, -18),
    translate(rudder, kCockpit, groups(32, 34), {0, 0, -0.1}),
    translate(rudder, kCockpit, groups(33, 35), {0, 0, 0.1}),
    rotate(rudder, kYawIndicator, groups(1), {0, 0.1, 0}, {0, 0, 1}, 25),
    // elevator, both yokes push and pull
    rotate(elevator, kExterior, groups(62, 65), {0, 0.06041587, -3.038295}, {1, 0, 0}, 37),
    translate(elevator, kCockpit, groups(40, 41), {0, 0, -0.2}),
    // left aileron, left and right yoke turning; right aileron
    rotate(aileron_left, kExterior, groups(94), {-2.526375, 0.4686855, 0.5838653}, {1, 0, -0.1},
           -42),
    rotate(aileron_left, kCockpit, groups(40), {-0.4106644, -0.05138917, 0.3946063}, {0, 0, 1},
           -65),
    rotate(aileron_left, kCockpit, groups(41), {0.4429169, -0.0537275, 0.3946063}, {0, 0, 1}, -65),
    rotate(aileron_right, kExterior, groups(97), {2.526375, 0.4686855, 0.5838653}, {1, 0, 0.1}, 42),
    // propeller: part of the exterior mesh, the propeller mesh
    rotate(propeller, kExterior, groups(151), {0, -0.2983013, 3.624378}, {0, 0, 1}, 360),
    rotate(propeller, kPropeller, groups(0, 1, 2), {0, 0, 0}, {0, 0, 1}, 360),
    // left flap, flap lever, right flap
    rotate(flaps, kExterior, groups(93), {-0.5843681, 0.4266355, 0.589128}, {1, 0, 0}, -45),
    translate(flaps, kCockpit, groups(4), {0, -0.07, 0}),
    rotate(flaps, kExterior, groups(99), {0.5843681, 0.4266355, 0.589128}, {1, 0, 0}, -45),
    // cockpit instruments
    rotate(pitch_gauge, kCockpit, groups(61), {-0.2514253, 0.118319, 0}, {0, 0, 1}, -180),
    rotate(heading, kCockpit, groups(29), {-0.414103, 0.1191555, 0}, {0, 0, 1}, 360),
    translate(throttle, kCockpit, groups(59, 60), {0, 0, 0.07}),
    rotate(airspeed, kCockpit, groups(39), {-0.5840579, 0.2748638, 0}, {0, 0, 1}, 360),
    rotate(clock_seconds, kCockpit, groups(1), {-0.7193605, 0.2650245, 0}, {0, 0, 1}, -360),
    rotate(clock_minutes, kCockpit, groups(3), {-0.7193605, 0.2650245, 0}, {0, 0, 1}, -360),
    rotate(clock_hours, kCockpit, groups(2), {-0.7193605, 0.2650245, 0}, {0, 0, 1}, -360),
    rotate(fuel_gauge, kCockpit, groups(6), {-0.7825062, 0.1225076, 0}, {0, 0, 1}, 360),
    rotate(fuel_gauge, kCockpit, groups(7), {-0.7072387, 0.123645, 0}, {0, 0, 1}, 360),
    rotate(altimeter_100, kCockpit, groups(10), {-0.2561193, 0.2805377, 0}, {0, 0, 1}, -360),
    rotate(altimeter_1000, kCockpit, groups(8), {-0.2561193, 0.2805377, 0}, {0, 0, 1}, -360),
    // The artificial horizon: the pitch is each aircraft's own record, carried
    // along by the roll. Its animation is created before the roll's, but the
    // roll's component must exist first to become its parent.
    rotate(horizon_bank, kHorizon, groups(1), {0, 0, 0}, {0, 0, 1}, -360),
    rotate(horizon_pitch, kHorizon, groups(0), {0, 0, 0}, {1, 0, 0}, -360)
        .owned()
        .carried_by_previous(),
};

// The records of the shared components, built by the first light aircraft.
kit::SharedRecord shared_records[std::size(kComponents)];

// Where each animation's id goes, and its state before the first step.
using Row = kit::AnimationRow<LightAircraft, tarvik::Anim>;
constexpr Row kAnimations[] = {
    {wheels, kit::id<&LightAircraft::anim_wheels>, 0.0},
    {rudder, kit::id<&LightAircraft::anim_rudder>, 0.5},
    {elevator, kit::id<&LightAircraft::anim_elevator>, 0.5},
    {aileron_left, kit::id<&LightAircraft::anim_aileron_left>, 0.5},
    {aileron_right, kit::id<&LightAircraft::anim_aileron_right>, 0.5},
    {propeller, kit::id<&LightAircraft::anim_propeller>, 0.0},
    {flaps, kit::id<&LightAircraft::anim_flaps>, 0.5},
    {pitch_gauge, kit::id<&LightAircraft::anim_pitch_gauge>, 0.8},
    {heading, kit::id<&LightAircraft::anim_heading>, 0.0},
    {throttle, kit::id<&LightAircraft::anim_throttle>, 0.0},
    {airspeed, kit::id<&LightAircraft::anim_airspeed>, 0.0},
    {clock_seconds, kit::id<&LightAircraft::anim_clock_seconds>, 0.0},
    {clock_minutes, kit::id<&LightAircraft::anim_clock_minutes>, 0.0},
    {clock_hours, kit::id<&LightAircraft::anim_clock_hours>, 0.0},
    {fuel_gauge, kit::id<&LightAircraft::anim_fuel_gauge>, 0.0},
    {altimeter_100, kit::id<&LightAircraft::anim_altimeter_100>, 0.0},
    {altimeter_1000, kit::id<&LightAircraft::anim_altimeter_1000>, 0.0},
    {horizon_pitch, kit::id<&LightAircraft::anim_horizon_pitch>, 0.5},
    {horizon_bank, kit::id<&LightAircraft::anim_horizon_bank>, 0.5},
};
static_assert(kit::one_row_per_key(kAnimations, tarvik::kAnimationNames));

}  // namespace

void LightAircraft::DefineAnimations() {
    kit::OwnedRecord* const owned[] = {&horizon_pitch_rotation};
    kit::define_animations(*this, kAnimations, kComponents, shared_records, owned);
}
