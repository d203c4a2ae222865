// The platform layer of a plug-in, seen from the host's side. The load and
// unload hook (on Windows the DLL entry routine): loading hands the module to
// the host, threads starting and ending do nothing, unloading calls the exit
// hook. The sound add-on, once found, stays usable even if the host lets go
// of it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "host.h"
#include "library.h"
#include "sound_client.h"

namespace {

std::string contents(std::FILE* f) {
    std::string text;
    std::rewind(f);
    for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) text += static_cast<char>(c);
    return text;
}

TEST(LoadHook, ThreadsStartingAndEndingCallNothing) {
    std::FILE* trace = std::tmpfile();
    ASSERT_NE(trace, nullptr);
    host::trace_to(trace);
    std::string error;
    host::begin_module_load();
    const auto plugin = vmhost::library::open(
        vmhost::library::executable_dir() + "/" + vmhost::library::plugin_file("HookExitModule"),
        &error);
    host::end_module_load();
    ASSERT_NE(plugin, nullptr) << error;

    // On Windows every loaded DLL's entry routine sees these threads start
    // and end.
    std::thread([] {}).join();
    std::thread([] {}).join();

    host::remark("unload");
    vmhost::library::close(plugin);
    host::module_unloaded();
    host::trace_to(nullptr);
    EXPECT_EQ(contents(trace), "InitLib module\n# unload\nDate2Int \"Jan 1 2001\" = 20010101\n");
    std::fclose(trace);
}

TEST(SoundAddon, StaysLoadedOnceFound) {
    std::string error;
    const auto addon = vmhost::library::open(
        vmhost::library::executable_dir() + "/sound-full/VelmoraSound.dll", &error);
    ASSERT_NE(addon, nullptr) << error;
    int vessel = 0;
    ASSERT_EQ(ConnectToVelmoraSoundDLL3(&vessel), 0);
    vmhost::library::close(addon);
    // Were the add-on gone, this would call into freed code.
    EXPECT_EQ(PlayVesselWave(0, 1, 1, 255, 0), 1);
}

}  // namespace
