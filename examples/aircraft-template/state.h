// Module-wide state of the starter aircraft, and its fixed cockpit geometry.
//
// `module` is one copy per loaded library, zero at load and shared by every
// vessel of the class: two starters have one lights switch and one set of
// lights. Only the animation ids and the engine belong to each (Starter). A
// test starts afresh with `starter::module = {};`.
#pragma once

#include "kit.h"
#include "vmapi.h"

namespace starter {

struct Module {
    MeshHandle mesh_exterior, mesh_cockpit;

    // The navigation lights, which the host reads in place.
    kit::Light beacon_left, beacon_right, beacon_tail;

    // The lights switch: lights_on 0.0 or 1.0; lights_changed 1.0 while a
    // change waits for the next step.
    double lights_on;
    double lights_changed;

    // Instrument states kept from step to step.
    double altimeter_turns;
    double focus_heading;
};
inline Module module;

inline constexpr VECTOR3 cockpit_offset{0, 0.4, 0.8};

}  // namespace starter
