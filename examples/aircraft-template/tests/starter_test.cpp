// The starter's lights key and airspeed needle, driven in-process through the
// stand-in host, with the module-wide state looked at directly.
#include "starter.h"

#include "state.h"
#include "trace_test.h"

namespace {

using starter::module;

class StarterTest : public AircraftTest<Starter> {
  protected:
    void SetUp() override {
        module = {};  // the state a freshly loaded plug-in starts with
        AircraftTest::SetUp();
    }
};

TEST_F(StarterTest, LightsKeySwitchesEveryLightAtTheNextStep) {
    Starter& a = create("a");
    EXPECT_EQ(key(a, key_code("L"), false), 0) << "a release is no command";
    EXPECT_EQ(key(a, key_code("K")), 0) << "nor is another key";
    for (const bool on : {true, false}) {
        EXPECT_EQ(key(a, key_code("L")), 1);
        EXPECT_NE(module.beacon_tail.spec.active, on) << "not before the step";
        step();
        for (const kit::Light* l : {&module.beacon_left, &module.beacon_right, &module.beacon_tail})
            EXPECT_EQ(l->spec.active, on);
    }
}

TEST_F(StarterTest, AirspeedNeedleRisesToItsStop) {
    const struct {
        double airspeed, needle;
    } cases[] = {{0, 0}, {50, 0.5}, {100, 1}, {250, 1}, {-5, 0}};
    Starter& a = create("a");
    for (const auto& c : cases) {
        set(a, host::Reading::airspeed, c.airspeed);
        trace();
        step();
        EXPECT_EQ(last_animation(trace(), a.anim_airspeed), c.needle) << c.airspeed;
    }
}

}  // namespace
