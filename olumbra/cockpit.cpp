// The airliner's own keys (G gear, K lights) and its virtual cockpit. The keys
// only set requests; the next step carries them out.
#include "airfoil.h"
#include "airliner.h"
#include "shared_state.h"
#include "sound_client.h"

using namespace olumbra;

namespace {

// The two host displays sit on screens of the cockpit mesh (index 1); the
// night cockpit numbers its screens alike, so a lights swap keeps them.
const VCMFDSPEC kDisplays[] = {{1, 100}, {1, 101}};

// Reverses a moving part only once it is past half-way in its direction.
int command_towards_other_end(double pos) {
    return pos > 0.5 ? 2 : 1;
}

}  // namespace

int Airliner::clbkConsumeBufferedKey(DWORD key, bool down, char*) {
    if (!down) return 0;
    // Modifiers are ignored: Ctrl+G and Shift+K act as G and K.
    switch (key) {
        case OAPI_KEY_G:
            gear_cmd = command_towards_other_end(gear_pos);
            if (!GroundContact()) PlayVesselWave(sound_id, kGearSlot, 0, 255, 0);
            gear_lever_cmd = command_towards_other_end(gear_lever_pos);
            return 1;
        case OAPI_KEY_K:
            if (lights_on == 0.0) {
                lights_on = 1.0;
            } else if (lights_on == 1.0) {
                lights_on = 0.0;
            }
            lights_changed = 1.0;
            return 1;
        default:
            return 0;
    }
}

bool Airliner::clbkLoadVC(int) {
    // The left seat, looking ahead.
    SetCameraOffset(_V(-1.1, -3.6, 25.8));
    SetCameraDefaultDirection(_V(0.0, 0.0, 1.0));
    SetCameraRotationRange(88 * airfoil::RAD, 88 * airfoil::RAD, 48 * airfoil::RAD,
                           48 * airfoil::RAD);
    for (int mfd = 0; mfd < 2; ++mfd) vmapiVCRegisterMFD(mfd, &kDisplays[mfd]);
    return true;
}
