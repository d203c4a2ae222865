// vmhost flies: the default flights, their flight log, determinism, the
// scenario commands for flying, and the README's main-job command. These run
// the vmhost program; each default flight takes a few seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "aircraft.h"
#include "subprocess.h"

namespace {

namespace fs = std::filesystem;

// Byte for byte.
std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A flight log as written to NAME.csv: named columns of numbers.
struct Log {
    std::vector<std::string> names;
    std::vector<std::vector<double>> rows;
    bool all_finite = true;

    std::size_t col(const std::string& name) const {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return i;
        ADD_FAILURE() << "no column " << name;
        return 0;
    }
    double max(const std::string& name) const {
        const std::size_t c = col(name);
        double m = -INFINITY;
        for (const auto& r : rows) m = std::fmax(m, r[c]);
        return m;
    }
};

Log read_log(const fs::path& p) {
    Log log;
    std::istringstream in(read_file(p));
    std::string line;
    std::getline(in, line);
    std::istringstream header(line);
    for (std::string cell; std::getline(header, cell, ',');) log.names.push_back(cell);
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            char* end = nullptr;
            const double v = std::strtod(cell.c_str(), &end);
            if (cell.empty() || *end != '\0' || !std::isfinite(v)) log.all_finite = false;
            row.push_back(v);
        }
        EXPECT_EQ(row.size(), log.names.size()) << line;
        log.rows.push_back(row);
    }
    return log;
}

