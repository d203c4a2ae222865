// The flight log on its own: the events it finds, its CSV file and report.
#include "flightlog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "aircraft.h"
#include "host.h"
#include "scenario.h"
#include "subprocess.h"
#include "vmapi_keys.h"

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string summary_of(const vmhost::FlightLog& log) {
    const fs::path p = fs::temp_directory_path() / testsupport::unique_name("flightlog_summary");
    std::FILE* f = std::fopen(p.string().c_str(), "wb");
    log.summary(f);
    std::fclose(f);
    const std::string s = read_file(p);
    fs::remove(p);
    return s;
}

// An aircraft vmhost knows that has a landing gear: the log names the
// columns of its animations and finds the gear among them.
const vmhost::Aircraft& with_gear() {
    const std::span<const vmhost::Aircraft> all = vmhost::all_aircraft();
    const auto it =
        std::find_if(all.begin(), all.end(), [](const vmhost::Aircraft& a) { return a.gear >= 0; });
    EXPECT_TRUE(it != all.end()) << "no aircraft with a landing gear";
    return it == all.end() ? all.front() : *it;
}

// A take-off as the log would see it, one sample a step.
vmhost::FlightLog take_off() {
    vmhost::FlightLog log(2);
    const int v = log.add_vessel("o1", with_gear().name, 3);
    EXPECT_EQ(log.gear_animation(v), with_gear().gear);
    for (int i = 0; i < 100; ++i) {
        vmhost::Sample s;
        s.time = 0.02 * (i + 1);
        s.z = 10.0 * i;
        s.altitude = i < 50 ? 9.3 : 9.3 + (i - 50);
        s.airspeed = i;
        s.ground = i < 50 ? 1 : 0;
        s.gear = i < 60 ? 0 : std::fmin(1, (i - 60) * 0.1);
        s.lights = i >= 80 ? 2 : 0;
        s.thrust = 1;
        s.thrust_max = i < 90 ? 400000 : 300000;
        const double anims[3] = {0.1 * i, s.gear, 0.5};
        log.record(v, s, anims, 3);
        if (i == 10) log.note(v, s.time, "key o1 G");
    }
    return log;
}

TEST(FlightLog, FindsTheEventsOfAFlight) {
    const std::string s = summary_of(take_off());
    const char* expected[] = {"0.22 s  pilot: key o1 G", "1.02 s  lifts off",
                              "1.24 s  gear retracting", "1.42 s  gear up",
                              "1.62 s  lights on",       "1.82 s  maximum thrust 300000 N"};
    std::size_t at = 0;
    for (const char* e : expected) {
        const std::size_t found = s.find(e, at);
        EXPECT_NE(found, std::string::npos) << e << "\n" << s;
        if (found != std::string::npos) at = found;
    }
    // The maximum the flight starts with is no event; distance and peaks are.
    EXPECT_EQ(s.find("maximum thrust 400000"), std::string::npos);
    EXPECT_NE(s.find("0.99 km"), std::string::npos) << s;
    EXPECT_NE(s.find("top altitude           58 m"), std::string::npos) << s;
}

// Events over a flight of `steps` steps of 0.02 s, each sample set by `fly`.
struct EventCase {
    const char* what;
    int steps;
    void (*fly)(vmhost::Sample& s, int step);
    std::vector<std::string> expected;  // in the summary, in this order
    std::size_t events;                 // how many the log keeps
};

