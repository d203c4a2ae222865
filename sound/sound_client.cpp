#include "sound_client.h"

#include <cstdio>

#include "platform.h"
#include "sound_addon_api.h"

namespace {

constexpr char kModuleName[] = "VelmoraSound.dll";
constexpr char kLogFile[] = "VelmoraSound_Log.txt";
constexpr char kLogHeader[] = "Velmora Sound Log Started\n*****************************\n\n";
constexpr char kLogSeparator[] = "--------------------------------------";
constexpr int kLastLoggedMessage = 100;  // counter values 0..100: 101 messages

constexpr char kErrNullHandle[] =
    "ERR01= Vessel->ConnectToVelmoraSoundDLL3: A vessel passed a NULL handle to this function";
constexpr char kErrNotInstalled[] =
    "ERR01= Vessel->ConnectToVelmoraSoundDLL3: Unable to connect to VelmoraSound 3.0 - not "
    "installed or activated";
constexpr char kErrMissingRoutines[] =
    "ERR02= ConnectToVelmoraSoundDLL3: Unable to find routines missing VelmoraSound3.0 ?";
constexpr char kErrNoGetId[] = "ERR03= unable to connect to GetMyID, Older VelmoraSound.dll ?";

ModuleHandle g_addon = nullptr;
LoadVesselWaveVMSound3_t g_load_wave = nullptr;
PlayVesselWaveVMSound3_t g_play_wave = nullptr;
PlayVesselExclusiveWaveVMSound3_t g_play_exclusive = nullptr;
StopVesselWave3_t g_stop_wave = nullptr;
IsPlayingVesselWave3_t g_is_playing = nullptr;
IsPlayingRadioVesselWave_t g_is_playing_radio = nullptr;
SoundOption3_t g_sound_option = nullptr;
SetFrequency_t g_set_frequency = nullptr;
GetVesselSoundID3_t g_get_sound_id = nullptr;
ReplaceStockVMSound3_t g_replace_stock = nullptr;

int g_log_count = 0;

template <typename Fn>
Fn bind(const char* name) {
    return reinterpret_cast<Fn>(platform::find_symbol(g_addon, name));
}

bool valid_id(int id) {
    return id >= 0 && id <= 59;
}
bool valid_slot(int slot) {
    return slot >= 1 && slot <= 60;
}
bool valid_option(int option) {
    return option >= 1 && option <= 17;
}

}  // namespace

void VelmoraSoundLog(const char* message, const char* detail) {
    using platform::FileMode;
    if (g_log_count > kLastLoggedMessage) return;
    // The log is created only where nothing has its name: a log that exists
    // is never emptied (not even one this user may write but not read), a
    // writer that loses the race to create it appends to the winner's, and a
    // dangling link does not lead to a file made elsewhere. Of racing
    // writers, one's message may come before the winner's header.
    const platform::OpenedFile test = platform::open_regular_file(kLogFile, FileMode::update);
    if (test.stream) {
        std::fclose(test.stream);
    } else if (test.absent) {
        if (std::FILE* created = platform::open_regular_file(kLogFile, FileMode::create).stream) {
            std::fputs(kLogHeader, created);
            std::fclose(created);
        }
    }
    std::FILE* f = platform::open_regular_file(kLogFile, FileMode::append).stream;
    if (!f) return;
    std::fprintf(f, "%s\n", kLogSeparator);
    if (message) std::fprintf(f, "%s\n", message);
    if (detail) std::fprintf(f, "%s\n", detail);
    ++g_log_count;
    std::fclose(f);
}

int ConnectToVelmoraSoundDLL3(VesselHandle vessel) {
    if (!vessel) {
        VelmoraSoundLog(kErrNullHandle, "");
        return -1;
    }
    g_addon = platform::find_loaded_module(kModuleName);
    if (!g_addon) {
        VelmoraSoundLog(kErrNotInstalled, "");
        return -1;
    }
    g_load_wave = bind<LoadVesselWaveVMSound3_t>("LoadVesselWaveVMSound3");
    g_play_wave = bind<PlayVesselWaveVMSound3_t>("PlayVesselWaveVMSound3");
    g_play_exclusive = bind<PlayVesselExclusiveWaveVMSound3_t>("PlayVesselExclusiveWaveVMSound3");
    g_stop_wave = bind<StopVesselWave3_t>("StopVesselWave3");
    g_is_playing = bind<IsPlayingVesselWave3_t>("IsPlayingVesselWave3");
    g_is_playing_radio = bind<IsPlayingRadioVesselWave_t>("IsPlayingRadioVesselWave");
    g_sound_option = bind<SoundOption3_t>("SoundOption3");
    g_set_frequency = bind<SetFrequency_t>("SetFrequency");
    g_get_sound_id = bind<GetVesselSoundID3_t>("GetVesselSoundID3");
    g_replace_stock = bind<ReplaceStockVMSound3_t>("ReplaceStockVMSound3");

    if (!g_load_wave || !g_play_wave || !g_play_exclusive || !g_stop_wave || !g_is_playing ||
        !g_is_playing_radio || !g_sound_option || !g_set_frequency || !g_replace_stock) {
        VelmoraSoundLog(kErrMissingRoutines, "");
        return -1;
    }
    if (!g_get_sound_id) {
        VelmoraSoundLog(kErrNoGetId, "");
        return -1;
    }
    return g_get_sound_id(vessel);
}

int LoadVesselWave(int id, int slot, const char* path, int type) {
    if (!g_load_wave || !valid_id(id) || !valid_slot(slot)) return 0;
    // The add-on's interface takes a mutable path but only reads it.
    return g_load_wave(id, slot, const_cast<char*>(path), type);
}

int PlayVesselWave(int id, int slot, int loop, int volume, int frequency) {
    if (!g_play_wave || !valid_id(id) || !valid_slot(slot)) return 0;
    return g_play_wave(id, slot, loop, volume, frequency);
}

int StopVesselWave(int id, int slot) {
    if (!g_stop_wave || !valid_id(id) || !valid_slot(slot)) return 0;
    return g_stop_wave(id, slot);
}

int SetSoundOption(int id, int option, int value) {
    if (!g_sound_option || !valid_id(id) || !valid_option(option)) return 0;
    return g_sound_option(id, option, value);
}

int ReplaceStockSound(int id, const char* path, int stock) {
    if (!g_replace_stock || !valid_id(id) || !path) return 0;
    return g_replace_stock(id, const_cast<char*>(path), stock);
}
