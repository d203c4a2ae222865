// The DLL entry routine as the plug-in's load and unload hook, seen through the
// host calls it makes: process attach hands the module to the host, thread
// attach and detach do nothing, process detach calls the exit hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "host.h"
#include "library.h"

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
    const auto plugin =
        vmhost::library::open(vmhost::library::executable_dir() + "/HookExitModule.dll", &error);
    host::end_module_load();
    ASSERT_NE(plugin, nullptr) << error;

    // Every loaded DLL's entry routine sees this thread start and end.
    std::thread([] {}).join();
    std::thread([] {}).join();

    host::remark("unload");
    vmhost::library::close(plugin);
    host::module_unloaded();
    host::trace_to(nullptr);
    EXPECT_EQ(contents(trace), "InitLib module\n# unload\nDate2Int \"Jan 1 2001\" = 20010101\n");
    std::fclose(trace);
}

}  // namespace
