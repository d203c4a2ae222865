// The stand-in sound add-on. It plays nothing: every entry point writes a "~"
// line to the host's trace and answers 1, and GetVesselSoundID3 hands out the
// ids 0, 1, 2... in call order. Built three times: with every entry point,
// without GetVesselSoundID3 (an older add-on) and without StopVesselWave3 (a
// broken install), so that a plug-in's client meets each case it must handle.
#include <type_traits>

#include "host.h"
#include "sound_addon_api.h"

#if defined(_WIN32)
#define SOUND_EXPORT extern "C" __declspec(dllexport)
#else
#define SOUND_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// The client calls through its own pointer types; an entry point of another
// type would be undefined behaviour on the client's side.
#define CHECK_TYPE(name) static_assert(std::is_same_v<decltype(&name), name##_t>)

}  // namespace

SOUND_EXPORT int LoadVesselWaveVMSound3(int id, int slot, char* path, int type) {
    host::Line("~")
        .word("LoadVesselWaveVMSound3")
        .integer(id)
        .integer(slot)
        .text(path)
        .integer(type)
        .result()
        .integer(1);
    return 1;
}
CHECK_TYPE(LoadVesselWaveVMSound3);

SOUND_EXPORT int PlayVesselWaveVMSound3(int id, int slot, int loop, int volume, int frequency) {
    host::Line("~")
        .word("PlayVesselWaveVMSound3")
        .integer(id)
        .integer(slot)
        .integer(loop)
        .integer(volume)
        .integer(frequency)
        .result()
        .integer(1);
    return 1;
}
CHECK_TYPE(PlayVesselWaveVMSound3);

SOUND_EXPORT int PlayVesselExclusiveWaveVMSound3(int id, int slot, int loop, int volume,
                                                 int frequency) {
    host::Line("~")
        .word("PlayVesselExclusiveWaveVMSound3")
        .integer(id)
        .integer(slot)
        .integer(loop)
        .integer(volume)
        .integer(frequency)
        .result()
        .integer(1);
    return 1;
}
CHECK_TYPE(PlayVesselExclusiveWaveVMSound3);

#if !defined(VM_SOUND_WITHOUT_STOP)
SOUND_EXPORT int StopVesselWave3(int id, int slot) {
    host::Line("~").word("StopVesselWave3").integer(id).integer(slot).result().integer(1);
    return 1;
}
CHECK_TYPE(StopVesselWave3);
#endif

SOUND_EXPORT int IsPlayingVesselWave3(int id, int slot) {
    host::Line("~").word("IsPlayingVesselWave3").integer(id).integer(slot).result().integer(1);
    return 1;
}
CHECK_TYPE(IsPlayingVesselWave3);

SOUND_EXPORT int IsPlayingRadioVesselWave(int id, int slot) {
    host::Line("~").word("IsPlayingRadioVesselWave").integer(id).integer(slot).result().integer(1);
    return 1;
}
CHECK_TYPE(IsPlayingRadioVesselWave);

SOUND_EXPORT int SoundOption3(int id, int option, int value) {
    host::Line("~")
        .word("SoundOption3")
        .integer(id)
        .integer(option)
        .integer(value)
        .result()
        .integer(1);
    return 1;
}
CHECK_TYPE(SoundOption3);

SOUND_EXPORT int SetFrequency(int id, int slot, int frequency) {
    host::Line("~")
        .word("SetFrequency")
        .integer(id)
        .integer(slot)
        .integer(frequency)
        .result()
        .integer(1);
    return 1;
}
CHECK_TYPE(SetFrequency);

#if !defined(VM_SOUND_WITHOUT_ID)
SOUND_EXPORT int GetVesselSoundID3(VesselHandle vessel) {
    static int next_id = 0;
    const int id = next_id++;
    host::Line("~").word("GetVesselSoundID3").handle(vessel).result().integer(id);
    return id;
}
CHECK_TYPE(GetVesselSoundID3);
#endif

SOUND_EXPORT int ReplaceStockVMSound3(int id, char* path, int stock) {
    host::Line("~")
        .word("ReplaceStockVMSound3")
        .integer(id)
        .text(path)
        .integer(stock)
        .result()
        .integer(1);
    return 1;
}
CHECK_TYPE(ReplaceStockVMSound3);
