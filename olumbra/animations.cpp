// The airliner's 21 animations and their 30 rotation components.
#include <cstddef>
#include <iterator>
#include <optional>

#include "airfoil.h"
#include "airliner.h"

namespace {

// Mesh indices of the vessel's mesh list.
constexpr unsigned kExterior = 0, kCockpit = 1, kAltimeter = 2, kAoaGauge = 3, kHeading = 4,
                   kAirspeed = 5, kBank = 6, kClock = 7;

// Group lists; the host keeps pointers to them.
unsigned grp_nose_wheels[] = {34, 35};
unsigned grp_left_wheels[] = {36, 37};
unsigned grp_right_wheels[] = {38, 39};
unsigned grp_nose_gear[] = {2, 3, 4, 5, 34, 35};
unsigned grp_left_gear[] = {6, 8, 16, 36, 37};
unsigned grp_right_gear[] = {7, 9, 17, 38, 39};
unsigned grp_left_nose_door[] = {14};
unsigned grp_right_nose_door[] = {15};
unsigned grp_rudder[] = {21};
unsigned grp_left_elevator[] = {42};
unsigned grp_right_elevator[] = {44};
unsigned grp_left_aileron[] = {45};
unsigned grp_right_yoke[] = {85};
unsigned grp_left_yoke[] = {84};
unsigned grp_right_aileron[] = {47};
unsigned grp_alt_needle[] = {1};
unsigned grp_alt_ones[] = {23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
unsigned grp_alt_tens[] = {13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
unsigned grp_alt_hundreds[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
unsigned grp_alt_thousands[] = {43, 44, 45, 46, 47, 48, 49, 50, 51, 52};
unsigned grp_alt_ten_thousands[] = {33, 34, 35, 36, 37, 38, 39, 40, 41, 42};
unsigned grp_aoa_needle[] = {1};
unsigned grp_heading_card[] = {0};
unsigned grp_gear_lever[] = {36, 37};
unsigned grp_throttle[] = {71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81};
unsigned grp_airspeed_needle[] = {0, 1};
unsigned grp_bank[] = {0, 2};
unsigned grp_clock_sec[] = {4};
unsigned grp_clock_min[] = {3};
unsigned grp_clock_hour[] = {1};

struct Groups {
    template <std::size_t N>
    constexpr Groups(unsigned (&g)[N]) : list(g), count(N) {}
    unsigned* list;
    unsigned count;
};

// One rotation: mesh, groups, reference point, axis (passed as written, not
// normalised), angle at full state in degrees, and the part of its
// animation's state range it runs over.
struct Component {
    unsigned mesh;
    Groups groups;
    VECTOR3 ref;
    VECTOR3 axis;
    double degrees;
    double state0 = 0.0;
    double state1 = 1.0;
};

// In the order they are added; each animation takes the next few.
const Component components[] = {
    // wheel roll: nose, left main, right main
    {kExterior, grp_nose_wheels, {0, -8.75159, 24.72268}, {1, 0, 0}, 360},
    {kExterior, grp_left_wheels, {0, -8.572901, 0.7586333}, {1, 0, 0}, 360},
    {kExterior, grp_right_wheels, {0, -8.572901, 0.7586333}, {1, 0, 0}, 360},
    // landing gear: the nose leg folds first, the main legs sideways, then the
    // nose doors close
    {kExterior, grp_nose_gear, {0, -7.800395, 24.72469}, {1, 0, 0}, -133, 0.0, 0.5},
    {kExterior, grp_left_gear, {-3.41229, -6.511377, 0.7596359}, {0, 0, 1}, 93, 0.0, 0.7},
    {kExterior, grp_right_gear, {3.41229, -6.511377, 0.7596359}, {0, 0, 1}, -93, 0.0, 0.7},
    {kExterior, grp_left_nose_door, {-0.4889475, -7.611049, 25.73539}, {0, 0, 1}, 90, 0.5, 1.0},
    {kExterior, grp_right_nose_door, {0.4889475, -7.611049, 25.73539}, {0, 0, 1}, -90, 0.5, 1.0},
    // rudder
    {kExterior, grp_rudder, {0, 2.610083, -26.2}, {0, 1, -0.4}, -22},
    // elevator halves, hinges swept back
    {kExterior, grp_left_elevator, {0, -3.2, -25.1}, {1, 0, 0.5}, 20},
    {kExterior, grp_right_elevator, {0, -3.2, -25.1}, {1, 0, -0.5}, 20},
    // left aileron with the two control yokes
    {kExterior, grp_left_aileron, {-5.145776, -5.145776, 0.7}, {1, 0, 0.4}, -30},
    {kCockpit, grp_right_yoke, {1.213466, -0.5639006, 0.4785985}, {0, 0, 1}, -88},
    {kCockpit, grp_left_yoke, {-1.213466, -0.5639006, 0.4785985}, {0, 0, 1}, -88},
    // right aileron
    {kExterior, grp_right_aileron, {5.145776, -5.145776, 0.7}, {1, 0, -0.4}, 30},
    // altimeter needle and drums, ones to ten-thousands
    {kAltimeter, grp_alt_needle, {0, 0, 0}, {0, 0, 1}, -360},
    {kAltimeter, grp_alt_ones, {0, 0.02137334, 0}, {1, 0, 0}, 360},
    {kAltimeter, grp_alt_tens, {0, 0.02137334, 0}, {1, 0, 0}, 360},
    {kAltimeter, grp_alt_hundreds, {0, 0.02137334, 0}, {1, 0, 0}, 360},
    {kAltimeter, grp_alt_thousands, {0, 0.02137334, 0.005}, {1, 0, 0}, 360},
    {kAltimeter, grp_alt_ten_thousands, {0, 0.02137334, 0.005}, {1, 0, 0}, 360},
    // angle of attack, heading card, gear lever, throttle levers
    {kAoaGauge, grp_aoa_needle, {0, 0, 0}, {0, 0, 1}, 311},
    {kHeading, grp_heading_card, {0, 0, 0}, {0, 0, 1}, 360},
    {kCockpit, grp_gear_lever, {0.5034694, -0.4391813, 1.040706}, {1, 0, 0}, 50},
    {kCockpit, grp_throttle, {0, -1.330189, 0.4853008}, {1, 0, 0}, 50},
    // airspeed, bank, clock hands fastest first
    {kAirspeed, grp_airspeed_needle, {0, 0, 0}, {0, 0, 1}, 360},
    {kBank, grp_bank, {0, 0, 0}, {0, 0, 1}, -360},
    {kClock, grp_clock_sec, {0, 0, 0}, {0, 0, 1}, -360},
    {kClock, grp_clock_min, {0, 0, 0}, {0, 0, 1}, -360},
    {kClock, grp_clock_hour, {0, 0, 0}, {0, 0, 1}, -360},
};
constexpr std::size_t kComponentCount = std::size(components);

// The transform records the host keeps: built on the first airliner, shared
// by every later one, kept until the plug-in is unloaded.
std::optional<RotationTransform> records[kComponentCount];

RotationTransform* record(std::size_t i) {
    if (!records[i]) {
        const Component& c = components[i];
        records[i].emplace(c.mesh, c.groups.list, c.groups.count, c.ref, c.axis,
                           static_cast<float>(c.degrees * airfoil::RAD));
    }
    return &*records[i];
}

}  // namespace

void Airliner::DefineAnimations() {
    struct Animation {
        unsigned* id;
        double initial_state;
        std::size_t component_count;
    };
    const Animation animations[] = {
        {&anim_wheels, 0.0, 3},       {&anim_gear, 0.0, 5},         {&anim_rudder, 0.5, 1},
        {&anim_elevator, 0.5, 2},     {&anim_laileron, 0.5, 3},     {&anim_raileron, 0.5, 1},
        {&anim_alt_needle, 0.0, 1},   {&anim_alt_digit[0], 0.0, 1}, {&anim_alt_digit[1], 0.0, 1},
        {&anim_alt_digit[2], 0.0, 1}, {&anim_alt_digit[3], 0.0, 1}, {&anim_alt_digit[4], 0.0, 1},
        {&anim_aoa, 0.0, 1},          {&anim_heading, 0.0, 1},      {&anim_gear_lever, 0.0, 1},
        {&anim_throttle, 0.0, 1},     {&anim_airspeed, 0.0, 1},     {&anim_bank, 0.5, 1},
        {&anim_clock_sec, 0.0, 1},    {&anim_clock_min, 0.0, 1},    {&anim_clock_hour, 0.0, 1},
    };
    std::size_t next = 0;
    for (const Animation& a : animations) {
        *a.id = CreateAnimation(a.initial_state);
        for (std::size_t i = next; i < next + a.component_count; ++i)
            AddAnimationComponent(*a.id, components[i].state0, components[i].state1, record(i));
        next += a.component_count;
    }
    static_assert(kComponentCount == 30);
}
