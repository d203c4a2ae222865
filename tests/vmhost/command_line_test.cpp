// vmhost's command line: options, operands, help, errors and their
// suggestions, the standard streams and the files it reads and writes. Each
// row runs vmhost in a shell.
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
const std::string kLoad = "load " + kBin + "/Probe.so\n";
// The trace of kLoad alone.
const std::string kLoadTrace = "> load\nInitLib module\n# end of scenario: unload\n> unload\n";
const std::string kHint = "try 'vmhost run --help'\n";

enum Needs { kAnywhere, kPosix };  // a POSIX shell: pipes, traps

struct Case {
    const char* name;
    std::string command;  // "vmhost" is the program; > out.txt 2> err.txt unless redirected
    int status = 0;
    std::string out = "";          // standard output begins so
    std::string err = "";          // standard error begins so; empty: is empty
    std::string scenario = kLoad;  // s.vms
    const char* file = nullptr;    // holds `text`
    std::string text = "";
    const char* absent = nullptr;  // a file that must not be there
    Needs needs = kAnywhere;
};

std::string usage_of(const char* command) {
    return std::string("usage: vmhost ") + command + " ";
}

// clang-format off
const Case kCases[] = {
    // Standard input and output are "-".
    {"TraceToStandardOutputByDefault", "vmhost run s.vms", 0, kLoadTrace},
    {"EmptyScenarioTracesNothing", "vmhost run s.vms", 0, "", "", "# a comment\n\n"},
    {"ScenarioFromStandardInput", "vmhost run - < s.vms > out.txt 2> err.txt", 0, kLoadTrace},
    {"TraceToStandardOutput", "vmhost run s.vms --trace -", 0, kLoadTrace, "", kLoad, nullptr, "",
     "-"},
    {"MessagesNameStandardInput", "vmhost run - < s.vms > out.txt 2> err.txt", 2, "",
     "<stdin>:1: error: unknown command 'bogus'\n", "bogus\n"},
    // --opt=value and --.
    {"OptionWithEquals", "vmhost run s.vms --trace=t.txt", 0, "", "", kLoad, "t.txt", kLoadTrace},
    {"OperandsAfterDoubleDash", "vmhost run --trace t.txt -- s.vms", 0, "", "", kLoad, "t.txt",
     kLoadTrace},
    {"FlagTakesNoValue", "vmhost run s.vms --help=yes", 2, "",
     "vmhost: error: --help takes no value\n" + kHint},
    // Help and version, on standard output.
    {"Help", "vmhost --help", 0, "usage: vmhost COMMAND"},
    {"HelpShort", "vmhost -h", 0, "usage: vmhost COMMAND"},
    {"HelpCommand", "vmhost help", 0, "usage: vmhost COMMAND"},
    {"RunHelp", "vmhost run --help", 0, usage_of("run")},
    {"RunHelpShort", "vmhost run -h", 0, usage_of("run")},
    {"FlyHelp", "vmhost fly --help", 0, usage_of("fly")},
    {"FlyHelpShort", "vmhost fly -h", 0, usage_of("fly")},
    {"HelpOfRun", "vmhost help run", 0, usage_of("run")},
    {"HelpOfFly", "vmhost help fly", 0, usage_of("fly")},
    {"HelpOfValidate", "vmhost help validate", 0, usage_of("validate")},
    {"CompareHelpShort", "vmhost compare -h", 0, usage_of("compare")},
    {"LiveHelp", "vmhost live --help", 0, usage_of("live")},
    {"HelpOfHelp", "vmhost help help", 0, usage_of("help")},
    {"HiddenCommandHelp", "vmhost complete --help", 0, usage_of("complete")},
    {"HelpAmongOtherArguments", "vmhost run s.vms --trace t.txt -h", 0, usage_of("run"), "", kLoad,
     nullptr, "", "t.txt"},
    {"Version", "vmhost --version", 0, "vmhost " VMHOST_VERSION "\n"},
    // Errors: what is wrong, what would be right, where to read on; never the usage.
    {"NoCommand", "vmhost", 2, "", "vmhost: error: no command given\n"
     "vmhost: note: known commands: run, fly, validate, compare, live, help\ntry 'vmhost --help'\n"},
    {"CommandTypo", "vmhost rn s.vms", 2, "",
     "vmhost: error: unknown command 'rn'\nvmhost: note: did you mean 'run'?\n"},
    {"HelpOfUnknownCommand", "vmhost help fyl", 2, "",
     "vmhost: error: unknown command 'fyl'\nvmhost: note: did you mean 'fly'?\n"},
    {"OptionTypo", "vmhost run s.vms --trcae t.txt", 2, "",
     "vmhost: error: unknown option '--trcae'\nvmhost: note: did you mean '--trace'?\n"
     "vmhost: note: known options: --trace, --report, --plugin, --help\n" + kHint},
    {"CompareOptionTypo", "vmhost compare a b --rell=1", 2, "",
     "vmhost: error: unknown option '--rell'\nvmhost: note: did you mean '--rel'?\n"},
    {"LiveOptionTypo", "vmhost live tarvik --prot 1", 2, "",
     "vmhost: error: unknown option '--prot'\nvmhost: note: did you mean '--port'?\n"},
    {"CompareAircraftTypo", "vmhost compare tarvik olumbr", 2, "",
     "vmhost: error: NEW: 'olumbr' is neither an aircraft (", kLoad, "err.txt",
     "\nvmhost: note: did you mean 'olumbra'?\ntry 'vmhost compare --help'\n"},
    {"OptionsFollowTheCommand", "vmhost --trace t.txt run s.vms", 2, "",
     "vmhost: error: unknown option '--trace'\n"},
    {"MissingValue", "vmhost run s.vms --trace", 2, "",
     "vmhost: error: --trace needs a FILE\n" + kHint},
    {"OptionTwice", "vmhost run s.vms --trace a --trace=b", 2, "",
     "vmhost: error: --trace given twice\n" + kHint},
    {"NoScenario", "vmhost run", 2, "", "vmhost: error: no SCENARIO given\n" + kHint},
    {"PluginOnlyForRun", "vmhost fly tarvik --plugin a", 2, "",
     "vmhost: error: unknown option '--plugin'\n"},
    {"PluginTwice", "vmhost run s.vms --plugin a --plugin b", 2, "",
     "vmhost: error: --plugin given twice\n" + kHint},
    {"CommandInCapitals", "vmhost RUN s.vms", 2, "",
     "vmhost: error: unknown command 'RUN'\nvmhost: note: did you mean 'run'?\n"},
    {"TwoScenarios", "vmhost run s.vms s.vms", 2, "",
     "vmhost: error: more than one SCENARIO given\n" + kHint},
    {"AircraftInOtherLetters", "vmhost fly Olumbra", 2, "",
     "vmhost: error: unknown aircraft 'Olumbra'\nvmhost: note: did you mean 'olumbra'?\n"},
    {"ScenarioCommandTypo", "vmhost run s.vms", 2, "",
     "s.vms:1: error: unknown command 'creat'\ns.vms:1: note: did you mean 'create'?\n",
     "creat t1\n"},
    {"QuantityTypo", "vmhost run s.vms", 2, "",
     "s.vms:3: error: unknown quantity 'altitdue'\ns.vms:3: note: did you mean 'altitude'?\n",
     kLoad + "create t1\nset t1 altitdue 100\n"},
    {"KeyInOtherLetters", "vmhost run s.vms", 2, "",
     "s.vms:3: error: unknown key 'k' (A to Z or a code 0..255)\n"
     "s.vms:3: note: did you mean 'K'?\n", kLoad + "create p\nkey p k\n"},
    {"LoadAircraftInOtherLetters", "vmhost run s.vms", 2, "",
     "s.vms:1: error: unknown aircraft 'Olumbra'\ns.vms:1: note: did you mean 'olumbra'?\n",
     "load Olumbra\n"},
    {"LoadAircraftTypo", "vmhost run s.vms", 2, "", "s.vms:1: error: cannot load plug-in 'tarvk'\n",
     "load tarvk\n", "err.txt", "s.vms:1: note: did you mean 'tarvik'?\n"},
    // A reader that goes away ends vmhost quietly, SIGPIPE or not.
    {"BrokenPipe", "{ vmhost run s.vms 2> err.txt; echo $? > st; } | head -2 > out.txt; "
     "exit $(cat st)", 141, "> load\nInitLib module\n", "", kLoad + "create v1\nstep 5000\n",
     nullptr, "", nullptr, kPosix},
    {"BrokenPipeWithSigpipeIgnored", "trap '' PIPE; { vmhost run s.vms 2> err.txt; echo $? > st; "
     "} | head -2 > out.txt; exit $(cat st)", 141, "> load\nInitLib module\n", "",
     kLoad + "create v1\nstep 5000\n", nullptr, "", nullptr, kPosix},
    // A run that flies says how the flight went.
    {"RunOfAFlightEndsWithItsSummary", "vmhost run s.vms --trace t.txt", 0, "",
     "t (tarvik)\n  flight time           1.0 s\n", "load tarvik\ncreate t\nphysics on\nstep 50\n"},
    // A report folder holds the last report's files, and what vmhost did not put there.
    {"ReportFolderReused", "mkdir r && vmhost run w.vms --report r --trace r/keep.txt && "
     "vmhost run s.vms --report r", 0, "", "", kLoad + "create v1\nstep\n", "r/keep.txt",
     "> vmvcInit w1 1\n", "r/w1.csv"},
};
// clang-format on

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

