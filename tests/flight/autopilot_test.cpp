#include "autopilot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bodies.h"

using flight::Autopilot;
using flight::Body;

namespace {

constexpr double kHostStep = 0.02;

// The test aircraft with an engine that keeps it going.
Body powered() {
    Body b = test_bodies::flying_body();
    b.vessel.propellants = {{1000, 1000, 1}};
    b.vessel.thrusters = {{{0, 0, -3}, {0, 0, 1}, 15000, 30000, 0, 101400, 0, 1.0}};
    return b;
}

void fly(Body& b, Autopilot& ap, double seconds) {
    for (int i = 0; i < static_cast<int>(seconds / kHostStep); ++i) {
        ap.fly(b, kHostStep);
        b.advance(kHostStep);
    }
}

TEST(Autopilot, HoldsPitchAndBankWithinAFewSeconds) {
    Body b = powered();
    Autopilot ap;
    ap.hold_pitch(0.1);
    ap.hold_bank(0.3);
    fly(b, ap, 20);
    EXPECT_NEAR(b.readings().pitch, 0.1, 0.01);
    EXPECT_NEAR(b.readings().bank, 0.3, 0.01);
    EXPECT_LT(std::fabs(b.vessel.level(flight::Surface::elevator)), 1);  // trimmed, not pinned
    EXPECT_LT(std::fabs(b.vessel.level(flight::Surface::aileron)), 1);

    // A new target is flown to as well, in either direction.
    ap.hold_pitch(-0.05);
    ap.hold_bank(-0.2);
    fly(b, ap, 20);
    EXPECT_NEAR(b.readings().pitch, -0.05, 0.01);
    EXPECT_NEAR(b.readings().bank, -0.2, 0.01);
}

TEST(Autopilot, HoldsAClimbRate) {
    for (double climb : {5.0, -3.0}) {
        Body b = powered();
        Autopilot ap;
        ap.hold_climb(climb);
        ap.hold_bank(0);
        fly(b, ap, 40);
        EXPECT_NEAR(b.readings().vertical_speed, climb, 0.5) << climb;
        EXPECT_EQ(ap.pitch_mode(), Autopilot::Pitch::climb);
    }
}

TEST(Autopilot, LeavesTheControlsAloneOnAxesThatAreOff) {
    Body b = powered();
    b.vessel.level(flight::Surface::elevator) = 0.25;
    b.vessel.level(flight::Surface::aileron) = -0.5;
    Autopilot ap;
    fly(b, ap, 1);
    EXPECT_EQ(b.vessel.level(flight::Surface::elevator), 0.25);
    EXPECT_EQ(b.vessel.level(flight::Surface::aileron), -0.5);

    ap.hold_bank(0.2);
    fly(b, ap, 1);
    EXPECT_EQ(b.vessel.level(flight::Surface::elevator), 0.25);
    EXPECT_NE(b.vessel.level(flight::Surface::aileron), -0.5);

    ap.off();
    b.vessel.level(flight::Surface::aileron) = 0.125;
    fly(b, ap, 1);
    EXPECT_EQ(b.vessel.level(flight::Surface::aileron), 0.125);
}

TEST(Autopilot, GivesFiniteLevelsForAnyTargetOrState) {
    const double bad[] = {std::nan(""), std::numeric_limits<double>::infinity(), -1e300};
    for (double x : bad) {
        Body b = powered();
        Autopilot ap;
        ap.hold_pitch(x);
        ap.hold_bank(x);
        fly(b, ap, 1);
        ap.hold_climb(x);
        b.state.vel = {0, 0, 0};  // no airflow: no control power at all
        fly(b, ap, 1);
        for (double level : b.vessel.control) {
            EXPECT_TRUE(std::isfinite(level) && std::fabs(level) <= 1) << x;
        }
    }
}

}  // namespace
