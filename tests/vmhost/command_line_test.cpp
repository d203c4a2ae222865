// vmhost's command line: usage, options and the files it reads and writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "aircraft.h"
#include "library.h"
#include "subprocess.h"

namespace {

namespace fs = std::filesystem;

// vmhost and the probe plug-in are built beside this test.
const std::string kBin = vmhost::library::executable_dir();
const std::string kVmhost = (fs::path(kBin) / VMHOST_NAME).string();

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               testsupport::unique_name(
                   std::string("vmhost_cli_") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs vmhost with `args` (shell syntax); returns its exit status.
    int run(const std::string& args) {
        return testsupport::run_in(
            dir_, testsupport::quote(kVmhost) + " " + args + " > out.txt 2> err.txt");
    }
    std::string file(const char* name) {
        std::ifstream in(dir_ / name);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void write(const char* name, const char* text) { std::ofstream(dir_ / name) << text; }

    fs::path dir_;
};

TEST_F(CommandLine, HelpAndUsage) {
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(
        file("out.txt").rfind("usage: vmhost run SCENARIO [--trace FILE] [--plugin PATH]\n", 0),
        0u);
    EXPECT_EQ(run(""), 2);
    EXPECT_NE(file("err.txt").find("usage: vmhost run SCENARIO"), std::string::npos);
    EXPECT_EQ(file("out.txt"), "");
}

TEST_F(CommandLine, BadCommandLinesExitWithTwo) {
    write("s.vms", "");
    for (const char* args :
         {"fly s.vms", "run", "run s.vms --trace", "run s.vms --verbose", "run s.vms s.vms",
          "run s.vms --trace a --trace b", "RUN s.vms", "run s.vms --plugin",
          "run s.vms --plugin a --plugin b", "fly tarvik --plugin a"}) {
        EXPECT_EQ(run(args), 2) << args;
        EXPECT_NE(file("err.txt").find("usage:"), std::string::npos) << args;
    }
}

// `fly` offers every aircraft vmhost knows, in its usage and its errors.
TEST_F(CommandLine, FlyNamesEveryAircraft) {
    EXPECT_EQ(run("--help"), 0);
    const std::string help = file("out.txt");
    const std::size_t at = help.find("vmhost fly ");
    std::vector<std::string> texts = {help.substr(at, help.find('\n', at) - at)};
    for (const char* args : {"fly", "fly nosuch"}) {
        EXPECT_EQ(run(args), 2) << args;
        const std::string err = file("err.txt");
        texts.push_back(err.substr(0, err.find('\n')));
    }
    for (const std::string& text : texts)
        for (const vmhost::Aircraft& a : vmhost::all_aircraft())
            EXPECT_NE(text.find(a.name), std::string::npos) << text;
}

TEST_F(CommandLine, TraceGoesToStandardOutputOrFile) {
    write("s.vms", "# nothing but a comment\n\n");
    EXPECT_EQ(run("run s.vms"), 0);
    EXPECT_EQ(file("out.txt"), "");
    EXPECT_EQ(file("err.txt"), "");

    write("p.vms", ("load " + kBin + "/Probe.so\n").c_str());
    EXPECT_EQ(run("run p.vms"), 0);
    EXPECT_EQ(file("out.txt"), "> load\nInitLib module\n# end of scenario: unload\n> unload\n");
    EXPECT_EQ(run("--trace t.txt run p.vms"), 2);  // options follow the command
    EXPECT_EQ(run("run --trace t.txt p.vms"), 0);
    EXPECT_EQ(file("out.txt"), "");
    EXPECT_EQ(file("t.txt"), "> load\nInitLib module\n# end of scenario: unload\n> unload\n");
}

}  // namespace
