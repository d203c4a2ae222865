#include "portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

namespace pm = flight::pmath;

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Within a few units in the last place of the C library's result, times
// `spread` where the function magnifies a rounding of its argument.
void expect_close(double ours, double reference, double x, double spread = 1.0) {
    const double tolerance = 4 * spread * std::numeric_limits<double>::epsilon() *
                             std::fmax(std::fabs(reference), 1e-300);
    EXPECT_NEAR(ours, reference, tolerance + 1e-300) << "at " << x;
}

TEST(PortableMath, AgreesWithTheCLibraryOverTheRangesFlightsUse) {
    for (double x = -20.0; x <= 20.0; x += 0.0137) {
        expect_close(pm::sin(x), std::sin(x), x);
        expect_close(pm::cos(x), std::cos(x), x);
        expect_close(pm::atan(x), std::atan(x), x);
        expect_close(pm::exp(x), std::exp(x), x);
        for (double y : {-3.0, -0.5, 0.0, 0.25, 7.0}) {
            expect_close(pm::atan2(x, y), std::atan2(x, y), x);
            expect_close(pm::atan2(y, x), std::atan2(y, x), x);
        }
    }
    for (double x = -1.0; x <= 1.0; x += 0.00731) expect_close(pm::asin(x), std::asin(x), x);
    for (double x = 1e-6; x < 1e6; x *= 1.37) {
        expect_close(pm::log(x), std::log(x), x);
        // pow goes through exp(y log x): the rounding of y log x is magnified.
        for (double y : {1.5, -5.2558}) {
            const double spread = 1 + std::fabs(y * std::log(x));
            expect_close(pm::pow(x, y), std::pow(x, y), x, spread);
        }
    }
}

TEST(PortableMath, EdgesAndNonFiniteInputs) {
    EXPECT_TRUE(std::isnan(pm::sin(kInf)));
    EXPECT_TRUE(std::isnan(pm::cos(kNan)));
    EXPECT_TRUE(std::isnan(pm::asin(1.5)));
    EXPECT_TRUE(std::isnan(pm::log(-1.0)));
    EXPECT_TRUE(std::isnan(pm::atan2(kNan, 1.0)));
    EXPECT_EQ(pm::exp(1000.0), kInf);
    EXPECT_EQ(pm::exp(-1000.0), 0.0);
    EXPECT_EQ(pm::exp(0.0), 1.0);
    EXPECT_EQ(pm::log(0.0), -kInf);
    EXPECT_EQ(pm::pow(0.0, 2.0), 0.0);
    EXPECT_EQ(pm::pow(5.0, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(pm::atan(kInf), std::atan(kInf));
    EXPECT_DOUBLE_EQ(pm::atan2(1.0, 0.0), std::atan2(1.0, 0.0));
    EXPECT_DOUBLE_EQ(pm::atan2(0.0, -1.0), std::atan2(0.0, -1.0));
    EXPECT_DOUBLE_EQ(pm::atan2(-0.0, -1.0), std::atan2(-0.0, -1.0));
    EXPECT_DOUBLE_EQ(pm::atan2(kInf, -kInf), std::atan2(kInf, -kInf));
    EXPECT_FALSE(std::isnan(pm::sin(1e300)));  // reduced, if not accurately
}

}  // namespace
