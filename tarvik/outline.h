// Tarvik as the world outside its code sees it: its animations in creation
// order, with the names vmhost's flight report gives their columns, and the
// limits of its flight envelope. The aircraft is built from these, and
// vmhost's aircraft table reads them, so the two cannot drift apart. Data
// alone: vmhost includes it without the SDK.
#pragma once

#include "keyed.h"

namespace tarvik {

// The animations, in creation order.
enum class Anim {
    wheels,
    rudder,
    elevator,
    aileron_left,
    aileron_right,
    propeller,
    flaps,
    pitch_gauge,
    heading,
    throttle,
    airspeed,
    clock_seconds,
    clock_minutes,
    clock_hours,
    fuel_gauge,
    altimeter_100,
    altimeter_1000,
    horizon_pitch,
    horizon_bank,
};

inline constexpr kit::Named<Anim> kAnimationNames[] = {
    {Anim::wheels, "wheels"},
    {Anim::rudder, "rudder"},
    {Anim::elevator, "elevator"},
    {Anim::aileron_left, "aileron_left"},
    {Anim::aileron_right, "aileron_right"},
    {Anim::propeller, "propeller"},
    {Anim::flaps, "flaps"},
    {Anim::pitch_gauge, "pitch_gauge"},
    {Anim::heading, "heading"},
    {Anim::throttle, "throttle"},
    {Anim::airspeed, "airspeed"},
    {Anim::clock_seconds, "clock_seconds"},
    {Anim::clock_minutes, "clock_minutes"},
    {Anim::clock_hours, "clock_hours"},
    {Anim::fuel_gauge, "fuel_gauge"},
    {Anim::altimeter_100, "altimeter_100"},
    {Anim::altimeter_1000, "altimeter_1000"},
    {Anim::horizon_pitch, "horizon_pitch"},
    {Anim::horizon_bank, "horizon_bank"},
};
static_assert(kit::one_row_per_key(kAnimationNames));

// At or beyond either limit the engine loses its thrust (systems.cpp).
inline constexpr double kMaxAirspeed = 177;   // m/s
inline constexpr double kMaxAltitude = 7000;  // m

}  // namespace tarvik
