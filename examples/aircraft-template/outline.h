// Starter as the world outside its code sees it: its animations in creation
// order, with the names vmhost's flight report gives their columns, and the
// limits of its flight envelope. The aircraft is built from these, and
// vmhost's aircraft table reads them, so the two cannot drift apart. Data
// alone: vmhost includes it without the SDK.
#pragma once

#include "keyed.h"

namespace starter {

// The animations, in creation order.
enum class Anim {
    elevator,
    rudder,
    aileron_left,
    aileron_right,
    airspeed,
    altimeter,
    heading,
};

inline constexpr kit::Named<Anim> kAnimationNames[] = {
    {Anim::elevator, "elevator"},         {Anim::rudder, "rudder"},
    {Anim::aileron_left, "aileron_left"}, {Anim::aileron_right, "aileron_right"},
    {Anim::airspeed, "airspeed"},         {Anim::altimeter, "altimeter"},
    {Anim::heading, "heading"},
};
static_assert(kit::one_row_per_key(kAnimationNames));

// At or beyond either limit the engine loses its thrust (systems.cpp).
inline constexpr double kMaxAirspeed = 90;    // m/s
inline constexpr double kMaxAltitude = 3000;  // m

}  // namespace starter