std::string read(const fs::path& p) {
    std::ifstream in(p);  // text: standard error has CRLF line ends on Windows
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CommandLine : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               testsupport::unique_name(std::string("vmhost_cli_") + GetParam().name);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST_P(CommandLine, BehavesAsCommandLinesDo) {
    const Case& c = GetParam();
#if defined(_WIN32)
    if (c.needs == kPosix) GTEST_SKIP() << "needs a POSIX shell";
#endif
    std::ofstream(dir_ / "s.vms", std::ios::binary) << c.scenario;
    std::ofstream(dir_ / "w.vms", std::ios::binary) << kLoad + "create w1\nstep\n";
    std::string command = c.command;
    const std::string program = testsupport::quote(kVmhost);
    for (std::size_t at = 0; (at = command.find("vmhost", at)) != std::string::npos;)
        command.replace(at, 6, program), at += program.size();
    if (command.find('>') == std::string::npos) command += " > out.txt 2> err.txt";
    const int status = testsupport::run_in(dir_, command);
    const std::string out = read(dir_ / "out.txt"), err = read(dir_ / "err.txt");
    EXPECT_EQ(status, c.status) << err;
    EXPECT_EQ(out.substr(0, c.out.size()), c.out) << out;
    EXPECT_EQ(c.err.empty() ? err : err.substr(0, c.err.size()), c.err);
    if (c.file) {
        EXPECT_NE(read(dir_ / c.file).find(c.text), std::string::npos) << c.text;
    }
    if (c.absent) {
        EXPECT_FALSE(fs::exists(dir_ / c.absent)) << c.absent;
    }
}
INSTANTIATE_TEST_SUITE_P(Vmhost, CommandLine, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

// Every aircraft vmhost knows is named where a user looks for it.
TEST(CommandLineNames, EveryAircraft) {
    const fs::path dir = fs::temp_directory_path() / testsupport::unique_name("vmhost_names");
    fs::create_directories(dir);
    std::vector<std::string> texts;
    for (const char* args : {"fly --help", "fly", "fly nosuch", "complete aircraft"}) {
        testsupport::run_in(dir, testsupport::quote(kVmhost) + " " + args + " > o.txt 2> e.txt");
        texts.push_back(read(dir / "o.txt") + read(dir / "e.txt"));
    }
    fs::remove_all(dir);
    for (const std::string& text : texts)
        for (const vmhost::Aircraft& a : vmhost::all_aircraft())
            EXPECT_NE(text.find(a.name), std::string::npos) << text;
}

}  // namespace