const EventCase kEventCases[] = {
    {"a maximum switching every step makes one range with its count",
     1000,
     [](vmhost::Sample& s, int i) { s.thrust_max = i % 2 ? 300000 : 400000; },
     {"0.04 s  maximum thrust switching between 300000 and 400000 N, 0.04-20.00 s, 999 changes"},
     1},
    {"a nan maximum over 200,000 steps is one event",
     200000,
     [](vmhost::Sample& s, int) { s.thrust_max = std::nan(""); },
     {"0.02 s  maximum thrust not a number"},
     1},
    {"a drop for one step is one event over its span; a later one another",
     3000,
     [](vmhost::Sample& s, int i) { s.thrust_max = i == 100 || i == 2000 ? 0 : 300000; },
     {"2.02 s  maximum thrust 0 N, 2.02-2.04 s", "40.02 s  maximum thrust 0 N, 40.02-40.04 s"},
     2},
    {"the envelope's airspeed limits, passed and passed back",
     400,
     [](vmhost::Sample& s, int i) { s.airspeed = i < 200 ? i * 2.0 : 800 - i * 2.0; },
     {"2.04 s  airspeed above 200 m/s (envelope), 2.04-6.02 s",
      "2.34 s  airspeed above 230 m/s (envelope), 2.34-5.72 s"},
     2},
    {"the stall in the air, not on the ground; the gauge's end of scale",
     600,
     [](vmhost::Sample& s, int i) {
         s.ground = i < 300 ? 1 : 0;
         s.aoa = i < 10 ? 0 : 0.35;
     },
     {"0.22 s  angle of attack gauge past its top end (9.5°)", "6.02 s  lifts off",
      "6.02 s  angle of attack above 15.0° (stall)"},
     3},
};

TEST(FlightLog, EventsFollowTheData) {
    for (const EventCase& c : kEventCases) {
        SCOPED_TRACE(c.what);
        vmhost::FlightLog log;
        const int v = log.add_vessel("o", "olumbra", 0);
        for (int i = 0; i < c.steps; ++i) {
            vmhost::Sample s;
            s.time = 0.02 * (i + 1);
            s.thrust_max = 300000;
            c.fly(s, i);
            log.record(v, s, nullptr, 0);
        }
        const std::string summary = summary_of(log);
        std::size_t at = 0;
        for (const std::string& e : c.expected) {
            at = summary.find(e, at);
            EXPECT_NE(at, std::string::npos) << e << "\n" << summary;
        }
        EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 7 + c.events) << summary;
    }
}

TEST(FlightLog, WritesACsvRowEveryNthStepAndAReport) {
    const vmhost::FlightLog log = take_off();
    EXPECT_TRUE(log.all_finite());
    const fs::path dir = fs::temp_directory_path() / testsupport::unique_name("flightlog_report");
    std::string why;
    ASSERT_TRUE(log.write_report(dir.string(), {}, &why)) << why;
    std::istringstream csv(read_file(dir / "o1.csv"));
    std::string header, first;
    std::getline(csv, header);
    std::getline(csv, first);
    EXPECT_EQ(header.rfind("time_s,x_m,z_m,altitude_m,airspeed_ms,", 0), 0u);
    const std::vector<const char*>& names = with_gear().animations;
    ASSERT_GE(names.size(), 3u);
    EXPECT_NE(header.find(",thrust_max_n,fuel_kg,ground,gear,flaps,lights,anim_" +
                          std::string(names[0]) + ",anim_" + names[1] + ",anim_" + names[2]),
              std::string::npos)
        << header;
    EXPECT_EQ(first.rfind("0.02,0,0,9.3,0,", 0), 0u) << first;
    int rows = 1;
    for (std::string line; std::getline(csv, line);) ++rows;
    EXPECT_EQ(rows, 50);  // every second step
    EXPECT_TRUE(fs::exists(dir / "o1.svg"));
    EXPECT_NE(read_file(dir / "index.html").find("gear up"), std::string::npos);
    fs::remove_all(dir);

    // A report folder that cannot be made is an error with a reason.
    const fs::path blocker = dir.string() + "-file";
    std::ofstream(blocker) << "x";
    EXPECT_FALSE(log.write_report((blocker / "sub").string(), {}, &why));
    EXPECT_NE(why.find("cannot create"), std::string::npos);
    fs::remove(blocker);
}

TEST(FlightLog, NoticesValuesThatAreNotFinite) {
    vmhost::FlightLog log;
    const int v = log.add_vessel("x", "some/path.so", 0);
    EXPECT_EQ(log.gear_animation(v), -1);
    vmhost::Sample s;
    log.record(v, s, nullptr, 0);
    EXPECT_TRUE(log.all_finite());
    s.airspeed = std::nan("");
    log.record(v, s, nullptr, 0);  // the first row of five is kept; this one is not
    s.time = 0.1;
    for (int i = 0; i < 4; ++i) log.record(v, s, nullptr, 0);
    EXPECT_FALSE(log.all_finite());
}

