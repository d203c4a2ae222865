// The airliner's keys and moving parts, driven in-process through the
// stand-in host, with the module-wide state looked at directly.
#include "olumbra.h"
#include "state.h"
#include "trace_test.h"

namespace {

auto& o = olumbra::module;

class AirlinerTest : public AircraftTest<Airliner> {
  protected:
    void SetUp() override {
        // The state a freshly loaded plug-in starts with.
        olumbra::module = {};
        AircraftTest::SetUp();
        airliner_ = &create("a");
    }

    void set(host::Reading r, double v) { AircraftTest::set(*airliner_, r, v); }
    int press(std::uint32_t code, bool down = true) { return key(*airliner_, code, down); }

    Airliner* airliner_ = nullptr;
};

TEST_F(AirlinerTest, GearKeyReversesOnlyPastHalfWay) {
    struct Case {
        double pos;
        int cmd_before, cmd_after;
    };
    const Case cases[] = {
        {0.0, 0, 1},  // down: raise
        {1.0, 0, 2},  // up: lower
        {0.5, 0, 1},  // exactly half-way counts as down
        {0.3, 1, 1},  // raising, not yet half-way: keeps raising
        {0.7, 1, 2},  // raising past half-way: lowers
        {0.7, 2, 2},  // lowering, not yet half-way: keeps lowering
        {0.3, 2, 1},  // lowering past half-way: raises
    };
    for (const Case& c : cases) {
        o.gear_pos = o.gear_lever_pos = c.pos;
        o.gear_cmd = o.gear_lever_cmd = c.cmd_before;
        EXPECT_EQ(press(key_code("G")), 1);
        EXPECT_EQ(o.gear_cmd, c.cmd_after) << "gear at " << c.pos;
        EXPECT_EQ(o.gear_lever_cmd, c.cmd_after) << "lever at " << c.pos;
    }
}

TEST_F(AirlinerTest, GearLeverFollowsItsOwnPosition) {
    o.gear_pos = 0.7;
    o.gear_lever_pos = 0.3;
    press(key_code("G"));
    EXPECT_EQ(o.gear_cmd, 2);
    EXPECT_EQ(o.gear_lever_cmd, 1);
}

TEST_F(AirlinerTest, LightsKeyTogglesAndRequestsAChange) {
    EXPECT_EQ(press(key_code("K")), 1);
    EXPECT_EQ(o.lights_on, 1.0);
    EXPECT_EQ(o.lights_changed, 1.0);
    press(key_code("K"));
    EXPECT_EQ(o.lights_on, 0.0);
    EXPECT_EQ(o.lights_changed, 1.0);  // the next step re-applies "off"

    step();
    EXPECT_EQ(o.lights_changed, 0.0);
    EXPECT_FALSE(o.beacon_left.spec.active);
    press(key_code("K"));
    step();
    EXPECT_EQ(o.lights_changed, 0.0);
    EXPECT_TRUE(o.beacon_right.spec.active);
    EXPECT_TRUE(o.beacon_left.spec.active);
}

TEST_F(AirlinerTest, ReleasesAndOtherKeysAreLeftToTheHost) {
    EXPECT_EQ(press(key_code("G"), false), 0);
    EXPECT_EQ(press(key_code("K"), false), 0);
    EXPECT_EQ(press(key_code("F")), 0);
    EXPECT_EQ(press(key_code("J")), 0);
    EXPECT_EQ(press(0xFFFFFFFF), 0);
    EXPECT_EQ(o.gear_cmd, 0);
    EXPECT_EQ(o.gear_lever_cmd, 0);
    EXPECT_EQ(o.lights_on, 0.0);
    EXPECT_EQ(o.lights_changed, 0.0);
}

TEST_F(AirlinerTest, ModifiersAreIgnored) {
    key_state[key_code("LeftCtrl")] = static_cast<char>(0x80);
    key_state[key_code("LeftShift")] = static_cast<char>(0x80);
    key_state[key_code("RightAlt")] = static_cast<char>(0x80);
    EXPECT_EQ(press(key_code("G")), 1);
    EXPECT_EQ(o.gear_cmd, 1);
    EXPECT_EQ(press(key_code("K")), 1);
    EXPECT_EQ(o.lights_on, 1.0);
}

TEST_F(AirlinerTest, NullKeyStateIsNeverRead) {
    EXPECT_EQ(airliner_->clbkConsumeBufferedKey(key_code("G"), true, nullptr), 1);
    EXPECT_EQ(airliner_->clbkConsumeBufferedKey(key_code("K"), true, nullptr), 1);
}

TEST_F(AirlinerTest, GearTravelTakes414AirborneSteps) {
    press(key_code("G"));
    step(413);
    EXPECT_NEAR(o.gear_pos, 0.99946, 1e-9);
    EXPECT_EQ(o.gear_cmd, 1);
    step();
    EXPECT_EQ(o.gear_pos, 1.0);
    EXPECT_EQ(o.gear_cmd, 0);
    EXPECT_EQ(o.gear_lever_pos, 1.0);
    EXPECT_EQ(o.gear_lever_cmd, 0);

    press(key_code("G"));
    EXPECT_EQ(o.gear_cmd, 2);
    step(413);
    EXPECT_GT(o.gear_pos, 0.0);
    step();
    EXPECT_EQ(o.gear_pos, 0.0);
    EXPECT_EQ(o.gear_cmd, 0);
}

TEST_F(AirlinerTest, GearWaitsOnTheGroundUntilLiftOff) {
    set(host::Reading::ground, 1);
    press(key_code("G"));
    step(50);
    EXPECT_EQ(o.gear_pos, 0.0);
    EXPECT_EQ(o.gear_cmd, 1);
    EXPECT_EQ(o.gear_lever_pos, 0.0);
    EXPECT_EQ(o.gear_lever_cmd, 1);

    set(host::Reading::ground, 0);
    step();
    EXPECT_DOUBLE_EQ(o.gear_pos, 0.00242);
    EXPECT_DOUBLE_EQ(o.gear_lever_pos, 0.00242);
}

TEST_F(AirlinerTest, WheelPhaseRunsWithTheAirspeedAndWrapsAfterPassingOne) {
    set(host::Reading::airspeed, 45);  // rolls as at 30 m/s: 0.1 per step
    step();
    EXPECT_DOUBLE_EQ(o.wheel_rot, 0.1);
    step(10);
    EXPECT_GT(o.wheel_rot, 1.0);  // passed on once above 1 ...
    step();
    EXPECT_NEAR(o.wheel_rot, 0.1, 1e-12);  // ... and reset at the next step

    set(host::Reading::airspeed, 0);
    const double stopped = o.wheel_rot;
    step(3);
    EXPECT_EQ(o.wheel_rot, stopped);
}

TEST_F(AirlinerTest, TwoAirlinersShareGearAndLightsButNotThrusters) {
    Airliner& other = create("b");
    press(key_code("K"));
    EXPECT_EQ(key(other, key_code("G")), 1);
    EXPECT_EQ(o.gear_cmd, 1);
    EXPECT_EQ(o.lights_on, 1.0);

    // Deleting the first leaves the second with a thruster of its own.
    destroy(*airliner_);
    step();
    EXPECT_EQ(o.lights_changed, 0.0);
    EXPECT_DOUBLE_EQ(o.gear_pos, 0.00242);
}

}  // namespace
