// The sound add-on client against the stand-in add-on's variants. Every test
// runs in a process of its own (gtest_discover_tests), so the client's bound
// entry points and log counter start fresh, and in a fresh working directory,
// where the client writes its log.
#include "sound_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "library.h"
#include "subprocess.h"

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
OBJHANDLE const kVessel = &g_vessel_marker;

class SoundClient : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               testsupport::unique_name(
                   std::string("vm_sound_") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
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

TEST_F(SoundClient, LogExistingFileIsAppendedWithoutANewHeader) {
    std::ofstream(dir_ / "VelmoraSound_Log.txt") << "earlier\n";
    VelmoraSoundLog("m", "");
    EXPECT_EQ(log(), "earlier\n" + entry("m") + "\n");
}

// A log that can be neither opened nor created, even by root: a folder has
// its name. Logging writes nothing, and does not use up the cap.
TEST_F(SoundClient, UnwritableLogWritesNothingAndStopsNothing) {
    fs::create_directory(dir_ / "VelmoraSound_Log.txt");
    for (int i = 0; i < 200; ++i) EXPECT_EQ(ConnectToVelmoraSoundDLL3(nullptr), -1);
    fs::remove(dir_ / "VelmoraSound_Log.txt");
    VelmoraSoundLog("after", nullptr);
    EXPECT_EQ(log(), kHeader + entry("after"));
}

}  // namespace