// Every number in the CSV file reads back as the very double the log holds.
TEST(FlightLog, CsvNumbersReadBackExactly) {
    const double values[] = {0.1 + 0.2, 1.0 / 3, -0.0,  5e-324, 1.7976931348623157e308,
                             -2.5e-17,  2e-4,    12000, 1e21,   123456789.00000001};
    vmhost::FlightLog log;
    const int v = log.add_vessel("n", "some/path.so", static_cast<int>(std::size(values)));
    log.record(v, vmhost::Sample{}, values, static_cast<int>(std::size(values)));
    const fs::path dir = fs::temp_directory_path() / testsupport::unique_name("flightlog_numbers");
    std::string why;
    ASSERT_TRUE(log.write_report(dir.string(), {}, &why)) << why;
    std::istringstream csv(read_file(dir / "n.csv"));
    fs::remove_all(dir);
    std::string cell;
    std::getline(csv, cell);
    for (int c = 0; c < vmhost::kFixedColumns; ++c) std::getline(csv, cell, ',');
    for (std::size_t i = 0; i < std::size(values); ++i) {
        std::getline(csv, cell, i + 1 < std::size(values) ? ',' : '\n');
        const double read = std::strtod(cell.c_str(), nullptr);
        EXPECT_TRUE(read == values[i] && std::signbit(read) == std::signbit(values[i])) << cell;
    }
}

// The log handed from a child process to its parent comes back as it was,
// and a log cut short at a line's end does not come back at all.
TEST(FlightLog, ComesBackFromItsTextWholeOrNotAtAll) {
    const std::string text = take_off().saved();
    vmhost::FlightLog back;
    ASSERT_TRUE(back.restore(text));
    EXPECT_EQ(back.saved(), text);
    for (const std::size_t cut : {std::size_t{0}, text.find('\n') + 1, text.rfind("end\n")})
        EXPECT_FALSE(back.restore(text.substr(0, cut))) << cut;
}

// Flying each aircraft vmhost knows: the CSV columns carry the names of all
// the animations its plug-in creates, and only the pilot's commands are
// noted as events.
TEST(FlightLog, NamesTheAnimationsOfEveryAircraftAndNotesThePilot) {
    for (const vmhost::Aircraft& a : vmhost::all_aircraft()) {
        SCOPED_TRACE(a.name);
        EXPECT_NE(std::string(a.flight).find(std::string("\nload ") + a.name + "\n"),
                  std::string::npos);
        EXPECT_LT(a.gear, static_cast<int>(a.animations.size()));
        vmhost::FlightLog log;
        const std::string scenario =
            std::string("load ") + a.name + "\ncreate p\nset p airspeed 5\nthrottle p 1\nstep\n";
        ASSERT_EQ(vmhost::run_scenario("s.vms", scenario, stderr, {&log, false}), vmhost::kOk);
        std::string columns = "lights";
        for (const char* name : a.animations) columns += std::string(",anim_") + name;
        const fs::path dir =
            fs::temp_directory_path() / testsupport::unique_name("flightlog_anims");
        std::string why;
        ASSERT_TRUE(log.write_report(dir.string(), {}, &why)) << why;
        const std::string csv = read_file(dir / "p.csv");
        fs::remove_all(dir);
        EXPECT_EQ(csv.substr(csv.find(",lights,") + 1, columns.size() + 1), columns + "\n");
        // Every column the cockpit panel reads is in the log.
        std::set<std::string> names;
        std::istringstream header(csv.substr(0, csv.find('\n')));
        for (std::string name; std::getline(header, name, ',');) names.insert(name);
        for (const vmhost::Gauge& g : a.panel)
            for (const vmhost::Indicator& i : g.indicators)
                for (const std::string& c : {i.column, std::string(i.model ? i.model : "time_s")})
                    EXPECT_EQ(names.count(c), 1u) << c;
        // Its keys are keys, and a gauge said to show one is on its panel.
        for (const vmhost::KeyUse& k : a.keys) {
            EXPECT_TRUE(std::ranges::any_of(kKeys, [&](const KeyName& n) {
                return n.name == k.key;
            })) << k.key;
            EXPECT_TRUE(!k.gauge || std::ranges::any_of(a.panel, [&](const vmhost::Gauge& g) {
                return std::string_view(g.label) == k.gauge;
            })) << k.gauge;
        }
        const std::string s = summary_of(log);
        EXPECT_NE(s.find("pilot: throttle p 1"), std::string::npos) << s;
        EXPECT_EQ(s.find("set p"), std::string::npos) << s;
    }
}

