// The sound add-on client against the stand-in add-on's variants. Every test
// runs in a process of its own (gtest_discover_tests), so the client's bound
// entry points and log counter start fresh, and in a fresh working directory,
// where the client writes its log.
#include "sound_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "library.h"
#include "subprocess.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr char kHeader[] = "Velmora Sound Log Started\n*****************************\n\n";
constexpr char kSeparator[] = "--------------------------------------\n";
constexpr char kErrNull[] =
    "ERR01= Vessel->ConnectToVelmoraSoundDLL3: A vessel passed a NULL handle to this function\n";
constexpr char kErrAbsent[] =
    "ERR01= Vessel->ConnectToVelmoraSoundDLL3: Unable to connect to VelmoraSound 3.0 - not "
    "installed or activated\n";
constexpr char kErr02[] =
    "ERR02= ConnectToVelmoraSoundDLL3: Unable to find routines missing VelmoraSound3.0 ?\n";
constexpr char kErr03[] = "ERR03= unable to connect to GetMyID, Older VelmoraSound.dll ?\n";

// Any non-null value stands for a vessel handle; the stand-in add-on names
// handles it does not know without looking inside them.
int g_vessel_marker;
VesselHandle const kVessel = &g_vessel_marker;

class SoundClient : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');  // "Test/Case" of a table
        dir_ = fs::temp_directory_path() / testsupport::unique_name("vm_sound_" + name);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }

    static void load_addon(const char* variant) {
        const std::string path =
            vmhost::library::executable_dir() + "/sound-" + variant + "/VelmoraSound.dll";
        std::string error;
        ASSERT_NE(vmhost::library::open(path, &error), nullptr) << error;
    }

    // The log is a text file: read in text mode, its line ends are "\n" on
    // every platform.
    std::string log() const {
        std::ifstream in(dir_ / "VelmoraSound_Log.txt");
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool log_exists() const { return fs::exists(dir_ / "VelmoraSound_Log.txt"); }

    fs::path previous_, dir_;
};

std::string entry(const char* message) {
    return std::string(kSeparator) + message + "\n";
}

TEST_F(SoundClient, NullHandleIsLoggedWithoutLookingForTheAddon) {
    load_addon("full");
    EXPECT_EQ(ConnectToVelmoraSoundDLL3(nullptr), -1);
    EXPECT_EQ(log(), kHeader + entry(kErrNull));
    // Nothing was bound, so the wrappers refuse even a valid id.
    EXPECT_EQ(PlayVesselWave(0, 1, 1, 255, 0), 0);
}

TEST_F(SoundClient, AbsentAddonIsLoggedOncePerConnect) {
    EXPECT_EQ(ConnectToVelmoraSoundDLL3(kVessel), -1);
    EXPECT_EQ(ConnectToVelmoraSoundDLL3(kVessel), -1);
    EXPECT_EQ(log(), kHeader + entry(kErrAbsent) + entry(kErrAbsent));
    EXPECT_EQ(LoadVesselWave(0, 1, "x.wav", 4), 0);
    EXPECT_EQ(PlayVesselWave(0, 1, 1, 255, 16000), 0);
    EXPECT_EQ(StopVesselWave(0, 1), 0);
    EXPECT_EQ(SetSoundOption(0, 1, 0), 0);
    EXPECT_EQ(ReplaceStockSound(0, "x.wav", 10), 0);
}

