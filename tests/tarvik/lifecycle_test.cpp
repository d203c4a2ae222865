// Creation, deletion and the heap: what the light aircraft allocates, when,
// and that its per-step code allocates nothing at all.
#include <limits>

#include "counting_new.h"
#include "tarvik.h"
#include "trace_test.h"

namespace {

using host::Reading;
using Lifecycle = AircraftTest<LightAircraft>;

TEST_F(Lifecycle, FailedAllocationLeavesNoAircraft) {
    // A half-made object left behind would show as a leak in the sanitizer build.
    VesselHandle handle = host::create_vessel("v1", 1);
    counting_new::fail_nothrow_allocation(1);  // the object itself
    EXPECT_EQ(frame::create_vessel(handle, 1), nullptr);
    counting_new::fail_nothrow_allocation(2);  // the horizon-pitch transform
    EXPECT_EQ(frame::create_vessel(handle, 1), nullptr);
    counting_new::fail_nothrow_allocation(0);

    create("v2");  // and the next aircraft is whole
}

TEST_F(Lifecycle, DeletionFreesTheObjectAndItsOneTransform) {
    create("v1");
    VesselHandle handle = host::create_vessel("v2", 1);
    VESSEL* second = frame::create_vessel(handle, 1);
    ASSERT_NE(second, nullptr);

    const std::size_t freed = counting_new::deallocations();
    frame::destroy_vessel(second);
    EXPECT_EQ(counting_new::deallocations() - freed, 2u);
}

// One stretch of steps with the same readings, and the keys pressed before it.
struct Phase {
    double ground, airspeed, altitude, thrust, rudder, pitch, fuel, warp;
    bool flaps, refuel, lights;
};

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const Phase kPhases[] = {
    {1, 0, 0, 0, 0, 0, 10000, 1, false, false, false},                // at rest, engine off
    {1, 0, 0, 0.05, 0, 0, 9000, 1, true, false, true},                // idling, flaps, night
    {1, 45, 0, 1, 0.3, 0, 8000, 25, false, true, false},              // take-off roll at warp 25
    {0, 80, 350, 0.8, 0, 0.2, 7000, 1, true, false, true},            // climbing, flaps up, day
    {0, 177, 7000, 1, 0, -0.1, 5000, 1, false, false, false},         // at both limits
    {0, 60, -20, 0, 0, 4, 0, 10, false, true, true},                  // below sea level, empty tank
    {1, kNan, kNan, kNan, kNan, kNan, kNan, kNan, true, true, true},  // nonsense readings
    {1, kInf, -kInf, kInf, 1, -kInf, kInf, -kInf, true, false, true},
};

TEST_F(Lifecycle, StepsAndKeysMakeNoHeapAllocation) {
    LightAircraft& first = create("v1");
    LightAircraft& second = create("v2");
    ASSERT_TRUE(host::tracing()) << "every host call formats its trace line";
    const std::size_t before = counting_new::allocations();

    constexpr int kSteps = 10000;
    constexpr int kPhaseCount = sizeof kPhases / sizeof kPhases[0];
    for (int i = 0; i < kSteps; i += kSteps / kPhaseCount / 5) {
        const Phase& p = kPhases[(i / (kSteps / kPhaseCount / 5)) % kPhaseCount];
        for (LightAircraft* a : {&first, &second}) {
            set(*a, Reading::ground, p.ground);
            set(*a, Reading::airspeed, p.airspeed);
            set(*a, Reading::altitude, p.altitude);
            set(*a, Reading::thrust, p.thrust);
            set(*a, Reading::rudder, p.rudder);
            set(*a, Reading::pitch, p.pitch);
            set(*a, Reading::fuel, p.fuel);
        }
        host::set_warp(p.warp);
        if (p.flaps) key(first, key_code("F"));
        if (p.refuel) key(second, key_code("J"));
        if (p.lights) key(first, key_code("K"));
        step(kSteps / kPhaseCount / 5);
    }

    EXPECT_EQ(counting_new::allocations() - before, 0u);
}

}  // namespace
