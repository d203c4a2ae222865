// Behaviour that hangs on module-wide values a scenario cannot set directly:
// the flap key at exact flap levels, and the clock's carries.
#include "state.h"

#include <limits>

#include "tarvik.h"
#include "trace_test.h"

namespace {

class StateTest : public AircraftTest<LightAircraft> {
  protected:
    // Every module-wide value back to its state at library load.
    void SetUp() override {
        tarvik::module = {};
        AircraftTest::SetUp();
    }
};

TEST_F(StateTest, FlapKeyExtendsUpToHalfTravelAndRetractsPastIt) {
    LightAircraft& a = create("v1");
    tarvik::module.flap_level = 0.5;
    EXPECT_EQ(key(a, key_code("F")), 1);
    EXPECT_EQ(tarvik::module.flap_command, 1);

    tarvik::module.flap_level = 0.51;
    EXPECT_EQ(key(a, key_code("F")), 1);
    EXPECT_EQ(tarvik::module.flap_command, 2);
}

TEST_F(StateTest, FlapKeyWhileMovingReaimsFromWhereTheFlapsAre) {
    LightAircraft& a = create("v1");
    tarvik::module.flap_level = 0.6;
    tarvik::module.flap_command = 1;  // extending, past half travel
    key(a, key_code("F"));
    step();
    EXPECT_EQ(tarvik::module.flap_command, 2);
    EXPECT_DOUBLE_EQ(tarvik::module.flap_level, 0.594);

    tarvik::module.flap_level = 0.3;  // retracting, below half travel
    key(a, key_code("F"));
    step();
    EXPECT_EQ(tarvik::module.flap_command, 1);
    EXPECT_DOUBLE_EQ(tarvik::module.flap_level, 0.306);
}

struct Clock {
    double seconds, minutes, hours;
};

Clock clock_hands(const LightAircraft& a, const std::vector<std::string>& trace) {
    return {last_animation(trace, a.anim_clock_seconds),
            last_animation(trace, a.anim_clock_minutes), last_animation(trace, a.anim_clock_hours)};
}

TEST_F(StateTest, ClockCarriesFromHandToHandAndWraps) {
    LightAircraft& a = create("v1");
    tarvik::module.clock.seconds = 0.9999;  // 0.0002 more completes the turn
    trace();
    step();
    Clock c = clock_hands(a, trace());
    EXPECT_EQ(c.seconds, 0.0);
    EXPECT_EQ(c.minutes, 0.016666666);
    EXPECT_EQ(c.hours, 0.0);

    tarvik::module.clock.minutes = 1.0;
    step();
    c = clock_hands(a, trace());
    EXPECT_EQ(c.seconds, 0.0002);
    EXPECT_EQ(c.minutes, 0.0);
    EXPECT_EQ(c.hours, 0.016666666);

    tarvik::module.clock.hours = 1.0;
    step();
    EXPECT_EQ(clock_hands(a, trace()).hours, 0.0);
}

TEST_F(StateTest, MinuteHandNeedsSixtyOneCarriesForATurn) {
    // 60 carries of 0.016666666 fall just short of a full turn.
    LightAircraft& a = create("v1");
    double expected = 0;
    for (int carry = 1; carry <= 60; ++carry) {
        host::set_warp(5000);  // a whole turn of the fastest hand in one step
        step();
        expected += 0.016666666;
    }
    EXPECT_DOUBLE_EQ(clock_hands(a, trace()).minutes, expected);
    EXPECT_LT(expected, 1.0);

    host::set_warp(5000);
    step();
    const Clock c = clock_hands(a, trace());
    EXPECT_EQ(c.minutes, 0.0);
    EXPECT_EQ(c.hours, 0.016666666);
}

TEST_F(StateTest, ClockRestartsAfterANegativeOrMissingTimeAcceleration) {
    LightAircraft& a = create("v1");
    tarvik::module.clock.seconds = 0.5;
    host::set_warp(-5000);  // a whole turn backwards
    step();
    EXPECT_EQ(clock_hands(a, trace()).seconds, 0.0);

    tarvik::module.clock.seconds = 0.5;
    host::set_warp(std::numeric_limits<double>::quiet_NaN());
    step();
    host::set_warp(1);
    step();
    EXPECT_EQ(clock_hands(a, trace()).seconds, 0.0002) << "the hand runs again";
}

}  // namespace
