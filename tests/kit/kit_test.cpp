// The kit's arithmetic on its own, and the host calls of its per-step systems.
#include "kit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "trace_test.h"

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Equal to the bit (0.0 is not -0.0), or both nan.
bool same(double a, double b) {
    return std::isnan(a) ? std::isnan(b) : std::memcmp(&a, &b, sizeof a) == 0;
}

// The airliner's gauges were written with std::clamp, the light aircraft's
// with a limit of its own: the one limit must agree with both, nan and -0.0
// included.
TEST(Scales, LimitIsClampBitForBit) {
    for (double x : {-0.0, 0.0, 0.5, 1.0, 2.0, -1.0, kInf, -kInf, kNan})
        EXPECT_TRUE(same(kit::limit(x, 0, 1), std::clamp(x, 0.0, 1.0))) << x;
}

TEST(Scales, HoldTheirRangeAndPassNanOn) {
    struct Case {
        double value, centred_by_3, falling_from_600;
    };
    const Case cases[] = {
        {0, 0.5, 1},   {1.5, 0.75, 0.9975}, {-3, 0, 1},  {600, 1, 0},
        {-kInf, 0, 1}, {kInf, 1, 0},        {-20, 0, 1}, {kNan, kNan, kNan},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(same(kit::centred_gauge(c.value, 3), c.centred_by_3)) << c.value;
        EXPECT_TRUE(same(kit::falling_needle(c.value, 600), c.falling_from_600)) << c.value;
    }
}

TEST(AltimeterNeedle, CounterFollowsByATurnPerStepAndNeverGoesNegative) {
    double turns = 0;
    EXPECT_DOUBLE_EQ(kit::altimeter_needle(250, 0.01, turns), 2.5);  // a fast climb
    EXPECT_DOUBLE_EQ(kit::altimeter_needle(250, 0.01, turns), 1.5);
    EXPECT_DOUBLE_EQ(kit::altimeter_needle(250, 0.01, turns), 0.5);
    EXPECT_EQ(turns, 2);
    EXPECT_DOUBLE_EQ(kit::altimeter_needle(-100, 0.01, turns), -3);
    EXPECT_DOUBLE_EQ(kit::altimeter_needle(-100, 0.01, turns), -2);
    kit::altimeter_needle(-100, 0.01, turns);
    EXPECT_EQ(turns, 0);
    EXPECT_TRUE(std::isnan(kit::altimeter_needle(kNan, 0.01, turns)));
    EXPECT_EQ(turns, 0);
}

TEST(WheelRoll, RunsUpToTopSpeedAndStartsAgainPastOne) {
    const kit::WheelRoll w{30, 0.01};
    double phase = 0;
    for (double airspeed : {0.0, -5.0, kNan}) EXPECT_FALSE(kit::roll_wheels(phase, airspeed, w));
    EXPECT_TRUE(kit::roll_wheels(phase, kInf, w));
    EXPECT_DOUBLE_EQ(phase, 0.3);
    phase = 1.01;
    EXPECT_FALSE(kit::roll_wheels(phase, 0, w));
    EXPECT_EQ(phase, 0);
}

TEST(Travel, StopsAtEitherEndAndGoesIdle) {
    int command = 1;
    double pos = 0.9;
    EXPECT_TRUE(kit::travel(command, pos, 0.06));
    EXPECT_TRUE(kit::travel(command, pos, 0.06));
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(command, 0);
    EXPECT_FALSE(kit::travel(command, pos, 0.06));
    command = kit::command_towards_other_end(pos);
    EXPECT_EQ(command, 2);
    for (int i = 0; i < 20; ++i) kit::travel(command, pos, 0.06);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(command, 0);
    EXPECT_EQ(kit::command_towards_other_end(0.5), 1);
}

