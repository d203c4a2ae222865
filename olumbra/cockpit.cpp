// The airliner's own keys (G gear, K lights) and its virtual cockpit. The keys
// only set requests; the next step carries them out.
#include "airliner.h"
#include "kit.h"
#include "shared_state.h"
#include "sound_client.h"

using namespace olumbra;

namespace {

// The two host displays sit on screens of the cockpit mesh (index 1); the
// night cockpit numbers its screens alike, so a lights swap keeps them.
const VCMFDSPEC kDisplays[] = {{1, 100}, {1, 101}};

}  // namespace

int Airliner::clbkConsumeBufferedKey(std::uint32_t key, bool down, char*) {
    if (!down) return 0;
    // Modifiers are ignored: Ctrl+G and Shift+K act as G and K.
    switch (key) {
        case key_code("G"):
            gear_cmd = kit::command_towards_other_end(gear_pos);
            if (!GroundContact()) PlayVesselWave(sound_id, kGearSlot, 0, 255, 0);
            gear_lever_cmd = kit::command_towards_other_end(gear_lever_pos);
            return 1;
        case key_code("K"):
            kit::flip(lights_on);
            lights_changed = 1.0;
            return 1;
        default:
            return 0;
    }
}

bool Airliner::clbkLoadVC(int) {
    // The left seat, looking ahead.
    kit::look_from(*this,
                   {.offset = {-1.1, -3.6, 25.8}, .side_degrees = 88, .vertical_degrees = 48});
    for (int mfd = 0; mfd < 2; ++mfd) vmapiVCRegisterMFD(mfd, &kDisplays[mfd]);
    return true;
}
