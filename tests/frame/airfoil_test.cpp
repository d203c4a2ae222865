#include "airfoil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

using airfoil::fin_lift_coeff;
using airfoil::RAD;
using airfoil::wing_lift_coeff;

struct Coeffs {
    double cl, cm, cd;
};

Coeffs wing(double angle) {
    Coeffs c{};
    wing_lift_coeff(angle, 0.0, 0.0, &c.cl, &c.cm, &c.cd);
    return c;
}

Coeffs fin(double angle) {
    Coeffs c{};
    fin_lift_coeff(angle, 0.0, 0.0, &c.cl, &c.cm, &c.cd);
    return c;
}

constexpr double kTol = 1e-12;

double induced(double cl, double aspect) {
    return cl * cl / (std::numbers::pi * aspect * 0.6);
}

TEST(WingCoefficients, WorkedValues) {
    const Coeffs zero = wing(0.0);
    EXPECT_NEAR(zero.cl, -0.02, kTol);
    EXPECT_NEAR(zero.cm, 0.0012, kTol);

    const Coeffs half_step = wing(7.5 * RAD);
    EXPECT_NEAR(half_step.cl, 0.30775, kTol);
    EXPECT_NEAR(half_step.cm, 0.0006, kTol);
    EXPECT_NEAR(half_step.cd, induced(0.30775, 2.266) + 0.06, kTol);
}

TEST(WingCoefficients, EndsOfTheCircleGiveTheEndEntries) {
    const Coeffs lo = wing(-airfoil::kPi);
    EXPECT_NEAR(lo.cl, 0.1, kTol);
    EXPECT_NEAR(lo.cm, 0.0, kTol);
    const Coeffs hi = wing(airfoil::kPi);  // t = 24: last segment at its far end
    EXPECT_NEAR(hi.cl, 0.1, kTol);
    EXPECT_NEAR(hi.cm, 0.0, kTol);
}

TEST(WingCoefficients, HalfwayBetweenEntriesIsTheMean) {
    EXPECT_NEAR(wing(-172.5 * RAD).cl, (0.1 + 0.17) / 2, kTol);
    EXPECT_NEAR(wing(-37.5 * RAD).cl, (-0.38 - 0.5) / 2, kTol);
    EXPECT_NEAR(wing(-37.5 * RAD).cm, (0.002 + 0.004) / 2, kTol);
    EXPECT_NEAR(wing(172.5 * RAD).cl, (-0.1 + 0.1) / 2, kTol);
}

TEST(WingCoefficients, BeyondTheCircleExtrapolatesFromTheEndSegments) {
    // 15 degrees past +180: two steps along the last segment (-0.1 -> 0.1).
    EXPECT_NEAR(wing(airfoil::kPi + 15 * RAD).cl, 0.3, 1e-9);
    // 15 degrees before -180: one step back along the first segment (0.1 -> 0.17).
    EXPECT_NEAR(wing(-airfoil::kPi - 15 * RAD).cl, 0.03, 1e-9);
}

TEST(WingCoefficients, ZeroLiftGivesProfileDragOnly) {
    const Coeffs c = wing(-90 * RAD);
    EXPECT_NEAR(c.cl, 0.0, kTol);
    EXPECT_NEAR(c.cd, 0.06, kTol);
}

TEST(FinCoefficients, LiftIsOddAndMomentIsZero) {
    EXPECT_NEAR(fin(22.5 * RAD).cl, 0.2, kTol);
    EXPECT_NEAR(fin(-22.5 * RAD).cl, -0.2, kTol);
    EXPECT_NEAR(fin(45 * RAD).cl, 0.3, kTol);
    EXPECT_NEAR(fin(-airfoil::kPi).cl, 0.0, kTol);
    EXPECT_NEAR(fin(airfoil::kPi).cl, 0.0, kTol);
    for (double deg = -200; deg <= 200; deg += 7.25) {
        EXPECT_NEAR(fin(deg * RAD).cl, -fin(-deg * RAD).cl, 1e-9) << deg;
        EXPECT_EQ(fin(deg * RAD).cm, 0.0) << deg;
    }
}

TEST(FinCoefficients, DragIsInducedPlusProfile) {
    EXPECT_NEAR(fin(0.0).cd, 0.02, kTol);
    const Coeffs c = fin(11.25 * RAD);
    EXPECT_NEAR(c.cl, 0.1, kTol);
    EXPECT_NEAR(c.cd, induced(0.1, 1.5) + 0.02, kTol);
}

TEST(Coefficients, RepeatedCallsGiveIdenticalResults) {
    for (double deg : {-180.0, -33.3, 0.0, 7.5, 91.0, 180.0}) {
        const Coeffs a = wing(deg * RAD), b = wing(deg * RAD);
        EXPECT_EQ(a.cl, b.cl);
        EXPECT_EQ(a.cm, b.cm);
        EXPECT_EQ(a.cd, b.cd);
        EXPECT_EQ(fin(deg * RAD).cl, fin(deg * RAD).cl);
    }
}

// Non-finite and huge angles must not reach an undefined float-to-int
// conversion (the sanitizer build checks that); nan propagates.
TEST(Coefficients, AnyAngleIsSafe) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(wing(nan).cl));
    EXPECT_TRUE(std::isnan(wing(nan).cd));
    EXPECT_TRUE(std::isnan(fin(nan).cl));
    EXPECT_EQ(fin(nan).cm, 0.0);
    for (double angle : {inf, -inf, 1e300, -1e300, 4e9, -4e9, 1e-300}) {
        const Coeffs w = wing(angle), f = fin(angle);
        EXPECT_FALSE(std::isnan(w.cl) && std::isfinite(angle)) << angle;
        EXPECT_EQ(f.cm, 0.0) << angle;
    }
    EXPECT_EQ(wing(inf).cl, inf);    // extrapolated along the rising last segment
    EXPECT_EQ(wing(-inf).cl, -inf);  // and back along the rising first segment
}

TEST(AngleLocation, ClampsBeforeConverting) {
    using airfoil::locate;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(locate(nan, 1.0, 23).index, 0);
    EXPECT_TRUE(std::isnan(locate(nan, 1.0, 23).fraction));
    EXPECT_EQ(locate(1e300, 1.0, 23).index, 23);
    EXPECT_EQ(locate(-1e300, 1.0, 15).index, 0);
    // t = 23 exactly is the start of the last segment.
    const airfoil::Segment s = locate(23.0 - airfoil::kPi, 1.0, 23);
    EXPECT_EQ(s.index, 23);
    EXPECT_NEAR(s.fraction, 0.0, 1e-12);
}

}  // namespace