TEST(TwoWaySwitch, FlipsAndTakesRequestsOnlyAtZeroOrOne) {
    struct Case {
        double sw, flipped;
        bool flips;
    };
    for (const Case& c : {Case{0.0, 1.0, true}, Case{1.0, 0.0, true}, Case{0.5, 0.5, false}}) {
        double sw = c.sw, request = 1.0;
        EXPECT_EQ(kit::take_request(request, sw), c.flips) << c.sw;
        EXPECT_EQ(request, c.flips ? 0.0 : 1.0) << c.sw;
        EXPECT_FALSE(kit::take_request(request, sw)) << "taken once";
        EXPECT_EQ(kit::flip(sw), c.flips) << c.sw;
        EXPECT_EQ(sw, c.flipped);
    }
    double sw = kNan;
    EXPECT_FALSE(kit::flip(sw));
}

TEST(Clock, SecondsHandCarriesIntoMinutesAndHours) {
    kit::Clock c;
    for (int i = 0; i < 4990; ++i) c.advance(1.0);
    EXPECT_GT(c.seconds, 0.99);
    EXPECT_EQ(c.minutes, 0.0);
    for (int i = 0; i < 20; ++i) c.advance(1.0);
    EXPECT_LT(c.seconds, 0.01);
    EXPECT_DOUBLE_EQ(c.minutes, 0.016666666);

    c.seconds = 0.9999;
    c.minutes = 0.99999;
    c.advance(1.0);
    EXPECT_EQ(c.seconds, 0.0);
    EXPECT_EQ(c.minutes, 0.0);
    EXPECT_DOUBLE_EQ(c.hours, 0.016666666);

    c.hours = 0.999999999;
    c.minutes = 0.99999999;
    c.seconds = 0.99999999;
    c.advance(1.0);
    EXPECT_EQ(c.hours, 0.0);  // a full turn of the hour hand starts over
}

TEST(Clock, TimeAccelerationScalesTheSecondsHand) {
    kit::Clock c;
    c.advance(25.0);
    EXPECT_DOUBLE_EQ(c.seconds, 0.005);
    c.advance(-100.0);
    EXPECT_EQ(c.seconds, 0.0);
}

TEST(Clock, NanTimeAccelerationDoesNotStopTheClockForGood) {
    kit::Clock c;
    c.advance(1.0);
    c.advance(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(c.seconds, 0.0);
    c.advance(1.0);
    EXPECT_DOUBLE_EQ(c.seconds, 0.0002);
    c.advance(std::numeric_limits<double>::infinity());
    EXPECT_EQ(c.seconds, 0.0);
    EXPECT_DOUBLE_EQ(c.minutes, 0.016666666);
}

TEST(Clock, AHandAtNanOrBelowZeroStartsAgainAtZero) {
    for (double bad : {kNan, -0.5}) {
        for (double kit::Clock::*hand : {&kit::Clock::minutes, &kit::Clock::hours}) {
            kit::Clock c;
            c.*hand = bad;
            c.advance(1.0);
            EXPECT_EQ(c.*hand, 0.0) << bad;
            EXPECT_DOUBLE_EQ(c.seconds, 0.0002) << "the other hands run on";
        }
    }
}

using Systems = TraceTest;

TEST_F(Systems, SteeringIsAPureMomentAndStopsAboveTheCap) {
    VESSEL2 v(host::create_vessel("v", 1));
    host::set_reading(v.GetHandle(), host::Reading::airspeed, 20);
    host::set_reading(v.GetHandle(), host::Reading::rudder, -0.5);
    lines();
    kit::steer_on_ground(v, {.gain = 1000, .arm = 2}, 10);
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "GetAirspeed = 20", "GetControlSurfaceLevel 1 = -0.5",
                           "vmapiGetTimeAcceleration = 1", "AddForce (-10000,0,0) (0,0,2)",
                           "AddForce (10000,0,0) (0,0,-2)"}));
    host::set_warp(11);
    kit::cap_time_acceleration(10);
    kit::steer_on_ground(v, {.gain = 1000, .arm = 2}, 10);
    const std::vector<std::string> capped = lines();
    EXPECT_EQ(capped[1], "vmapiSetTimeAcceleration 10");
    EXPECT_EQ(capped.back(), "vmapiGetTimeAcceleration = 11") << "no force before the cap took";
}

}  // namespace