TEST_F(SoundClient, FullAddonGivesIdsInOrderAndChecksBounds) {
    load_addon("full");
    EXPECT_EQ(ConnectToVelmoraSoundDLL3(kVessel), 0);
    EXPECT_EQ(ConnectToVelmoraSoundDLL3(kVessel), 1);
    EXPECT_FALSE(log_exists());

    EXPECT_EQ(PlayVesselWave(0, 60, 1, 255, 0), 1);
    EXPECT_EQ(PlayVesselWave(0, 0, 1, 255, 0), 0);
    EXPECT_EQ(PlayVesselWave(0, 61, 1, 255, 0), 0);
    EXPECT_EQ(LoadVesselWave(0, 1, "a.wav", 4), 1);
    EXPECT_EQ(LoadVesselWave(0, 61, "a.wav", 4), 0);
    EXPECT_EQ(StopVesselWave(0, 60), 1);
    EXPECT_EQ(StopVesselWave(0, 0), 0);
    EXPECT_EQ(SetSoundOption(0, 17, 0), 1);
    EXPECT_EQ(SetSoundOption(0, 1, 0), 1);
    EXPECT_EQ(SetSoundOption(0, 18, 0), 0);
    EXPECT_EQ(SetSoundOption(0, 0, 0), 0);
    EXPECT_EQ(PlayVesselWave(59, 1, 1, 255, 0), 1);
    EXPECT_EQ(PlayVesselWave(60, 1, 1, 255, 0), 0);
    EXPECT_EQ(PlayVesselWave(-1, 1, 1, 255, 0), 0);
    EXPECT_EQ(ReplaceStockSound(59, "e.wav", 10), 1);
    EXPECT_EQ(ReplaceStockSound(60, "e.wav", 10), 0);
    EXPECT_EQ(ReplaceStockSound(0, nullptr, 10), 0);
}

TEST_F(SoundClient, AddonWithoutGetIdIsTooOld) {
    load_addon("no-id");
    EXPECT_EQ(ConnectToVelmoraSoundDLL3(kVessel), -1);
    EXPECT_EQ(log(), kHeader + entry(kErr03));
}

TEST_F(SoundClient, AddonMissingAnotherRoutineIsIncomplete) {
    load_addon("partial");
    EXPECT_EQ(ConnectToVelmoraSoundDLL3(kVessel), -1);
    EXPECT_EQ(log(), kHeader + entry(kErr02));
    // The routines that were found stay bound but the id is invalid.
    EXPECT_EQ(PlayVesselWave(-1, 1, 1, 255, 0), 0);
}

TEST_F(SoundClient, LogKeepsAtMost101Messages) {
    for (int i = 0; i < 150; ++i) VelmoraSoundLog("m", "d");
    std::string expected = kHeader;
    for (int i = 0; i < 101; ++i) expected += std::string(kSeparator) + "m\nd\n";
    EXPECT_EQ(log(), expected);
}

TEST_F(SoundClient, NullMessageAndDetailWriteOnlyTheSeparator) {
    VelmoraSoundLog(nullptr, nullptr);
    VelmoraSoundLog("only message", nullptr);
    EXPECT_EQ(log(), std::string(kHeader) + kSeparator + kSeparator + "only message\n");
}

// What has the log's name when the messages come.
enum class At { nothing, log, write_only_log, fifo, dangling_link, link_to_log, folder };

struct LogCase {
    const char* name;
    At at;
    int writers;          // processes that log one message each, let go at the same instant
    bool kept;            // the message reaches the log; else it is skipped and nothing is made
    const char* windows;  // why the case is skipped on Windows
};

constexpr char kNoLinks[] = "mingw-w64's std::filesystem makes no symbolic links";

// clang-format off
const LogCase kLogCases[] = {
    {"Absent",       At::nothing,        1, true,  nullptr},
    {"Log",          At::log,            1, true,  nullptr},
    {"WriteOnlyLog", At::write_only_log, 1, true,  "Windows file modes cannot deny reading"},
    {"Fifo",         At::fifo,           1, false, "Windows has no FIFOs"},
    {"DanglingLink", At::dangling_link,  1, false, kNoLinks},
    {"LinkToLog",    At::link_to_log,    1, true,  kNoLinks},
    {"RaceToCreate", At::nothing,        3, true,  "Windows has no fork() to start them at once"},
    {"Folder",       At::folder,         1, false, nullptr},
};
// clang-format on

#ifndef _WIN32
constexpr uid_t kNobody = 65534;
#endif
#ifdef VM_COVERAGE
// What a writer ran is counted too: _exit skips the counters' own writing.
extern "C" void __gcov_dump();
#endif

