// The airliner's 21 animations and their 30 components, all rotations.
//
// The rows follow the aircraft's drawings: mesh indices as the class
// capabilities attach the meshes, group numbers within that mesh (the day and
// night versions of a cockpit mesh number them alike), coordinates in the
// mesh's own frame before its offset.

#include <iterator>

#include "olumbra.h"
#include "outline.h"

namespace {

// Mesh indices of the vessel's mesh list.
constexpr unsigned kExterior = 0, kCockpit = 1, kAltimeter = 2, kAoaGauge = 3, kHeading = 4,
                   kAirspeed = 5, kBank = 6, kClock = 7;

using enum olumbra::Anim;
using kit::group_range;
using kit::groups;
using kit::rotate;

// Components in the order they are added.
constexpr kit::Component kComponents[] = {
    // wheel roll: nose, left main, right main
    rotate(wheels, kExterior, groups(34, 35), {0, -8.75159, 24.72268}, {1, 0, 0}, 360),
    rotate(wheels, kExterior, groups(36, 37), {0, -8.572901, 0.7586333}, {1, 0, 0}, 360),
    rotate(wheels, kExterior, groups(38, 39), {0, -8.572901, 0.7586333}, {1, 0, 0}, 360),
    // landing gear: the nose leg folds first, the main legs sideways, then the
    // nose doors close
    rotate(gear, kExterior, groups(2, 3, 4, 5, 34, 35), {0, -7.800395, 24.72469}, {1, 0, 0}, -133)
        .states(0.0, 0.5),
    rotate(gear, kExterior, groups(6, 8, 16, 36, 37), {-3.41229, -6.511377, 0.7596359}, {0, 0, 1},
           93)
        .states(0.0, 0.7),
    rotate(gear, kExterior, groups(7, 9, 17, 38, 39), {3.41229, -6.511377, 0.7596359}, {0, 0, 1},
           -93)
        .states(0.0, 0.7),
    rotate(gear, kExterior, groups(14), {-0.4889475, -7.611049, 25.73539}, {0, 0, 1}, 90)
        .states(0.5, 1.0),
    rotate(gear, kExterior, groups(15), {0.4889475, -7.611049, 25.73539}, {0, 0, 1}, -90)
        .states(0.5, 1.0),
    rotate(rudder, kExterior, groups(21), {0, 2.610083, -26.2}, {0, 1, -0.4}, -22),
    // elevator halves, hinges swept back
    rotate(elevator, kExterior, groups(42), {0, -3.2, -25.1}, {1, 0, 0.5}, 20),
    rotate(elevator, kExterior, groups(44), {0, -3.2, -25.1}, {1, 0, -0.5}, 20),
    // left aileron with the right-seat and left-seat control yokes; right aileron
    rotate(laileron, kExterior, groups(45), {-5.145776, -5.145776, 0.7}, {1, 0, 0.4}, -30),
    rotate(laileron, kCockpit, groups(85), {1.213466, -0.5639006, 0.4785985}, {0, 0, 1}, -88),
    rotate(laileron, kCockpit, groups(84), {-1.213466, -0.5639006, 0.4785985}, {0, 0, 1}, -88),
    rotate(raileron, kExterior, groups(47), {5.145776, -5.145776, 0.7}, {1, 0, -0.4}, 30),
    // altimeter needle and drums, ones to ten-thousands, ten groups a drum
    rotate(alt_needle, kAltimeter, groups(1), {0, 0, 0}, {0, 0, 1}, -360),
    rotate(alt_ones, kAltimeter, group_range(23, 32), {0, 0.02137334, 0}, {1, 0, 0}, 360),
    rotate(alt_tens, kAltimeter, group_range(13, 22), {0, 0.02137334, 0}, {1, 0, 0}, 360),
    rotate(alt_hundreds, kAltimeter, group_range(3, 12), {0, 0.02137334, 0}, {1, 0, 0}, 360),
    rotate(alt_thousands, kAltimeter, group_range(43, 52), {0, 0.02137334, 0.005}, {1, 0, 0}, 360),
    rotate(alt_ten_thousands, kAltimeter, group_range(33, 42), {0, 0.02137334, 0.005}, {1, 0, 0},
           360),
    // angle of attack, heading card, gear lever, throttle levers
    rotate(aoa, kAoaGauge, groups(1), {0, 0, 0}, {0, 0, 1}, 311),
    rotate(heading, kHeading, groups(0), {0, 0, 0}, {0, 0, 1}, 360),
    rotate(gear_lever, kCockpit, groups(36, 37), {0.5034694, -0.4391813, 1.040706}, {1, 0, 0}, 50),
    rotate(throttle, kCockpit, group_range(71, 81), {0, -1.330189, 0.4853008}, {1, 0, 0}, 50),
    // airspeed, bank, clock hands fastest first
    rotate(airspeed, kAirspeed, groups(0, 1), {0, 0, 0}, {0, 0, 1}, 360),
    rotate(bank, kBank, groups(0, 2), {0, 0, 0}, {0, 0, 1}, -360),
    rotate(clock_sec, kClock, groups(4), {0, 0, 0}, {0, 0, 1}, -360),
    rotate(clock_min, kClock, groups(3), {0, 0, 0}, {0, 0, 1}, -360),
    rotate(clock_hour, kClock, groups(1), {0, 0, 0}, {0, 0, 1}, -360),
};

// The transform records, built by the first airliner and shared by every
// later one.
kit::SharedRecord shared_records[std::size(kComponents)];

// Where each animation's id goes, and its state before the first step.
using Row = kit::AnimationRow<Airliner, olumbra::Anim>;
constexpr Row kAnimations[] = {
    {wheels, kit::id<&Airliner::anim_wheels>, 0.0},
    {gear, kit::id<&Airliner::anim_gear>, 0.0},
    {rudder, kit::id<&Airliner::anim_rudder>, 0.5},
    {elevator, kit::id<&Airliner::anim_elevator>, 0.5},
    {laileron, kit::id<&Airliner::anim_laileron>, 0.5},
    {raileron, kit::id<&Airliner::anim_raileron>, 0.5},
    {alt_needle, kit::id<&Airliner::anim_alt_needle>, 0.0},
    {alt_ones, kit::id<&Airliner::anim_alt_digit, 0>, 0.0},
    {alt_tens, kit::id<&Airliner::anim_alt_digit, 1>, 0.0},
    {alt_hundreds, kit::id<&Airliner::anim_alt_digit, 2>, 0.0},
    {alt_thousands, kit::id<&Airliner::anim_alt_digit, 3>, 0.0},
    {alt_ten_thousands, kit::id<&Airliner::anim_alt_digit, 4>, 0.0},
    {aoa, kit::id<&Airliner::anim_aoa>, 0.0},
    {heading, kit::id<&Airliner::anim_heading>, 0.0},
    {gear_lever, kit::id<&Airliner::anim_gear_lever>, 0.0},
    {throttle, kit::id<&Airliner::anim_throttle>, 0.0},
    {airspeed, kit::id<&Airliner::anim_airspeed>, 0.0},
    {bank, kit::id<&Airliner::anim_bank>, 0.5},
    {clock_sec, kit::id<&Airliner::anim_clock_sec>, 0.0},
    {clock_min, kit::id<&Airliner::anim_clock_min>, 0.0},
    {clock_hour, kit::id<&Airliner::anim_clock_hour>, 0.0},
};
static_assert(kit::one_row_per_key(kAnimations, olumbra::kAnimationNames));

}  // namespace

void Airliner::DefineAnimations() {
    kit::define_animations(*this, kAnimations, kComponents, shared_records);
}
