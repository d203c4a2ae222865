// Olumbra's default flight, flown by vmhost with its flight model: what the
// report's flight log shows of its gear, its envelope bands and its gear sound.
#include <gtest/gtest.h>

#include <string>

#include "flying.h"

namespace {

using testsupport::Flying;

TEST_F(Flying, OlumbraKeepsItsGearDownUntilAirborneAndMeetsItsCeiling) {
    ASSERT_EQ(vmhost("fly olumbra --report report --trace trace.txt"), 0) << file("err.txt");
    const testsupport::Log log = testsupport::read_log(dir_ / "report" / "olumbra.csv");

    const std::size_t ground = log.col("ground"), gear = log.col("gear"),
                      alt = log.col("altitude_m"), speed = log.col("airspeed_ms"),
                      max = log.col("thrust_max_n");
    for (const auto& r : log.rows) {
        if (r[ground] == 1) {
            EXPECT_EQ(r[gear], 0) << "gear moves on the ground at " << r[0];
        }
    }
    EXPECT_EQ(log.rows.back()[gear], 1) << "gear up";

    // The bands of the envelope: 300000 N from 17000 m, 0 from 20000 m.
    int band = 0, ceiling = 0;
    for (const auto& r : log.rows) {
        double expected = 400000;
        if (r[speed] >= 200) expected = r[speed] >= 230 ? 0 : 300000;
        if (r[alt] >= 17000) expected = r[alt] >= 20000 ? 0 : 300000;
        EXPECT_EQ(r[max], expected) << "at " << r[0] << " s";
        band += r[alt] >= 17000 && r[alt] < 20000 ? 1 : 0;
        ceiling += r[alt] >= 20000 ? 1 : 0;
    }
    EXPECT_GT(band, 0);
    EXPECT_GT(ceiling, 0);

    // The gear sound: G pressed in the air plays slot 2 of the sound add-on.
    const std::string trace = file("trace.txt");
    EXPECT_NE(trace.find("> clbkConsumeBufferedKey 34 1\nGroundContact = 0\n~ "
                         "PlayVesselWaveVMSound3 0 2 0 255 0 = 1\n"),
              std::string::npos);
    EXPECT_NE(trace.find("\n> cf1 "), std::string::npos) << "coefficient calls are traced";
}

}  // namespace
