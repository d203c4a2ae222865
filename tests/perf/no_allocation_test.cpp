// The calls the host makes many times per step or per frame allocate nothing:
// the coefficient functions the aircraft registered, its key callbacks, and
// its post-step with the trace off (the allocation tests of each aircraft
// step it with the trace on). Each case runs traced and untraced, with the
// aircraft built into this program through the frame, as vmvcInit builds it.
#include <limits>

#include "airfoil.h"
#include "counting_new.h"
#include "trace_test.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

class NoHeapAllocation : public AircraftTest<VESSEL2> {
  protected:
    void SetUp() override {
        AircraftTest::SetUp();
        const std::size_t before = counting_new::allocations();
        aircraft_ = &create("v1");
        ASSERT_GT(counting_new::allocations(), before) << "the counting operator new is not in use";
        handle_ = aircraft_->GetHandle();
    }
    // Runs `calls` traced, then untraced; returns the allocations made.
    template <class Calls>
    std::size_t allocations(Calls calls) {
        const std::size_t before = counting_new::allocations();
        for (std::FILE* out : {trace_file(), static_cast<std::FILE*>(nullptr)}) {
            host::trace_to(out);
            calls();
        }
        host::trace_to(trace_file());
        return counting_new::allocations() - before;
    }

    VesselHandle handle_ = nullptr;
    VESSEL2* aircraft_ = nullptr;
};

TEST_F(NoHeapAllocation, CoefficientFunctions) {
    const int airfoils = host::airfoil_count(handle_);
    const double angles[] = {-kInf, -1e300,       -4, -airfoil::kPi, -0.3, -0.0, 0.0,
                             0.2,   airfoil::kPi, 4,  1e300,         kInf, kNan, 5e-324};
    const std::size_t n = allocations([&] {
        for (int index = 0; index < airfoils; ++index) {
            const AirfoilCoefficientFunction f = host::airfoil_function(handle_, index);
            ASSERT_NE(f, nullptr);
            double cl, cm, cd;
            for (int i = -200; i <= 200; ++i) f(i * 0.0163, 0.3, 1e7, &cl, &cm, &cd);
            for (double a : angles) f(a, kNan, -kInf, &cl, &cm, &cd);
        }
    });
    EXPECT_EQ(n, 0u);
}

TEST_F(NoHeapAllocation, KeyCallbacksAndTheStepsThatCarryThemOut) {
    const std::size_t n = allocations([&] {
        for (int modifiers = 0; modifiers < 3; ++modifiers) {
            key_state[0x2A] = key_state[0x1D] = key_state[0x38] = modifiers == 1 ? '\x80' : 0;
            char* state = modifiers == 2 ? nullptr : key_state;
            for (std::uint32_t key = 0; key < 256; ++key) {
                aircraft_->clbkConsumeBufferedKey(key, true, state);
                aircraft_->clbkConsumeBufferedKey(key, false, state);
                aircraft_->clbkPostStep(0, 0.02, 51544.5);
            }
            aircraft_->clbkConsumeBufferedKey(0xFFFFFFFF, true, state);
        }
    });
    EXPECT_EQ(n, 0u);
}

TEST_F(NoHeapAllocation, PostStepsThroughNonsenseReadings) {
    const double values[] = {0, 45, 250, 1e6, -20, kNan, kInf, -kInf};
    const std::size_t n = allocations([&] {
        for (double v : values) {
            for (int r = 0; r < host::kReadingCount; ++r)
                host::set_reading(handle_, static_cast<host::Reading>(r), v);
            host::set_warp(v);
            for (int i = 0; i < 50; ++i) {
                host::apply_pending_warp();
                aircraft_->clbkPostStep(i * 0.02, 0.02, 51544.5);
                host::check_lights();
            }
        }
    });
    EXPECT_EQ(n, 0u);
}

}  // namespace
