// The starter's key and its virtual-cockpit camera. The key only records a
// request in the module-wide state; the next post-step carries it out.

#include "starter.h"
#include "state.h"

using starter::module;

int Starter::clbkConsumeBufferedKey(std::uint32_t key, bool down, char* /*key_state*/) {
    if (!down || key != key_code("L")) return 0;
    // L: the navigation lights on or off, at the next step.
    kit::flip(module.lights_on);
    module.lights_changed = 1.0;
    return 1;
}

bool Starter::clbkLoadVC(int /*id*/) {
    kit::look_from(*this, {.offset = {0, 0.6, 0.8}, .side_degrees = 60, .vertical_degrees = 30});
    return true;
}
