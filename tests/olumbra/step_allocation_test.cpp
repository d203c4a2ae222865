// The airliner's per-step code makes no heap allocation: the global allocation
// functions of this process are replaced by counting ones, and the airliner
// (compiled into this test, so that the replacements reach it on every
// platform) is driven through the stand-in host with tracing and sound on,
// through every band and branch of its systems.
#include <limits>
#include <string>

#include "counting_new.h"
#include "library.h"
#include "olumbra.h"
#include "trace_test.h"

namespace {

using AirlinerSteps = AircraftTest<Airliner>;

// What the host reports during one stretch of steps.
struct Phase {
    double ground, airspeed, altitude, thrust, rudder, warp;
    bool press_g, press_k;
};

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const Phase kPhases[] = {
    {1, 0, 0, 0, 0, 1, false, false},                // at rest, engine off
    {1, 60, 0, 0.8, 0.5, 25, true, true},            // take-off roll, warp capped, gear asked
    {0, 150, 250, 0.8, 0, 1, false, false},          // lift-off: gear retracts
    {0, 210, 12345.7, 1, 0, 1, false, true},         // reduced airspeed band, lights
    {0, 240, 18000, 1, 0, 1, true, false},           // reduced altitude band, gear down
    {0, 240, 25000, 0.5, 0, 1, false, true},         // cut altitude band
    {0, 100, 9.9, 0, 0, 1, false, false},            // engine off in the air
    {0, 100, -5, 0.2, 0, 1, true, false},            // below sea level
    {1, kNan, kNan, kNan, kNan, kNan, false, true},  // a host reporting nonsense
    {1, kInf, -kInf, kInf, 1, -kInf, true, true},
};

TEST_F(AirlinerSteps, FailedAllocationLeavesNoAirlinerAndTheNextIsWhole) {
    VesselHandle handle = host::create_vessel("v1", 1);
    counting_new::fail_nothrow_allocation(1);  // the object itself
    EXPECT_EQ(frame::create_vessel(handle, 1), nullptr);
    counting_new::fail_nothrow_allocation(0);
    create("v2");
}

TEST_F(AirlinerSteps, MakeNoHeapAllocation) {
    std::string error;
    const auto addon = vmhost::library::open(
        vmhost::library::executable_dir() + "/sound-full/VelmoraSound.dll", &error);
    ASSERT_NE(addon, nullptr) << error;

    const std::size_t before_construction = counting_new::allocations();
    Airliner* airliner = &create("v1");
    ASSERT_GT(counting_new::allocations(), before_construction) << "the counting new is not in use";
    const VesselHandle handle = airliner->GetHandle();
    airliner->clbkLoadVC(0);

    double simt = 0.0;
    const std::size_t before_steps = counting_new::allocations();
    for (int i = 0; i < 10000; ++i) {
        if (i % 1000 == 0) {
            const Phase& p = kPhases[i / 1000];
            host::set_reading(handle, host::Reading::ground, p.ground);
            host::set_reading(handle, host::Reading::airspeed, p.airspeed);
            host::set_reading(handle, host::Reading::altitude, p.altitude);
            host::set_reading(handle, host::Reading::thrust, p.thrust);
            host::set_reading(handle, host::Reading::rudder, p.rudder);
            host::set_reading(handle, host::Reading::aoa, p.rudder);
            host::set_reading(handle, host::Reading::bank, p.rudder);
            host::set_warp(p.warp);
            if (p.press_g) airliner->clbkConsumeBufferedKey(key_code("G"), true, key_state);
            if (p.press_k) airliner->clbkConsumeBufferedKey(key_code("K"), true, key_state);
        }
        host::apply_pending_warp();
        airliner->clbkPostStep(simt, 0.02, 51544.5 + simt / 86400.0);
        host::check_lights();
        simt += 0.02;
    }
    EXPECT_EQ(counting_new::allocations() - before_steps, 0u);
}

}  // namespace
