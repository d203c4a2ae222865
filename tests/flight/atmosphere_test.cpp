#include "atmosphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using flight::standard_air;

// Reference values of the standard atmosphere tables.
TEST(StandardAir, MatchesTheTablesAtLayerBoundaries) {
    const auto sea = standard_air(0);
    EXPECT_NEAR(sea.temperature, 288.15, 1e-9);
    EXPECT_NEAR(sea.pressure, 101325, 1e-6);
    EXPECT_NEAR(sea.density, 1.2250, 1e-4);
    EXPECT_NEAR(sea.speed_of_sound, 340.29, 0.01);

    const auto tropopause = standard_air(11000);
    EXPECT_NEAR(tropopause.temperature, 216.65, 1e-9);
    EXPECT_NEAR(tropopause.pressure, 22632, 1);
    EXPECT_NEAR(tropopause.density, 0.36392, 1e-4);
    EXPECT_NEAR(tropopause.speed_of_sound, 295.07, 0.01);

    EXPECT_NEAR(standard_air(5000).pressure, 54019.9, 0.5);
    EXPECT_NEAR(standard_air(5000).density, 0.73612, 1e-4);
    EXPECT_NEAR(standard_air(20000).pressure, 5474.9, 0.5);
    EXPECT_NEAR(standard_air(20000).density, 0.088035, 1e-5);
    EXPECT_NEAR(standard_air(32000).pressure, 868.02, 0.1);
}

TEST(StandardAir, ThinsOutWithAltitudeAndStaysFiniteForAnyInput) {
    double last = standard_air(-5000).density;
    for (double h = -4000; h <= 250000; h += 1000) {
        const double d = standard_air(h).density;
        EXPECT_LE(d, last) << h;
        last = d;
    }
    EXPECT_EQ(standard_air(200000).density, 0);
    constexpr double kInf = std::numeric_limits<double>::infinity();
    for (double h : {std::nan(""), kInf, -kInf, 1e300, -1e300}) {
        const auto a = standard_air(h);
        EXPECT_TRUE(std::isfinite(a.density) && std::isfinite(a.pressure) &&
                    std::isfinite(a.speed_of_sound) && std::isfinite(a.viscosity))
            << h;
        EXPECT_GE(a.density, 0) << h;
    }
}
