// Faults a user can meet: many vessels of one class at once, endless create
// and delete cycles, and a sound log that cannot be written. vmhost runs each
// scenario as a user would and must end it normally.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "subprocess.h"

namespace fs = std::filesystem;

namespace {

// Every aircraft of the build, and the one a test flies when any will do.
const char* const kAircraft[] = {VM_AIRCRAFT_NAMES};
const std::string kAny = kAircraft[0];

#if defined(_WIN32)
const char* const kNoTrace = "NUL";
#else
const char* const kNoTrace = "/dev/null";
#endif

class Faults : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / testsupport::unique_name("vm-faults");
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    // Runs `scenario` with vmhost in `where` (default: the test's folder),
    // the trace going to `trace`; returns vmhost's exit status.
    int run(const std::string& scenario, const std::string& trace = kNoTrace,
            const fs::path& where = {}) {
        const fs::path file = dir_ / "scenario.vms";
        std::ofstream(file, std::ios::binary) << scenario;
        return testsupport::run_in(where.empty() ? dir_ : where,
                                   testsupport::quote(VMHOST) + " run " +
                                       testsupport::quote(file.string()) + " --trace " +
                                       testsupport::quote(trace) + " 2> " +
                                       testsupport::quote((dir_ / "stderr.txt").string()));
    }

    std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};

TEST_F(Faults, AHundredVesselsOfOneClassSteppedAThousandTimesThenDeletedInRandomOrder) {
    for (const char* plugin : kAircraft) {
        std::string s = "sound full\nload " + std::string(plugin) + "\n";
        std::vector<int> order(100);
        for (int i = 0; i < 100; ++i) {
            s += "create v" + std::to_string(i) + "\n";
            order[static_cast<std::size_t>(i)] = i;
        }
        s += "set v7 airspeed 60\nkey v3 G\nkey v5 K\nkey v9 F\nstep 1000\n";
        std::shuffle(order.begin(), order.end(), std::mt19937(2024));
        for (int i : order) s += "delete v" + std::to_string(i) + "\n";
        s += "unload\n";
        EXPECT_EQ(run(s), 0) << plugin << ": " << read(dir_ / "stderr.txt");
    }
}

TEST_F(Faults, TenThousandCreateAndDeleteCycles) {
    for (const char* plugin : kAircraft) {
        std::string s = "load " + std::string(plugin) + "\ncreate keep\n";
        for (int i = 0; i < 10000; ++i)
            s += i % 100 == 0 ? "create a\nstep\ndelete a\n" : "create a\ndelete a\n";
        s += "step\n";
        EXPECT_EQ(run(s), 0) << plugin << ": " << read(dir_ / "stderr.txt");
    }
}

// Without the sound add-on each vessel logs why it has no sound; a log that
// cannot be written is skipped and the aircraft fly on.
TEST_F(Faults, TheSoundLogCannotBeCreated) {
    // A folder in the log file's place: no one, not even the superuser,
    // can open it as a file.
    fs::create_directory(dir_ / "VelmoraSound_Log.txt");
    const std::string scenario = "load " + kAny + "\ncreate a\ncreate b\nstep 3\nkey a G\nstep\n";
    EXPECT_EQ(run(scenario, (dir_ / "trace.txt").string()), 0) << read(dir_ / "stderr.txt");
    const std::string trace = read(dir_ / "trace.txt");
    EXPECT_NE(trace.find("> clbkPostCreation"), std::string::npos);
    EXPECT_NE(trace.find("> clbkConsumeBufferedKey 34 1"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir_ / "VelmoraSound_Log.txt"));
}

TEST_F(Faults, TheWorkingFolderIsReadOnly) {
    const fs::path ro = dir_ / "read-only";
    fs::create_directory(ro);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string scenario = "load " + kAny + "\ncreate a\nstep 3\nload " + kAny + "\n";
    // The last line is an error (a second load): the run ends with status 2,
    // after the vessel connected to the missing add-on and tried to log.
    EXPECT_EQ(run(scenario, (dir_ / "trace.txt").string(), ro), 2);
    EXPECT_NE(read(dir_ / "stderr.txt").find("the plug-in is already loaded"), std::string::npos);
    EXPECT_NE(read(dir_ / "trace.txt").find("> clbkPostStep 0.04"), std::string::npos);
}

}  // namespace
