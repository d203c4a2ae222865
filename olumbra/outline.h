// Olumbra as the world outside its code sees it: its animations in creation
// order, with the names vmhost's flight report gives their columns, and the
// limits of its flight envelope. The aircraft is built from these, and
// vmhost's aircraft table reads them, so the two cannot drift apart. Data
// alone: vmhost includes it without the SDK.
#pragma once

#include "keyed.h"

namespace olumbra {

// The animations, in creation order.
enum class Anim {
    wheels,
    gear,
    rudder,
    elevator,
    laileron,
    raileron,
    alt_needle,
    alt_ones,
    alt_tens,
    alt_hundreds,
    alt_thousands,
    alt_ten_thousands,
    aoa,
    heading,
    gear_lever,
    throttle,
    airspeed,
    bank,
    clock_sec,
    clock_min,
    clock_hour,
};

inline constexpr kit::Named<Anim> kAnimationNames[] = {
    {Anim::wheels, "wheels"},
    {Anim::gear, "gear"},
    {Anim::rudder, "rudder"},
    {Anim::elevator, "elevator"},
    {Anim::laileron, "aileron_left"},
    {Anim::raileron, "aileron_right"},
    {Anim::alt_needle, "alt_needle"},
    {Anim::alt_ones, "alt_digit_1"},
    {Anim::alt_tens, "alt_digit_10"},
    {Anim::alt_hundreds, "alt_digit_100"},
    {Anim::alt_thousands, "alt_digit_1000"},
    {Anim::alt_ten_thousands, "alt_digit_10000"},
    {Anim::aoa, "aoa"},
    {Anim::heading, "heading"},
    {Anim::gear_lever, "gear_lever"},
    {Anim::throttle, "throttle"},
    {Anim::airspeed, "airspeed"},
    {Anim::bank, "bank"},
    {Anim::clock_sec, "clock_sec"},
    {Anim::clock_min, "clock_min"},
    {Anim::clock_hour, "clock_hour"},
};
static_assert(kit::one_row_per_key(kAnimationNames));

// The flight envelope's bands (systems.cpp): reduced thrust from the first
// limits, none from the second.
inline constexpr double kReducedAirspeed = 200.0, kCutAirspeed = 230.0;      // m/s
inline constexpr double kReducedAltitude = 17000.0, kCutAltitude = 20000.0;  // m

}  // namespace olumbra
