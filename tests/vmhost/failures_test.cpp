// What vmhost cannot do is never reported as success, nor a crash. Inputs it
// refuses: a scenario line that cannot run ("FILE:LINE: error: WHAT"), a file
// it cannot read or must not overwrite, too little memory. Outputs it cannot
// write, and runs stopped by a signal. Each row runs vmhost in a shell.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "library.h"
#include "subprocess.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// vmhost and the probe plug-in are built beside this test.
const std::string kBin = vmhost::library::executable_dir();
const std::string kVmhost = (fs::path(kBin) / VMHOST_NAME).string();
const std::string kLoad = "load " + kBin + "/Probe.so\n";
const std::string kVessel = kLoad + "create v1\n";
const std::string kReport = "vmhost run s.vms --report r > t.txt 2> err.txt";
const char* const kAircraft[] = {VM_AIRCRAFT_NAMES};
const std::string kAny = kAircraft[0];  // when any aircraft will do

enum Needs { kAnywhere, kPosix, kNoSanitizer };  // a POSIX shell and /dev; a real allocator

struct Case {
    std::string scenario = "";  // in s.vms
    std::string error = "";     // the first line on stderr
    std::string command = "vmhost run s.vms --trace t.txt 2> err.txt";
    int status = 2;
    Needs needs = kAnywhere;
    const char* file = nullptr;  // holds `text` (at its end, after a signal)
    std::string text = "";
    int signal = 0;  // sent once `file` has content
};

