// Post-step benchmarks of the aircraft compiled into this program, each
// against its floor: the same host calls, replayed.
#pragma once

#include <cstddef>

#include "vmapi.h"

namespace bench {

// One state of the aircraft whose post-step is measured.
struct Situation {
    const char* name;
    // What the host reports and the module-wide state, set once.
    void (*set)(VesselHandle vessel);
    // Module-wide state every step needs again (a pending switch), or null.
    void (*before_step)();
};

// Registers "AIRCRAFT_post_step/NAME" and "AIRCRAFT_floor/NAME" for every
// situation, and the target that the first take at most `limit` times the
// second.
bool register_post_steps(const char* aircraft, const Situation* situations, std::size_t count,
                         double limit);

}  // namespace bench
