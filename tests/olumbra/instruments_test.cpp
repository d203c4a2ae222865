#include "instruments.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using olumbra::Altimeter;

constexpr double kTol = 1e-9;

// Drum states from the digits shown, ones first.
void expect_drums(const Altimeter& alt, int ones, int tens, int hundreds, int thousands,
                  int ten_thousands) {
    const int digits[5] = {ones, tens, hundreds, thousands, ten_thousands};
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(alt.drum[k], digits[k] * 0.1, kTol) << "drum " << k;
}

TEST(Altimeter, SteadyAltitudeShowsItsDigitsAndTheNeedleCatchesUp) {
    Altimeter alt;
    alt.update(12345.7);
    alt.update(12345.7);
    expect_drums(alt, 5, 4, 3, 2, 1);
    EXPECT_STREQ(alt.text, "12345.7");

    // The counter gains one turn per step up to 123.
    double needle = 0.0;
    for (int i = 0; i < 130; ++i) needle = alt.update(12345.7);
    EXPECT_DOUBLE_EQ(alt.turns_100, 123.0);
    EXPECT_NEAR(needle, 0.457, kTol);
    expect_drums(alt, 5, 4, 3, 2, 1);
}

TEST(Altimeter, CrossingTenMetresReadsStalePositionsForOneStep) {
    Altimeter alt;
    alt.update(9.9);
    expect_drums(alt, 9, 0, 0, 0, 0);
    alt.update(10.5);
    expect_drums(alt, 1, 1, 0, 0, 0);  // ones drum read position 0
    alt.update(10.5);
    expect_drums(alt, 0, 1, 0, 0, 0);
}

TEST(Altimeter, NeedleCounterFollowsByOneTurnPerStep) {
    Altimeter alt;
    EXPECT_DOUBLE_EQ(alt.update(250.0), 2.5);
    EXPECT_DOUBLE_EQ(alt.update(250.0), 1.5);
    EXPECT_DOUBLE_EQ(alt.update(250.0), 0.5);
    EXPECT_DOUBLE_EQ(alt.update(250.0), 0.5);
    EXPECT_DOUBLE_EQ(alt.turns_100, 2.0);
}

TEST(Altimeter, ExactHundredsAlternateBetweenFullAndNoTurn) {
    // s of exactly 1 turns the counter up, s of exactly 0 down again; both
    // states put the needle at the same place.
    Altimeter alt;
    EXPECT_DOUBLE_EQ(alt.update(100.0), 1.0);
    EXPECT_DOUBLE_EQ(alt.update(100.0), 0.0);
    EXPECT_DOUBLE_EQ(alt.turns_100, 0.0);
}

TEST(Altimeter, BelowSeaLevel) {
    Altimeter alt;
    alt.update(1234.0);
    alt.update(1234.0);
    const double needle = alt.update(-5.0);
    EXPECT_STREQ(alt.text, "-5.");
    // The ones drum keeps its last digit; the others show 0.
    expect_drums(alt, 4, 0, 0, 0, 0);
    EXPECT_NEAR(needle, -0.05 - 2.0, kTol);
    for (int i = 0; i < 5; ++i) alt.update(-5.0);
    EXPECT_DOUBLE_EQ(alt.turns_100, 0.0);
    EXPECT_NEAR(alt.update(-5.0), -0.05, kTol);
}

TEST(Altimeter, FallToASingleDigitReadsPastTheTextAsZero) {
    Altimeter alt;
    for (int i = 0; i < 200; ++i) alt.update(12345.0);
    ASSERT_DOUBLE_EQ(alt.turns_100, 123.0);

    // "5." is two characters; the ones drum looks at position 4.
    EXPECT_NEAR(alt.update(5.0), 0.05 - 123.0, kTol);
    expect_drums(alt, 0, 0, 0, 0, 0);
    EXPECT_NEAR(alt.update(5.0), 0.05 - 122.0, kTol);
    expect_drums(alt, 5, 0, 0, 0, 0);
}

TEST(Altimeter, AboveTheDrumsShowsTheFirstFiveDigits) {
    Altimeter alt;
    alt.update(123456.0);
    alt.update(123456.0);
    expect_drums(alt, 5, 4, 3, 2, 1);
}

TEST(Altimeter, NonFiniteAltitudesKeepItWorking) {
    Altimeter alt;
    alt.update(12345.0);
    alt.update(12345.0);
    alt.update(std::numeric_limits<double>::quiet_NaN());
    EXPECT_STREQ(alt.text, "nan");
    expect_drums(alt, 5, 4, 3, 2, 1);  // a nan altitude reaches no threshold

    alt.update(std::numeric_limits<double>::infinity());
    EXPECT_STREQ(alt.text, "inf");
    expect_drums(alt, 0, 0, 0, 0, 0);  // no digits in the text
    alt.update(-std::numeric_limits<double>::infinity());
    EXPECT_STREQ(alt.text, "-inf");

    // Back to normal: the counter was moved by one per step only.
    alt.update(12345.0);
    alt.update(12345.0);
    expect_drums(alt, 5, 4, 3, 2, 1);
}

TEST(EngineFrequency, FollowsTheThrustLevelWithinLimits) {
    EXPECT_DOUBLE_EQ(olumbra::engine_frequency(0.5), 16000.0);
    EXPECT_DOUBLE_EQ(olumbra::engine_frequency(1.0), 19000.0);
    EXPECT_DOUBLE_EQ(olumbra::engine_frequency(1.5), 22000.0);
    EXPECT_DOUBLE_EQ(olumbra::engine_frequency(2.0), 22500.0);
    EXPECT_DOUBLE_EQ(olumbra::engine_frequency(-0.3), 11500.0);
    EXPECT_DOUBLE_EQ(olumbra::engine_frequency(std::numeric_limits<double>::infinity()), 22500.0);
}

}  // namespace