const Case kBadInputs[] = {
    // Commands, argument counts and order.
    {"bogus\n", "s.vms:1: error: unknown command 'bogus'"},
    {"\n# comment\n  load\n", "s.vms:3: error: wrong number of arguments: load PLUGIN"},
    {"Load x\n", "s.vms:1: error: unknown command 'Load'"},
    {"\x01\xff\n", "s.vms:1: error: unknown command '\\x01\\xff'"},
    {"step\n", "s.vms:1: error: no plug-in loaded yet ('load' first)"},
    {"create v1\n", "s.vms:1: error: no plug-in loaded yet ('load' first)"},
    {"version\n", "s.vms:1: error: no plug-in loaded yet ('load' first)"},
    {kLoad + kLoad, "s.vms:2: error: the plug-in is already loaded"},
    {"load nosuch.so\n", "s.vms:1: error: cannot load plug-in 'nosuch.so'"},
    {kLoad + "unload\nstep\n", "s.vms:3: error: nothing may follow 'unload'"},
    {kLoad + "unload\nunload\n", "s.vms:3: error: nothing may follow 'unload'"},
    {kLoad + "unload\nsound full\n", "s.vms:3: error: nothing may follow 'unload'"},
    {kLoad + "version 2\n", "s.vms:2: error: wrong number of arguments: version"},
    {kLoad + "step 1 2\n", "s.vms:2: error: wrong number of arguments: step [N]"},
    {kVessel + "delete v1 v1\n", "s.vms:3: error: wrong number of arguments: delete NAME"},
    // The sound add-on.
    {"sound loud\n",
     "s.vms:1: error: unknown sound mode 'loud' (none, full, no-id, partial or a path)"},
    {"sound\n", "s.vms:1: error: wrong number of arguments: sound MODE"},
    {"sound none\nsound full\n", "s.vms:2: error: the sound add-on was already chosen"},
    {kVessel + "sound full\n", "s.vms:3: error: 'sound' must come before the first 'create'"},
    {kVessel + "delete v1\nsound none\n",
     "s.vms:4: error: 'sound' must come before the first 'create'"},
    // Vessel names.
    {kLoad + "create v-1\n",
     "s.vms:2: error: invalid vessel name 'v-1' (letters, digits and _ only)"},
    {kLoad + "create null\n", "s.vms:2: error: the vessel name 'null' is reserved"},
    {kLoad + "create warp\n", "s.vms:2: error: the vessel name 'warp' is reserved"},
    {kLoad + "create module\n", "s.vms:2: error: the vessel name 'module' is reserved"},
    {kLoad + "create mesh1\n", "s.vms:2: error: the vessel name 'mesh1' is reserved"},
    {kLoad + "create thg12\n", "s.vms:2: error: the vessel name 'thg12' is reserved"},
    {kLoad + "create cf1\n", "s.vms:2: error: the vessel name 'cf1' is reserved"},
    {kVessel + "create v1 2\n", "s.vms:3: error: vessel 'v1' already exists"},
    {kLoad + "set v1 airspeed 5\n", "s.vms:2: error: unknown vessel 'v1'"},
    {kVessel + "key V1 F\n", "s.vms:3: error: unknown vessel 'V1'"},
    {kVessel + "delete v1\nkey v1 F\n", "s.vms:4: error: vessel 'v1' was deleted"},
    {kVessel + "delete v1\ndelete v1\n", "s.vms:4: error: vessel 'v1' was deleted"},
    {kVessel + "delete v1\nairfoil v1 0 0\n", "s.vms:4: error: vessel 'v1' was deleted"},
    {kLoad + "create v1 99\nkey v1 F\n", "s.vms:3: error: vessel 'v1' has no plug-in object"},
    {kLoad + "create v1 98\nvc v1\n", "s.vms:3: error: vessel 'v1' has no plug-in object"},
    // Numbers.
    {kLoad + "create v1 x\n", "s.vms:2: error: 'x' is not an integer"},
    {kLoad + "create v1 1.0\n", "s.vms:2: error: '1.0' is not an integer"},
    {kLoad + "create v1 nan\n", "s.vms:2: error: 'nan' is not an integer"},
    {kLoad + "create v1 " + std::string(1 << 20, '9') + "\n",
     "s.vms:2: error: flight model " + std::string(64, '9') +
         "... is out of range (-2147483648..2147483647)"},
    {kLoad + "create v1 99999999999\n",
     "s.vms:2: error: flight model 99999999999 is out of range (-2147483648..2147483647)"},
    {kLoad + "step -1\n", "s.vms:2: error: step count -1 is out of range (0..100000000)"},
    {kLoad + "step 1e3\n", "s.vms:2: error: '1e3' is not an integer"},
    {kLoad + "step inf\n", "s.vms:2: error: 'inf' is not an integer"},
    {kLoad + "step 100000001\n",
     "s.vms:2: error: step count 100000001 is out of range (0..100000000)"},
    {kLoad + "step 99999999999999999999\n",
     "s.vms:2: error: step count 99999999999999999999 is out of range (0..100000000)"},
    {kVessel + "vc v1 one\n", "s.vms:3: error: 'one' is not an integer"},
    // set.
    {kVessel + "set v1 speed 5\n", "s.vms:3: error: unknown quantity 'speed'"},
    {kVessel + "set v1 airspeed fast\n", "s.vms:3: error: 'fast' is not a number"},
    {kVessel + "set v1 airspeed 5m\n", "s.vms:3: error: '5m' is not a number"},
    {kVessel + "set v1 airspeed\n",
     "s.vms:3: error: wrong number of arguments: set NAME QUANTITY VALUE"},
    {kVessel + "set v1\n",
     "s.vms:3: error: wrong number of arguments: set NAME QUANTITY VALUE, set warp VALUE or set "
     "heading VALUE"},
    {kLoad + "set warp 1 2\n", "s.vms:2: error: wrong number of arguments: set warp VALUE"},
    {kLoad + "set warp x\n", "s.vms:2: error: 'x' is not a number"},
    {kLoad + "set heading north\n", "s.vms:2: error: 'north' is not a number"},
    {kVessel + "set v1 ground 2\n", "s.vms:3: error: ground is 0 or 1, not 2"},
    {kVessel + "set v1 ground nan\n", "s.vms:3: error: ground is 0 or 1, not nan"},
    // Keys.
    {kVessel + "key v1 FF\n", "s.vms:3: error: unknown key 'FF' (A to Z or a code 0..255)"},
    {kVessel + "key v1 f\n", "s.vms:3: error: unknown key 'f' (A to Z or a code 0..255)"},
    {kVessel + "key v1 -1\n", "s.vms:3: error: unknown key '-1' (A to Z or a code 0..255)"},
    {kVessel + "key v1 256\n", "s.vms:3: error: key code 256 is out of range (0..255)"},
    {kVessel + "key v1 0x100\n", "s.vms:3: error: key code 0x100 is out of range (0..255)"},
    {kVessel + "key v1 0x\n", "s.vms:3: error: '0x' is not an integer"},
    {kVessel + "key v1 F down\n",
     "s.vms:3: error: unknown key option 'down' (up, shift, ctrl, alt)"},
    {kVessel + "key v1 F up shift up\n", "s.vms:3: error: key option 'up' given twice"},
    {kVessel + "key v1\n",
     "s.vms:3: error: wrong number of arguments: key NAME KEY [up] [shift] [ctrl] [alt]"},
    // Airfoils.
    {kVessel + "airfoil v1 0\n",
     "s.vms:3: error: wrong number of arguments: airfoil NAME INDEX ANGLE [MACH [RE]]"},
    {kVessel + "airfoil v1 2 0\n", "s.vms:3: error: vessel 'v1' has no airfoil 2"},
    {kVessel + "airfoil v1 1 0\n", "s.vms:3: error: airfoil 1 of vessel 'v1' has no function"},
    {kVessel + "airfoil v1 -1 0\n",
     "s.vms:3: error: airfoil index -1 is out of range (0..2147483647)"},
    {kVessel + "airfoil v1 0 x\n", "s.vms:3: error: 'x' is not a number"},
    {kLoad + "create v1 99\nairfoil v1 0 0\n", "s.vms:3: error: vessel 'v1' has no airfoil 0"},
    // clang-format off
    // Paths and file names: no control byte cuts them short or reaches the terminal.
    {"load a\0b.so\n"s, "s.vms:1: error: the plug-in path 'a\\x00b.so' holds a control byte"},
    {"load ./\x1b[2J.so\n", "s.vms:1: error: the plug-in path './\\x1b[2J.so' holds a control byte"},
    {"sound ./a\0b\n"s, "s.vms:1: error: the sound add-on path './a\\x00b' holds a control byte"},
    {.scenario = "bogus\n", .error = "e\\x1b.vms:1: error: unknown command 'bogus'",
     .command = "f=$(printf 'e\\033.vms'); cp s.vms $f; vmhost run $f 2> err.txt", .needs = kPosix},
    // Files that cannot be read, or must not be overwritten.
    {.error = "vmhost: error: cannot read scenario 'no.vms': No such file or directory",
     .command = "vmhost run no.vms 2> err.txt"},
    {.error = "vmhost: error: cannot read scenario '.': Is a directory",
     .command = "vmhost run . 2> err.txt", .needs = kPosix},
    {.error = "vmhost: error: cannot read scenario '/proc/self/mem': Input/output error",
     .command = "vmhost run /proc/self/mem 2> err.txt", .needs = kPosix},
    {.error = "vmhost: error: cannot read scenario '/dev/zero': larger than 64 MiB",
     .command = "vmhost run /dev/zero 2> err.txt", .needs = kPosix},
    {.error = "vmhost: error: cannot write trace 'no/t.txt': No such file or directory",
     .command = "vmhost run s.vms --trace no/t.txt 2> err.txt"},
    {.error = "vmhost: error: the trace 's.vms' would overwrite the scenario",
     .command = "vmhost run s.vms --trace s.vms 2> err.txt"},
    {.error = "vmhost: error: the trace 'l.vms' would overwrite the scenario",
     .command = "ln -s s.vms l.vms; ln s.vms h.vms; vmhost run h.vms --trace l.vms 2> err.txt",
     .needs = kPosix},
    // The report writes nothing over the trace, the scenario or a plug-in
    // loaded, and refuses before it writes anything.
    {.scenario = kVessel + "step\n", .error = "vmhost: error: the report in 'r' could overwrite "
     "the trace 'r/v1.csv' (it writes index.html, NAME.csv and NAME.svg there)",
     .command = "mkdir r && vmhost run s.vms --report r --trace r/v1.csv 2> err.txt"},
    {.scenario = kVessel, .error = "vmhost: error: the report in '.' could overwrite the scenario "
     "'INDEX.html' (it writes index.html, NAME.csv and NAME.svg there)",
     .command = "cp s.vms INDEX.html; vmhost run INDEX.html --report . 2> err.txt", .needs = kPosix},
    {.scenario = "load r/p.svg\ncreate p\nstep\n", .error = "vmhost: error: the report file "
     "'r/p.svg' would overwrite 'r/p.svg', which the run used", .command = "mkdir r; cp " + kBin +
     "/Probe.so r/p.svg; vmhost run s.vms --report r 2> err.txt; s=$?; test ! -e r/p.csv && exit $s",
     .needs = kPosix},
    // Memory: nothing reserved per vessel up front; running out is an error.
    {.scenario = [] { std::string s = kLoad; for (int i = 0; i < 500; ++i) s += "create v" +
                      std::to_string(i) + "\n"; return s + "step\n"; }(),
     .command = "ulimit -v 100000; " + kReport, .status = 0, .needs = kNoSanitizer},
    {.error = "vmhost: error: out of memory", .command = "head -c 60000000 /dev/zero | tr '\\0' x "
     "> s.vms; ulimit -v 100000; vmhost run s.vms 2> err.txt", .needs = kNoSanitizer},
    // clang-format on
};

