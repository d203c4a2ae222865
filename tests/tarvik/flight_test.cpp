// Tarvik's default flight, flown by vmhost with its flight model: what the
// report's flight log shows of its flaps and its flight envelope.
#include <gtest/gtest.h>

#include <string>

#include "flying.h"

namespace {

using testsupport::Flying;

TEST_F(Flying, TarvikTakesOffWithFlapsAndMeetsItsEnvelopeAt7000m) {
    ASSERT_EQ(vmhost("fly tarvik --report report"), 0) << file("err.txt");
    const testsupport::Log log = testsupport::read_log(dir_ / "report" / "tarvik.csv");

    // Flaps fully out on the roll, in once airborne.
    const std::size_t flaps = log.col("flaps");
    const std::size_t off = log.lift_off();
    ASSERT_LT(off, log.rows.size());
    EXPECT_EQ(log.rows[off][flaps], 1);
    EXPECT_EQ(log.rows.back()[flaps], 0);

    // The envelope, step by step: the maximum thrust the plug-in set after
    // each step follows the airspeed and altitude of that step.
    const std::size_t alt = log.col("altitude_m"), speed = log.col("airspeed_ms"),
                      max = log.col("thrust_max_n");
    int cut = 0;
    for (const auto& r : log.rows) {
        const bool outside = r[alt] >= 7000 || r[speed] >= 177;
        EXPECT_EQ(r[max], outside ? 0 : 300000) << "at " << r[0] << " s";
        cut += outside ? 1 : 0;
    }
    EXPECT_GT(cut, 0) << "never reached 7000 m";
    EXPECT_LT(log.max("altitude_m"), 7100) << "the envelope holds it near 7000 m";

    // The summary table names the events.
    const std::string out = file("out.txt");
    for (const char* e : {"lifts off", "flaps out", "flaps in", "lights on", "maximum thrust 0 N",
                          "top altitude", "distance"})
        EXPECT_NE(out.find(e), std::string::npos) << e;
}

}  // namespace
