// Client of the optional sound add-on "VelmoraSound.dll".
//
// The add-on is a separate library the user may have activated in the host.
// The client finds it among the libraries already loaded, binds its entry
// points by name and forwards calls through guarded wrappers: without the
// add-on, or with an invalid id, slot or option, a wrapper does nothing and
// returns 0, so an aircraft never fails because of sound. Connection problems
// are logged to "VelmoraSound_Log.txt" in the host's working directory.
//
// All functions are called from the host's simulation thread only; the bound
// entry points and the log counter are shared by every vessel of the plug-in.
#pragma once

#include "vmapi_types.h"

// Called once per vessel from its post-creation callback with the vessel's
// own handle. Returns the vessel's sound id (0..59), or -1 when the add-on is
// missing, incomplete or the handle is null (the reason is logged).
int ConnectToVelmoraSoundDLL3(VesselHandle vessel);

// Loads a wave file into `slot` (1..60) of vessel sound `id`.
int LoadVesselWave(int id, int slot, const char* path, int type);

// Plays `slot`; `loop` 1 repeats it, volume 0..255, frequency 0 = as recorded.
int PlayVesselWave(int id, int slot, int loop, int volume, int frequency);

int StopVesselWave(int id, int slot);

// Sets one of the add-on's options (1..17) for the vessel.
int SetSoundOption(int id, int option, int value);

// Puts a wave file in place of the add-on's stock sound `stock`.
int ReplaceStockSound(int id, const char* path, int stock);

// Appends a message and a detail line (either may be null) to the log, at most
// 101 messages per library load. A message that cannot be written (the log is
// not a regular file, or cannot be opened or created) is skipped without
// waiting and does not count.
void VelmoraSoundLog(const char* message, const char* detail);
