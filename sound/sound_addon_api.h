// The entry points of the sound add-on library, as the client calls them.
// The add-on exports them with C linkage under exactly these names.
#pragma once

#include "vmapi_types.h"

extern "C" {
using LoadVesselWaveVMSound3_t = int (*)(int id, int slot, char* path, int type);
using PlayVesselWaveVMSound3_t = int (*)(int id, int slot, int loop, int volume, int frequency);
using PlayVesselExclusiveWaveVMSound3_t = int (*)(int id, int slot, int loop, int volume,
                                                  int frequency);
using StopVesselWave3_t = int (*)(int id, int slot);
using IsPlayingVesselWave3_t = int (*)(int id, int slot);
using IsPlayingRadioVesselWave_t = int (*)(int id, int slot);
using SoundOption3_t = int (*)(int id, int option, int value);
using SetFrequency_t = int (*)(int id, int slot, int frequency);
using GetVesselSoundID3_t = int (*)(VesselHandle vessel);
using ReplaceStockVMSound3_t = int (*)(int id, char* path, int stock);
}