// clang-format off
const Case kOutputs[] = {
    {.scenario = kVessel + "step 3\n", .error = "vmhost: error: cannot write trace '/dev/full': "
     "No space left on device", .command = "vmhost run s.vms --trace /dev/full 2> err.txt",
     .needs = kPosix},
    {.scenario = kVessel, .error = "vmhost: error: cannot write trace to standard output: Bad "
     "file descriptor", .command = "vmhost run s.vms 2> err.txt >&-", .needs = kPosix},
    {.error = "vmhost: error: cannot write summary to standard output: No space left on device",
     .command = "vmhost fly " + kAny + " > /dev/full 2> err.txt", .needs = kPosix},
    {.error = "vmhost: error: cannot write help to standard output: No space left on device",
     .command = "vmhost --help > /dev/full 2> err.txt", .needs = kPosix},
    {.scenario = kVessel + "step\n", .error = "vmhost: error: cannot write report 'r/v1.csv': "
     "No space left on device", .command = "mkdir r; ln -s /dev/full r/v1.csv; " + kReport,
     .needs = kPosix},
    {.error = "vmhost: error: cannot write the results to standard output: No space "
     "left on device", .command = "vmhost validate " + kAny + " --only exports > /dev/full 2> err.txt",
     .needs = kPosix},
    {.error = "vmhost: error: cannot write the JSON report '/dev/full': No space left "
     "on device", .command = "vmhost validate " + kAny + " --only exports --json /dev/full > "
     "/dev/null 2> err.txt", .needs = kPosix},
    // A signal: the trace ends with a remark after a whole line.
    {.scenario = kVessel + "step 100000000\n", .status = 130, .needs = kPosix, .file = "t.txt",
     .text = "\nvmapiGetTimeAcceleration = 1\n# interrupted\n", .signal = SIGINT},
    {.scenario = kVessel + "until v1 altitude above 1 100000000\n", .status = 143, .needs = kPosix,
     .file = "t.txt", .text = "\nvmapiGetTimeAcceleration = 1\n# interrupted\n", .signal = SIGTERM},
    // Reports: a file per vessel, also for a reused name (in any case); numbers of any size.
    {.scenario = kVessel + "step\ndelete v1\ncreate v1\nstep\ndelete v1\ncreate V1\nstep\n",
     .command = kReport, .status = 0, .file = "r/index.html", .text = "<a href=\"V1-3.csv\">"},
    {.scenario = kVessel + "set v1 altitude -1e300\nstep\n", .command = kReport, .status = 0,
     .file = "r/index.html", .text = "\">-1e+300 m</td>"},
};
// clang-format on

