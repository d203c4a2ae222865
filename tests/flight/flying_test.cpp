// vmhost flies: the default flights, their flight log, determinism, the
// scenario commands for flying, and the README's main-job command. These run
// the vmhost program; each default flight takes a few seconds.
#include "flying.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::Flying;
using testsupport::read_file;

// Every aircraft of the build, and the one a test flies when any will do.
const char* const kAircraft[] = {VM_AIRCRAFT_NAMES};
const std::string kAny = kAircraft[0];

// Every default flight: the aircraft rolls, lifts off, climbs above 1000 m
// with its lights on, and nothing in the log is nan or infinite.
class DefaultFlight : public Flying, public ::testing::WithParamInterface<const char*> {};

TEST_P(DefaultFlight, LiftsOffAndClimbs) {
    const std::string name = GetParam();
    ASSERT_EQ(vmhost("fly " + name + " --report report"), 0) << file("err.txt");
    const testsupport::Log log = testsupport::read_log(dir_ / "report" / (name + ".csv"));
    ASSERT_GT(log.rows.size(), 100u);
    EXPECT_TRUE(log.all_finite);
    const std::size_t ground = log.col("ground");
    EXPECT_EQ(log.rows.front()[ground], 1) << "starts on the ground";
    const std::size_t off = log.lift_off();
    ASSERT_LT(off, log.rows.size()) << "never lifts off";
    EXPECT_GT(log.rows[off][log.col("airspeed_ms")], 30);
    EXPECT_GT(log.max("altitude_m"), 1000);
    EXPECT_EQ(log.rows.back()[ground], 0) << "still flying at the end";
    EXPECT_GT(log.rows.back()[log.col("lights")], 0) << "lights on";
}

INSTANTIATE_TEST_SUITE_P(Vmhost, DefaultFlight, ::testing::ValuesIn(kAircraft),
                         [](const auto& p) { return std::string(p.param); });

TEST_F(Flying, TheSameFlightGivesTheSameLogTwice) {
    ASSERT_EQ(vmhost("fly " + kAny + " --report a --trace a.txt"), 0) << file("err.txt");
    ASSERT_EQ(vmhost("fly " + kAny + " --report b --trace b.txt"), 0) << file("err.txt");
    const std::string a = read_file(dir_ / "a" / (kAny + ".csv"));
    EXPECT_GT(a.size(), 1000u);
    EXPECT_TRUE(a == read_file(dir_ / "b" / (kAny + ".csv")));
    EXPECT_TRUE(file("a.txt") == file("b.txt"));
}

// `vmhost fly FILE` flies a scenario file as `vmhost fly NAME` flies the
// built-in flight: the example file gives the same summary and report, a
// copy with the throttle changed flies differently.
struct OwnFlight {
    const char* name;
    const char* throttle;  // the value given the first throttle in a copy; null: the file itself
    bool same;
};

void PrintTo(const OwnFlight& f, std::ostream* os) {
    *os << f.name;
}

class OwnFlights : public Flying, public ::testing::WithParamInterface<OwnFlight> {};

TEST_P(OwnFlights, FlyAsTheDefaultFlightDoes) {
    const OwnFlight& f = GetParam();
    const fs::path example = fs::path(SOURCE_DIR) / "examples" / ("fly-" + kAny + ".vms");
    std::string flight = read_file(example);
    const std::string throttle = "\nthrottle " + kAny + " ";
    const std::size_t at = flight.find(throttle);
    ASSERT_NE(at, std::string::npos) << throttle;
    const std::size_t value = at + throttle.size();
    if (f.throttle) flight.replace(value, flight.find('\n', value) - value, f.throttle);
    write("copy.vms", flight);
    ASSERT_EQ(vmhost("fly " + kAny + " --report r"), 0) << file("err.txt");
    const std::string summary = file("out.txt"), report = file("r/index.html");
    const std::string flown = f.throttle ? "copy.vms" : testsupport::quote(example.string());
    ASSERT_EQ(vmhost("fly " + flown + " --report r"), 0) << file("err.txt");
    EXPECT_EQ(file("out.txt") == summary, f.same) << file("out.txt");
    EXPECT_EQ(file("r/index.html") == report, f.same);
}

