// The starter's 7 animations and their components: the control surfaces on
// the exterior mesh, the instrument needles on the cockpit mesh. Group numbers
// and points are the meshes' own.

#include <iterator>

#include "outline.h"
#include "starter.h"

namespace {

// Mesh indices of the vessel's mesh list (configuration.cpp).
constexpr unsigned kExterior = 0, kCockpit = 1;

using enum starter::Anim;
using kit::groups;
using kit::rotate;

// Components in the order they are added.
constexpr kit::Component kComponents[] = {
    rotate(elevator, kExterior, groups(10), {0, 0.1, -4.2}, {1, 0, 0}, 30),
    rotate(rudder, kExterior, groups(11), {0, 0.6, -4.3}, {0, 1, 0}, -25),
    rotate(aileron_left, kExterior, groups(12), {-3, 0.1, -0.4}, {1, 0, 0}, -20),
    rotate(aileron_right, kExterior, groups(13), {3, 0.1, -0.4}, {1, 0, 0}, 20),
    rotate(airspeed, kCockpit, groups(1), {-0.2, 0.1, 0}, {0, 0, 1}, -300),
    rotate(altimeter, kCockpit, groups(2), {0, 0.1, 0}, {0, 0, 1}, -360),
    rotate(heading, kCockpit, groups(3), {0.2, 0.1, 0}, {0, 0, 1}, 360),
};

// The records of the components, built by the first starter and shared by
// every later one.
kit::SharedRecord shared_records[std::size(kComponents)];

// Where each animation's id goes, and its state before the first step.
using Row = kit::AnimationRow<Starter, starter::Anim>;
constexpr Row kAnimations[] = {
    {elevator, kit::id<&Starter::anim_elevator>, 0.5},
    {rudder, kit::id<&Starter::anim_rudder>, 0.5},
    {aileron_left, kit::id<&Starter::anim_aileron_left>, 0.5},
    {aileron_right, kit::id<&Starter::anim_aileron_right>, 0.5},
    {airspeed, kit::id<&Starter::anim_airspeed>, 0.0},
    {altimeter, kit::id<&Starter::anim_altimeter>, 0.0},
    {heading, kit::id<&Starter::anim_heading>, 0.0},
};
static_assert(kit::one_row_per_key(kAnimations, starter::kAnimationNames));

}  // namespace

void Starter::DefineAnimations() {
    kit::define_animations(*this, kAnimations, kComponents, shared_records);
}
