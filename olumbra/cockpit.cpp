// The airliner's keyboard commands and its virtual cockpit.
//
// The keys only record requests in the module-wide state; the next post-step
// carries them out. Modifiers are not examined: Shift, Ctrl or Alt with a
// command key give the same command.

#include <iterator>

#include "olumbra.h"
#include "sound_client.h"
#include "state.h"

using olumbra::module;

namespace {

// The two host displays sit on screens of the cockpit mesh (index 1); the
// night cockpit numbers its screens alike, so a lights swap keeps them.
const VCMFDSPEC kDisplays[] = {{1, 100}, {1, 101}};

// G: the gear and its lever towards their other end, the gear sound in the
// air. A part moving is reversed only past half-way.
void command_gear(const Airliner& v) {
    module.gear_cmd = kit::command_towards_other_end(module.gear_pos);
    if (!v.GroundContact()) PlayVesselWave(v.sound_id, olumbra::kGearSlot, 0, 255, 0);
    module.gear_lever_cmd = kit::command_towards_other_end(module.gear_lever_pos);
}

// K: the lights, with the night or day cockpit, at the next step.
void switch_lights() {
    kit::flip(module.lights_on);
    module.lights_changed = 1.0;
}

}  // namespace

int Airliner::clbkConsumeBufferedKey(std::uint32_t key, bool down, char* /*key_state*/) {
    if (!down) return 0;
    switch (key) {
        case key_code("G"):
            command_gear(*this);
            return 1;
        case key_code("K"):
            switch_lights();
            return 1;
        default:
            return 0;
    }
}

bool Airliner::clbkLoadVC(int /*id*/) {
    // The left seat, looking ahead.
    kit::look_from(*this,
                   {.offset = {-1.1, -3.6, 25.8}, .side_degrees = 88, .vertical_degrees = 48});
    for (int display = 0; display < static_cast<int>(std::size(kDisplays)); ++display)
        vmapiVCRegisterMFD(display, &kDisplays[display]);
    return true;
}