INSTANTIATE_TEST_SUITE_P(Vmhost, OwnFlights,
                         ::testing::Values(OwnFlight{"TheExampleItself", nullptr, true},
                                           OwnFlight{"ACopyWithLessThrottle", "0.5", false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Flying, TheReportIsSelfContained) {
    ASSERT_EQ(vmhost("fly " + kAny + " --report r"), 0) << file("err.txt");
    const std::string html = read_file(dir_ / "r" / "index.html");
    const std::string svg = read_file(dir_ / "r" / (kAny + ".svg"));
    EXPECT_NE(html.find("var uPlot="), std::string::npos);  // the chart library, built in
    EXPECT_NE(html.find("class=log>"), std::string::npos);  // and the log it draws
    EXPECT_NE(svg.find("Altitude"), std::string::npos);
    EXPECT_NE(svg.find("limit "), std::string::npos);
    for (const std::string& page : {html, svg}) {
        EXPECT_EQ(page.find("http://"), page.find("http://www.w3.org/2000/svg"));
        EXPECT_EQ(page.find("https://"), std::string::npos);
        EXPECT_EQ(page.find("<script src"), std::string::npos);
    }
}

// The commands of section "Flying" in the README, run as written.
TEST_F(Flying, TheReadmesMainJobLeavesTheReportWhereItSays) {
    const std::string readme = read_file(fs::path(SOURCE_DIR) / "README.md");
    const std::size_t at = readme.find("bin/vmhost fly ");
    ASSERT_NE(at, std::string::npos) << "no 'vmhost fly' command in the README";
    const std::size_t args = readme.find("fly ", at);
    const std::string command = readme.substr(args, readme.find('\n', args) - args);
    ASSERT_EQ(vmhost(command), 0) << command << "\n" << file("err.txt");
    // The README says where the report goes: "DIR/index.html".
    const std::size_t report = command.find("--report ");
    ASSERT_NE(report, std::string::npos);
    const std::string dir = command.substr(report + 9, command.find(' ', report + 9) - report - 9);
    EXPECT_NE(readme.find(dir + "/index.html"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ / dir / "index.html"));
}

TEST_F(Flying, PilotInputsReachThePlugInWithOrWithoutPhysics) {
    write("s.vms",
          "load " + kAny +
              "\ncreate t\nset t ground 1\nthrottle t 0.5\nrudder t 0.25\nelevator t "
              "-0.5\nstep\n"
              "autopilot t pitch 0.1\nautopilot t bank 0\nautopilot t off\nbrake t 1\ntrim t 0.1\n"
              "aileron t 0.2\nstep\n");
    ASSERT_EQ(vmhost("run s.vms"), 0) << file("err.txt");
    const std::string trace = file("out.txt");
    EXPECT_NE(trace.find("GetThrusterLevel th1 = 0.5"), std::string::npos);
    EXPECT_NE(trace.find("GetControlSurfaceLevel 1 = 0.25"), std::string::npos);
    // Without physics nothing moves: the readings stay as set.
    EXPECT_NE(trace.find("GetAirspeed = 0\n"), std::string::npos);
    EXPECT_EQ(trace.find("> cf1"), std::string::npos);

    // With physics on the engine moves the aircraft and the readings follow.
    write("p.vms", "load " + kAny + "\ncreate t\nphysics on\nthrottle t 1\nstep 100\n");
    ASSERT_EQ(vmhost("run p.vms"), 0) << file("err.txt");
    const std::string moving = file("out.txt");
    const std::size_t last = moving.rfind("GetAirspeed = ");
    ASSERT_NE(last, std::string::npos);
    EXPECT_GT(std::strtod(moving.c_str() + last + 14, nullptr), 5);
}

TEST_F(Flying, FaultyFlyingCommandsStopTheScenario) {
    const std::map<std::string, std::string> faults = {
        {"physics maybe", "physics is on or off"},
        {"throttle t", "wrong number of arguments: throttle NAME LEVEL"},
        {"throttle t lots", "'lots' is not a number"},
        {"elevator x 1", "unknown vessel 'x'"},
        {"autopilot t sideways 1", "unknown autopilot mode 'sideways'"},
        {"autopilot t pitch", "wrong number of arguments: autopilot NAME pitch VALUE"},
        {"autopilot t off roll", "unknown autopilot axis 'roll'"},
        {"until t altitude over 5", "until NAME QUANTITY above|below VALUE"},
        {"until t colour above 5", "unknown quantity 'colour'"},
        {"until t airborne 5 6", "wrong number of arguments: until NAME airborne [MAXSTEPS]"},
        {"until t airborne -1", "out of range"},
        {"until t grounded within",
         "wrong number of arguments: until NAME grounded within SECONDS"},
        {"until t airborne within -1", "time limit -1 is out of range (0..2000000 s)"},
        {"until t airborne within soon", "'soon' is not a number"},
    };
    for (const auto& [line, message] : faults) {
        write("s.vms", "load " + kAny + "\ncreate t\n" + line + "\nstep\n");
        EXPECT_EQ(vmhost("run s.vms"), 2) << line;
        const std::string err = file("err.txt");
        EXPECT_EQ(err.rfind("s.vms:3: error: ", 0), 0u) << line << ": " << err;
        EXPECT_NE(err.find(message), std::string::npos) << line << ": " << err;
    }
    EXPECT_EQ(vmhost("fly cessna"), 2);
    EXPECT_NE(file("err.txt").find("unknown aircraft 'cessna'"), std::string::npos);
    EXPECT_EQ(vmhost("fly " + kAny + " --report"), 2);
}

}  // namespace
