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
        double value, centred_by_3, falling_from_600, rising_to_600;
    };
    const Case cases[] = {
        {0, 0.5, 1, 0},   {1.5, 0.75, 0.9975, 0.0025},
        {-3, 0, 1, 0},    {600, 1, 0, 1},
        {-kInf, 0, 1, 0}, {kInf, 1, 0, 1},
        {-20, 0, 1, 0},   {kNan, kNan, kNan, kNan},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(same(kit::centred_gauge(c.value, 3), c.centred_by_3)) << c.value;
        EXPECT_TRUE(same(kit::falling_needle(c.value, 600), c.falling_from_600)) << c.value;
        EXPECT_TRUE(same(kit::rising_needle(c.value, 600), c.rising_to_600)) << c.value;
    }
}

// An envelope rule's stretch: the lower end included, the upper excluded, and
// only an end left open lets a nan reading through.
TEST(Envelope, StretchesIncludeTheirStartAndLetNanThroughOnlyWhereOpen) {
    const kit::Stretch from_200{200, {}}, below_200{{}, 200}, band{200, 230}, any{};
    struct Case {
        double x;
        bool from, below, in_band, in_any;
    };
    const Case cases[] = {
        {199.9, false, true, false, true}, {200, true, false, true, true},
        {230, true, false, false, true},   {-kInf, false, true, false, true},
        {kInf, true, false, false, true},  {kNan, false, false, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kit::within(from_200, c.x), c.from) << c.x;
        EXPECT_EQ(kit::within(below_200, c.x), c.below) << c.x;
        EXPECT_EQ(kit::within(band, c.x), c.in_band) << c.x;
        EXPECT_EQ(kit::within(any, c.x), c.in_any) << c.x;
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

// Animations from rows: created in row order, each component added as soon as
// its animation exists; shared records are the first vessel's for every
// vessel, an owned one is each vessel's, and a child follows the row before.
TEST_F(Systems, AnimationRowsKeepTheirOrderSharingAndParents) {
    enum class A { early, late };
    const kit::Component rows[] = {
        kit::rotate(A::early, 0, kit::groups(1), {0, 0, 0}, {1, 0, 0}, 180),
        kit::translate(A::late, 1, kit::group_range(2, 4), {0, 0, 1}),
        kit::rotate(A::early, 2, kit::groups(5), {0, 0, 0}, {0, 1, 0}, 90)
            .states(0.5, 1)
            .owned()
            .carried_by_previous(),
    };
    kit::SharedRecord shared[std::size(rows)];
    kit::OwnedRecord own[2];
    const char* const expected[2][5] = {
        {"CreateAnimation 0.5 = 0",
         "AddAnimationComponent 0 0 1 tf1{rot mesh=0 groups=[1] ref=(0,0,0) axis=(1,0,0) "
         "angle=3.1415927} null = ac1",
         "CreateAnimation 0 = 1",
         "AddAnimationComponent 1 0 1 tf2{trans mesh=1 groups=[2,3,4] shift=(0,0,1)} null = ac2",
         "AddAnimationComponent 0 0.5 1 tf3{rot mesh=2 groups=[5] ref=(0,0,0) axis=(0,1,0) "
         "angle=1.5707964} ac2 = ac3"},
        {"CreateAnimation 0.5 = 0",
         "AddAnimationComponent 0 0 1 tf1{rot mesh=0 groups=[1] ref=(0,0,0) axis=(1,0,0) "
         "angle=3.1415927} null = ac4",
         "CreateAnimation 0 = 1",
         "AddAnimationComponent 1 0 1 tf2{trans mesh=1 groups=[2,3,4] shift=(0,0,1)} null = ac5",
         "AddAnimationComponent 0 0.5 1 tf4{rot mesh=2 groups=[5] ref=(0,0,0) axis=(0,1,0) "
         "angle=1.5707964} ac5 = ac6"},
    };
    for (int n = 0; n < 2; ++n) {
        VESSEL2 v(host::create_vessel(n == 0 ? "a" : "b", 1));
        unsigned early = 9, late = 9;
        const kit::Animation animations[] = {{&early, 0.5}, {&late, 0.0}};
        kit::OwnedRecord* const owned[] = {&own[n]};
        lines();
        EXPECT_TRUE(kit::define_animations(v, animations, rows, shared, owned));
        EXPECT_EQ(lines(), std::vector<std::string>(expected[n], expected[n] + 5));
        EXPECT_EQ(early, 0u);
        EXPECT_EQ(late, 1u);
    }
}

// A keyed table must hold its keys in order, and tables keyed alike as many
// rows: a swapped or a missing row does not compile in an aircraft.
enum class Key { a, b };
constexpr kit::Named<Key> kInOrder[] = {{Key::a, "a"}, {Key::b, "b"}};
constexpr kit::Named<Key> kSwapped[] = {{Key::b, "b"}, {Key::a, "a"}};
constexpr kit::Named<Key> kShort[] = {{Key::a, "a"}};
static_assert(kit::one_row_per_key(kInOrder) && kit::one_row_per_key(kShort));
static_assert(!kit::one_row_per_key(kSwapped) && !kit::one_row_per_key(kInOrder, kSwapped));
static_assert(!kit::one_row_per_key(kInOrder, kShort) && !kit::one_row_per_key(kShort, kInOrder));

TEST_F(Systems, AnOwnedRecordThatCannotBeHadLeavesItsComponentOut) {
    const kit::Component rows[] = {
        kit::rotate(0, 0, kit::groups(1), {0, 0, 0}, {1, 0, 0}, 180).owned()};
    kit::SharedRecord shared[1];
    VESSEL2 v(host::create_vessel("a", 1));
    unsigned id = 9;
    const kit::Animation animations[] = {{&id, 0.0}};
    lines();
    EXPECT_FALSE(kit::define_animations(v, animations, rows, shared, {}))
        << "no slot for the owned row";
    EXPECT_EQ(lines(), (std::vector<std::string>{"CreateAnimation 0 = 0"}));
}

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