// How a flight that does not do what its scenario asked ends: the status,
// the reasons on standard error, and the same reasons in the summary. Any
// aircraft will do; `lift_off` flies the scenario as `vmhost fly` flies a
// default flight.
struct Outcome {
    const char* name;
    std::string scenario;  // after the aircraft is loaded and created as t
    bool lift_off;
    vmhost::Status status;
    std::vector<std::string> errors;   // beginnings of the lines on standard error
    std::vector<std::string> summary;  // lines of the summary, from their start
};

void PrintTo(const Outcome& o, std::ostream* os) {
    *os << o.name;
}

const Outcome kOutcomes[] = {
    {"UntilGivesUpInFlight",
     "physics on\nthrottle t 1\nuntil t airspeed above 20\nuntil t altitude above 1e5 50\n",
     false,
     vmhost::kFlightFailed,
     {"s.vms:6: failed: 'until t altitude above 1e5' gave up after 50 steps (1 s): t on the "
      "ground at "},
     {"the flight failed:", "  line 6: 'until t altitude above 1e5' gave up after 50 steps"}},
    {"DefaultFlightNeverLiftsOff",
     "physics on\nthrottle t 0\nuntil t airborne within 30\n",
     true,
     vmhost::kFlightFailed,
     {"s.vms:5: failed: 'until t airborne' gave up after 1500 steps (30 s): t on the ground at "
      "0.0 m/s",
      "s.vms: failed: t never left the ground"},
     {"  line 5: 'until t airborne' gave up after 1500 steps (30 s)", "  t never left the ground"}},
    // Without physics the readings are what the scenario set.
    {"UntilWithoutPhysicsWarns",
     "until t altitude above 1 within 0.1\n",
     false,
     vmhost::kOk,
     {"s.vms:3: warning: 'until t altitude above 1' gave up after 5 steps (0.1 s): t in the air "
      "at 0 m, 0.0 m/s"},
     {}},
};

class FlightOutcome : public ::testing::TestWithParam<Outcome> {};

TEST_P(FlightOutcome, NamesWhyTheFlightFailed) {
    const Outcome& o = GetParam();
    host::reset();
    const fs::path err_file = fs::temp_directory_path() / testsupport::unique_name("outcome");
    std::FILE* err = std::fopen(err_file.string().c_str(), "wb");
    ASSERT_TRUE(err);
    vmhost::FlightLog log;
    vmhost::RunOptions options{&log};
    options.lift_off = o.lift_off;
    const std::string start =
        std::string("load ") + vmhost::all_aircraft().front().name + "\ncreate t\n";
    EXPECT_EQ(vmhost::run_scenario("s.vms", start + o.scenario, err, options), o.status);
    std::fclose(err);
    const std::string errors = read_file(err_file);
    fs::remove(err_file);
    std::istringstream lines(errors);
    std::string line;
    for (const std::string& e : o.errors) {
        std::getline(lines, line);
        EXPECT_EQ(line.substr(0, e.size()), e);
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
    const std::string summary = summary_of(log);
    for (const std::string& s : o.summary)
        EXPECT_NE(summary.find("\n" + s), std::string::npos) << s;
    if (o.summary.empty()) {
        EXPECT_EQ(summary.find("failed"), std::string::npos) << summary;
    }
}
INSTANTIATE_TEST_SUITE_P(Vmhost, FlightOutcome, ::testing::ValuesIn(kOutcomes),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
