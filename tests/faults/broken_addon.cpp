// A broken install of the sound add-on: a library of the add-on's name that
// lacks one of its ten entry points, MISSING (0..9, in the order the client
// binds them). Built once for each.
#include "vmapi_types.h"

#if defined(_WIN32)
#define SOUND_EXPORT extern "C" __declspec(dllexport)
#else
#define SOUND_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#if MISSING != 0
SOUND_EXPORT int LoadVesselWaveVMSound3(int, int, char*, int) {
    return 1;
}
#endif
#if MISSING != 1
SOUND_EXPORT int PlayVesselWaveVMSound3(int, int, int, int, int) {
    return 1;
}
#endif
#if MISSING != 2
SOUND_EXPORT int PlayVesselExclusiveWaveVMSound3(int, int, int, int, int) {
    return 1;
}
#endif
#if MISSING != 3
SOUND_EXPORT int StopVesselWave3(int, int) {
    return 1;
}
#endif
#if MISSING != 4
SOUND_EXPORT int IsPlayingVesselWave3(int, int) {
    return 1;
}
#endif
#if MISSING != 5
SOUND_EXPORT int IsPlayingRadioVesselWave(int, int) {
    return 1;
}
#endif
#if MISSING != 6
SOUND_EXPORT int SoundOption3(int, int, int) {
    return 1;
}
#endif
#if MISSING != 7
SOUND_EXPORT int SetFrequency(int, int, int) {
    return 1;
}
#endif
#if MISSING != 8
SOUND_EXPORT int GetVesselSoundID3(VesselHandle) {
    return 0;
}
#endif
#if MISSING != 9
SOUND_EXPORT int ReplaceStockVMSound3(int, char*, int) {
    return 1;
}
#endif
