#include "altitude_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

using olumbra::format_altitude;

std::string text(double altitude) {
    char buf[36];
    const std::size_t n = format_altitude(altitude, buf, sizeof buf);
    EXPECT_EQ(n, std::strlen(buf));
    return std::string(buf, n);
}

TEST(AltitudeText, FixedNotationKeepsThePointAndDropsTrailingZeros) {
    EXPECT_EQ(text(0.0), "0.");
    EXPECT_EQ(text(0.1), "0.1");
    EXPECT_EQ(text(0.12345678), "0.123457");
    EXPECT_EQ(text(9.9), "9.9");
    EXPECT_EQ(text(10.5), "10.5");
    EXPECT_EQ(text(250.0), "250.");
    EXPECT_EQ(text(12345.0), "12345.");
    EXPECT_EQ(text(12345.67), "12345.7");
    EXPECT_EQ(text(123456.0), "123456.");
    EXPECT_EQ(text(999999.4), "999999.");
}

TEST(AltitudeText, BandIsChosenBeforeRounding) {
    // Still below 1000000, so fixed, although six digits round it up to 7 digits.
    EXPECT_EQ(text(999999.6), "1000000.");
    // Below 0.1, so exponent notation, although it rounds to 0.1.
    EXPECT_EQ(text(0.0999999999), "1.e-001");
}

TEST(AltitudeText, ExponentNotationHasASignAndThreeDigits) {
    EXPECT_EQ(text(0.05), "5.e-002");
    EXPECT_EQ(text(1e6), "1.e+006");
    EXPECT_EQ(text(1234567.0), "1.23457e+006");
    EXPECT_EQ(text(1e-7), "1.e-007");
    EXPECT_EQ(text(1.5e300), "1.5e+300");
    EXPECT_EQ(text(std::numeric_limits<double>::denorm_min()), "4.94066e-324");
}

TEST(AltitudeText, Signs) {
    EXPECT_EQ(text(-5.0), "-5.");
    EXPECT_EQ(text(-0.0), "0.");
    EXPECT_EQ(text(-0.05), "-5.e-002");
    EXPECT_EQ(text(-1234567.0), "-1.23457e+006");
    EXPECT_EQ(text(-1234567.0).size(), olumbra::kAltitudeTextMax);
}

TEST(AltitudeText, NonFinite) {
    EXPECT_EQ(text(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(text(-std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(text(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(text(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(AltitudeText, ShortBufferIsCutAndTerminatedWithoutOverrun) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(format_altitude(12345.67, buf, 4), 3u);
    EXPECT_STREQ(buf, "123");
    EXPECT_EQ(buf[4], 'x');

    EXPECT_EQ(format_altitude(12345.67, buf, 1), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '2');

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(format_altitude(12345.67, buf, 0), 0u);
    EXPECT_EQ(format_altitude(12345.67, nullptr, 36), 0u);
    EXPECT_EQ(buf[0], 'x');
}

TEST(AltitudeText, ExactTiesRoundToTheEvenDigit) {
    EXPECT_EQ(text(1234.125), "1234.12");
    EXPECT_EQ(text(1234.375), "1234.38");
    EXPECT_EQ(text(100000.5), "100000.");
    EXPECT_EQ(text(100001.5), "100002.");
    // Not ties, although scaled to six digits they come out as ones: the
    // doubles nearest these decimals lie a hair below and above them.
    EXPECT_EQ(text(10000.15), "10000.1");
    EXPECT_EQ(text(10000.45), "10000.5");
    EXPECT_EQ(text(std::nextafter(100000.5, 1e9)), "100001.");
    EXPECT_EQ(text(std::nextafter(100001.5, 0.0)), "100001.");
}

// In the fixed band the text is what the C library prints with "%#.6g", less
// its trailing zeros: the same six correctly rounded digits.
TEST(AltitudeText, FixedBandAgreesWithTheCLibrary) {
    int mismatches = 0;
    for (int i = 0; i < 200000 && mismatches < 5; ++i) {
        // From 0.1 to below 999999.5, spread evenly over the decades.
        const double x = std::pow(10.0, -1.0 + 6.999999 * i / 200000.0) * (1 + 1e-9 * (i % 7));
        char ref[40];
        std::snprintf(ref, sizeof ref, "%#.6g", x);
        std::string expected(ref);
        while (expected.back() == '0') expected.pop_back();
        if (text(x) != expected) {
            ++mismatches;
            ADD_FAILURE() << "altitude " << ref << ": " << text(x) << " instead of " << expected;
        }
    }
}

}  // namespace