std::string read(const fs::path& p) {
    std::ifstream in(p);  // text: standard error has CRLF line ends on Windows
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.command;
}

#if !defined(_WIN32)
// Runs `command` like run_in, and sends it `sig` once `file` has content.
int run_and_signal(const fs::path& dir, const std::string& command, const char* file, int sig) {
    const std::string line = "cd " + testsupport::quote(dir.string()) + " && exec " + command;
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::error_code ec;
    for (int i = 0; i < 6000 && !(fs::file_size(dir / file, ec) > 0 && !ec); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, sig);
    int raw = 0;
    waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}
#endif

void run(const Case& c) {
#if defined(_WIN32)
    if (c.needs != kAnywhere) GTEST_SKIP() << "needs a POSIX shell, /dev and signals";
#elif defined(__SANITIZE_ADDRESS__)
    if (c.needs == kNoSanitizer)
        GTEST_SKIP() << "AddressSanitizer's operator new aborts where std::bad_alloc is due";
#endif
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    name.replace(name.find('/'), 1, "_");
    const fs::path dir = fs::temp_directory_path() / testsupport::unique_name("vmhost_" + name);
    fs::create_directories(dir);
    std::ofstream(dir / "s.vms", std::ios::binary) << c.scenario;
    std::string command = c.command;
    for (std::size_t at = 0; (at = command.find("vmhost ", at)) != std::string::npos;)
        command.replace(at, 6, testsupport::quote(kVmhost)), at += kVmhost.size();
    int status = 0;
#if !defined(_WIN32)
    if (c.signal) status = run_and_signal(dir, command, c.file, c.signal);
#endif
    if (!c.signal) status = testsupport::run_in(dir, command);
    const std::string err = read(dir / "err.txt");
    const std::string file = c.file ? read(dir / c.file) : "";
    fs::remove_all(dir);
    EXPECT_EQ(status, c.status) << err;
    EXPECT_EQ(err.substr(0, err.find('\n')), c.error) << err;
    const std::size_t at = file.rfind(c.text);
    EXPECT_TRUE(at != std::string::npos && (!c.signal || at + c.text.size() == file.size()))
        << c.text << " not in "
        << file.substr(file.size() - std::min<std::size_t>(file.size(), 200));
}

class BadInput : public ::testing::TestWithParam<Case> {};
TEST_P(BadInput, IsReportedWithItsMessageAndStatus) {
    run(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Vmhost, BadInput, ::testing::ValuesIn(kBadInputs));

class Output : public ::testing::TestWithParam<Case> {};
TEST_P(Output, FailureIsReportedWithItsReasonAndStatus) {
    run(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Vmhost, Output, ::testing::ValuesIn(kOutputs));

}  // namespace