class Flying : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               testsupport::unique_name(
                   std::string("vmhost_flying_") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    int vmhost(const std::string& args) {
        return testsupport::run_in(
            dir_, testsupport::quote(VMHOST_PATH) + " " + args + " > out.txt 2> err.txt");
    }
    std::string file(const char* name) { return read_file(dir_ / name); }
    void write(const char* name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    fs::path dir_;
};

// The first row of the log off the ground, or the number of rows.
std::size_t lift_off(const Log& log) {
    const std::size_t ground = log.col("ground");
    std::size_t row = 0;
    while (row < log.rows.size() && log.rows[row][ground] == 1) ++row;
    return row;
}

// Every default flight: the aircraft rolls, lifts off, climbs above 1000 m
// with its lights on, and nothing in the log is nan or infinite.
class DefaultFlight : public Flying, public ::testing::WithParamInterface<const char*> {};

TEST_P(DefaultFlight, LiftsOffAndClimbs) {
    const std::string name = GetParam();
    ASSERT_EQ(vmhost("fly " + name + " --report report"), 0) << file("err.txt");
    const Log log = read_log(dir_ / "report" / (name + ".csv"));
    ASSERT_GT(log.rows.size(), 100u);
    EXPECT_TRUE(log.all_finite);
    const std::size_t ground = log.col("ground");
    EXPECT_EQ(log.rows.front()[ground], 1) << "starts on the ground";
    const std::size_t off = lift_off(log);
    ASSERT_LT(off, log.rows.size()) << "never lifts off";
    EXPECT_GT(log.rows[off][log.col("airspeed_ms")], 30);
    EXPECT_GT(log.max("altitude_m"), 1000);
    EXPECT_EQ(log.rows.back()[ground], 0) << "still flying at the end";
    EXPECT_GT(log.rows.back()[log.col("lights")], 0) << "lights on";
}

std::vector<const char*> aircraft_names() {
    std::vector<const char*> names;
    for (const vmhost::Aircraft& a : vmhost::all_aircraft()) names.push_back(a.name);
    return names;
}
INSTANTIATE_TEST_SUITE_P(Vmhost, DefaultFlight, ::testing::ValuesIn(aircraft_names()),
                         [](const auto& p) { return std::string(p.param); });

TEST_F(Flying, TarvikTakesOffWithFlapsAndMeetsItsEnvelopeAt7000m) {
    ASSERT_EQ(vmhost("fly tarvik --report report"), 0) << file("err.txt");
    const Log log = read_log(dir_ / "report" / "tarvik.csv");

    // Flaps fully out on the roll, in once airborne.
    const std::size_t flaps = log.col("flaps");
    const std::size_t off = lift_off(log);
    ASSERT_LT(off, log.rows.size());
    EXPECT_EQ(log.rows[off][flaps], 1);
    EXPECT_EQ(log.rows.back()[flaps], 0);

    // The envelope, step by step: the maximum thrust the plug-in set after
    // each step follows the airspeed and altitude of that step.
    const std::size_t alt = log.col("altitude_m"), speed = log.col("airspeed_ms"),
                      max = log.col("thrust_max_n");
    int cut = 0;
    for (const auto& r : log.rows) {
        const bool outside = r[alt] >= 7000 || r[speed] >= 177;
        EXPECT_EQ(r[max], outside ? 0 : 300000) << "at " << r[0] << " s";
        cut += outside ? 1 : 0;
    }
    EXPECT_GT(cut, 0) << "never reached 7000 m";
    EXPECT_LT(log.max("altitude_m"), 7100) << "the envelope holds it near 7000 m";

    // The summary table names the events.
    const std::string out = file("out.txt");
    for (const char* e : {"lifts off", "flaps out", "flaps in", "lights on", "maximum thrust 0 N",
                          "top altitude", "distance"})
        EXPECT_NE(out.find(e), std::string::npos) << e;
}

TEST_F(Flying, OlumbraKeepsItsGearDownUntilAirborneAndMeetsItsCeiling) {
    ASSERT_EQ(vmhost("fly olumbra --report report --trace trace.txt"), 0) << file("err.txt");
    const Log log = read_log(dir_ / "report" / "olumbra.csv");

    const std::size_t ground = log.col("ground"), gear = log.col("gear"),
                      alt = log.col("altitude_m"), speed = log.col("airspeed_ms"),
                      max = log.col("thrust_max_n");
    for (const auto& r : log.rows) {
        if (r[ground] == 1) {
            EXPECT_EQ(r[gear], 0) << "gear moves on the ground at " << r[0];
        }
    }
    EXPECT_EQ(log.rows.back()[gear], 1) << "gear up";

    // The bands of the envelope: 300000 N from 17000 m, 0 from 20000 m.
    int band = 0, ceiling = 0;
    for (const auto& r : log.rows) {
        double expected = 400000;
        if (r[speed] >= 200) expected = r[speed] >= 230 ? 0 : 300000;
        if (r[alt] >= 17000) expected = r[alt] >= 20000 ? 0 : 300000;
        EXPECT_EQ(r[max], expected) << "at " << r[0] << " s";
        band += r[alt] >= 17000 && r[alt] < 20000 ? 1 : 0;
        ceiling += r[alt] >= 20000 ? 1 : 0;
    }
    EXPECT_GT(band, 0);
    EXPECT_GT(ceiling, 0);

    // The gear sound: G pressed in the air plays slot 2 of the sound add-on.
    const std::string trace = file("trace.txt");
    EXPECT_NE(trace.find("> clbkConsumeBufferedKey 34 1\nGroundContact = 0\n~ "
                         "PlayVesselWaveVMSound3 0 2 0 255 0 = 1\n"),
              std::string::npos);
    EXPECT_NE(trace.find("\n> cf1 "), std::string::npos) << "coefficient calls are traced";
}

TEST_F(Flying, TheSameFlightGivesTheSameLogTwice) {
    ASSERT_EQ(vmhost("fly tarvik --report a --trace a.txt"), 0) << file("err.txt");
    ASSERT_EQ(vmhost("fly tarvik --report b --trace b.txt"), 0) << file("err.txt");
    const std::string a = file("a/tarvik.csv");
    EXPECT_GT(a.size(), 1000u);
    EXPECT_TRUE(a == file("b/tarvik.csv"));
    EXPECT_TRUE(file("a.txt") == file("b.txt"));
}

// `vmhost fly FILE` flies a scenario file as `vmhost fly NAME` flies the
// built-in flight: the example file gives the same summary and report, a
// copy with the throttle changed flies differently.
struct OwnFlight {
    const char* name;
    const char* from;  // replaced in a copy of examples/fly-tarvik.vms
    const char* to;
    bool same;
};

void PrintTo(const OwnFlight& f, std::ostream* os) {
    *os << f.name;
}

class OwnFlights : public Flying, public ::testing::WithParamInterface<OwnFlight> {};

TEST_P(OwnFlights, FlyAsTheDefaultFlightDoes) {
    const OwnFlight& f = GetParam();
    const fs::path example = fs::path(SOURCE_DIR) / "examples" / "fly-tarvik.vms";
    std::string flight = read_file(example);
    const std::size_t at = flight.find(f.from);
    ASSERT_NE(at, std::string::npos) << f.from;
    write("copy.vms", flight.replace(at, std::string_view(f.from).size(), f.to));
    ASSERT_EQ(vmhost("fly tarvik --report r"), 0) << file("err.txt");
    const std::string summary = file("out.txt"), report = file("r/index.html");
    const std::string flown = *f.from ? "copy.vms" : testsupport::quote(example.string());
    ASSERT_EQ(vmhost("fly " + flown + " --report r"), 0) << file("err.txt");
    EXPECT_EQ(file("out.txt") == summary, f.same) << file("out.txt");
    EXPECT_EQ(file("r/index.html") == report, f.same);
}

INSTANTIATE_TEST_SUITE_P(Vmhost, OwnFlights,
                         ::testing::Values(OwnFlight{"TheExampleItself", "", "", true},
                                           OwnFlight{"ACopyWithLessThrottle", "throttle tarvik 0.8",
                                                     "throttle tarvik 0.5", false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Flying, TheReportIsSelfContained) {
    ASSERT_EQ(vmhost("fly tarvik --report r"), 0) << file("err.txt");
    const std::string html = read_file(dir_ / "r" / "index.html");
    const std::string svg = read_file(dir_ / "r" / "tarvik.svg");
    EXPECT_NE(html.find("var uPlot="), std::string::npos);  // the chart library, built in
    EXPECT_NE(html.find("class=log>"), std::string::npos);  // and the log it draws
    EXPECT_NE(svg.find("Altitude"), std::string::npos);
    EXPECT_NE(svg.find("limit 7000"), std::string::npos);
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
          "load tarvik\ncreate t\nset t ground 1\nthrottle t 0.5\nrudder t 0.25\nelevator t "
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
    write("p.vms", "load tarvik\ncreate t\nphysics on\nthrottle t 1\nstep 100\n");
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
        write("s.vms", "load tarvik\ncreate t\n" + line + "\nstep\n");
        EXPECT_EQ(vmhost("run s.vms"), 2) << line;
        const std::string err = file("err.txt");
        EXPECT_EQ(err.rfind("s.vms:3: error: ", 0), 0u) << line << ": " << err;
        EXPECT_NE(err.find(message), std::string::npos) << line << ": " << err;
    }
    EXPECT_EQ(vmhost("fly cessna"), 2);
    EXPECT_NE(file("err.txt").find("unknown aircraft 'cessna'"), std::string::npos);
    EXPECT_EQ(vmhost("fly tarvik --report"), 2);
}

}  // namespace
