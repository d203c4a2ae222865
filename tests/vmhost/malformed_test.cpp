// Scenarios that cannot run: each is reported as "FILE:LINE: error: WHAT" on
// standard error with exit status 2, never a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "library.h"
#include "subprocess.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// vmhost and the probe plug-in are built beside this test.
const std::string kBin = vmhost::library::executable_dir();
const std::string kVmhost = (fs::path(kBin) / VMHOST_NAME).string();
const std::string kLoad = "load " + kBin + "/Probe.so\n";
const std::string kVessel = kLoad + "create v1\n";

struct Case {
    std::string scenario;
    std::string error;  // the first line on stderr
};

const Case kCases[] = {
    // Commands, argument counts and order.
    {"bogus\n", "s.vms:1: error: unknown command 'bogus'"},
    {"\n# comment\n  load\n", "s.vms:3: error: wrong number of arguments: load PLUGIN"},
    {"Load tarvik\n", "s.vms:1: error: unknown command 'Load'"},
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
    // Paths: no control byte cuts them short or reaches the terminal.
    {"load a\0b.so\n"s, "s.vms:1: error: the plug-in path 'a\\x00b.so' holds a control byte"},
    {"load ./\x1b[2J.so\n",
     "s.vms:1: error: the plug-in path './\\x1b[2J.so' holds a control byte"},
    {"sound ./a\0b\n"s, "s.vms:1: error: the sound add-on path './a\\x00b' holds a control byte"},
};

class Malformed : public ::testing::TestWithParam<Case> {};

std::string read(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The case's place in the table: a stable, readable test name (the test
// framework keeps copies of the cases, so addresses do not tell them apart).
std::size_t index_of(const Case& c) {
    std::size_t i = 0;
    while (i < std::size(kCases) &&
           (kCases[i].scenario != c.scenario || kCases[i].error != c.error))
        ++i;
    return i;
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << "case " << index_of(c);
}

TEST_P(Malformed, IsReportedWithItsLineAndExitStatusTwo) {
    const fs::path dir =
        fs::temp_directory_path() /
        testsupport::unique_name("vmhost_bad_" + std::to_string(index_of(GetParam())));
    fs::create_directories(dir);
    std::ofstream(dir / "s.vms", std::ios::binary) << GetParam().scenario;
    const int status = testsupport::run_in(
        dir, testsupport::quote(kVmhost) + " run s.vms --trace t.txt 2> err.txt");
    const std::string err = read(dir / "err.txt");
    fs::remove_all(dir);
    EXPECT_EQ(status, 2) << GetParam().scenario;
    EXPECT_EQ(err.substr(0, err.find('\n')), GetParam().error) << err;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Malformed, ::testing::ValuesIn(kCases));

}  // namespace