class SoundLog : public SoundClient, public ::testing::WithParamInterface<LogCase> {};

void PrintTo(const LogCase& c, std::ostream* os) {
    *os << c.name;
}

// Runs `write` in each of `writers` processes let go at the same instant (on
// Windows, in this process). A writer that blocks is killed after 10 s, so
// that the case fails instead of hanging. True when every writer ended well.
bool run_writers([[maybe_unused]] int writers, const std::function<void()>& write) {
#ifdef _WIN32
    write();
    return true;
#else
    int go[2];
    if (pipe(go) != 0) return false;
    for (int w = 0; w < writers; ++w) {
        if (fork() != 0) continue;
        char c;
        close(go[1]);
        alarm(10);
        (void)read(go[0], &c, 1);  // returns when the parent closes its end
        write();
#ifdef VM_COVERAGE
        __gcov_dump();
#endif
        _exit(0);
    }
    close(go[0]);
    close(go[1]);
    bool ok = true;
    for (int status = 0, w = 0; w < writers; ++w) ok = wait(&status) > 0 && status == 0 && ok;
    return ok;
#endif
}

TEST_P(SoundLog, KeepsEveryMessageWholeOrSkipsItWithoutBlocking) {
    const LogCase& c = GetParam();
#ifdef _WIN32
    if (c.windows) GTEST_SKIP() << c.windows;
#endif
    const fs::path path = dir_ / "VelmoraSound_Log.txt", target = dir_ / "target.txt";
    // A race to create is lost only now and then: run it many times.
    for (int trial = 0; trial < (c.writers > 1 ? 500 : 1); ++trial) {
        fs::remove(path);
        if (c.at == At::log || c.at == At::write_only_log) std::ofstream(path) << "earlier\n";
        if (c.at == At::link_to_log) std::ofstream(target) << "earlier\n";
        if (c.at == At::dangling_link || c.at == At::link_to_log) fs::create_symlink(target, path);
        if (c.at == At::folder) fs::create_directory(path);
        if (c.at == At::write_only_log) fs::permissions(path, fs::perms::owner_write);
#ifndef _WIN32
        ASSERT_TRUE(c.at != At::fifo || mkfifo(path.c_str(), 0644) == 0);
        // Root reads any file: a user of no privilege owns and writes the log.
        const bool as_owner = c.at == At::write_only_log && geteuid() == 0;
        ASSERT_TRUE(!as_owner || chown(path.c_str(), kNobody, kNobody) == 0);
#endif
        const auto write = [&] {
#ifndef _WIN32
            if (as_owner && setuid(kNobody) != 0) _exit(1);
#endif
            // A skipped message must not use up the cap of 101 either.
            for (int i = 0; i < (c.kept ? 1 : 101); ++i) VelmoraSoundLog("m", nullptr);
            if (!c.kept) {
                std::error_code ignored;  // a writer must not throw into the test's code
                fs::remove(path, ignored);
                VelmoraSoundLog("m", nullptr);
            }
        };
        ASSERT_TRUE(run_writers(c.writers, write)) << "a writer was killed";
        EXPECT_FALSE(!c.kept && fs::exists(target)) << "a file was made through the link";
        if (c.at == At::write_only_log)
            fs::permissions(path, fs::perms::owner_read, fs::perm_options::add);
        // The log begins with what was there before, or with the header of
        // the writer that created it, which may follow a message that raced it.
        std::string text = log();
        const std::string first = c.at == At::nothing || !c.kept ? kHeader : "earlier\n";
        const auto at = text.find(first);
        ASSERT_NE(at, std::string::npos) << text;
        text.erase(at, first.size());
        std::string expected;
        for (int w = 0; w < c.writers; ++w) expected += entry("m");
        ASSERT_EQ(text, expected) << "trial " << trial;
    }
}

INSTANTIATE_TEST_SUITE_P(Opening, SoundLog, ::testing::ValuesIn(kLogCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
