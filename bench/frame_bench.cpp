// The coefficient functions over a sweep of angles, against one induced-drag
// call plus one table interpolation written inline.
#include <benchmark/benchmark.h>

#include <array>

#include "airfoil.h"
#include "host.h"
#include "targets.h"

namespace {

// A whole turn in 1009 angles, none of them on a table entry, a few beyond it.
std::array<double, 1009> sweep() {
    std::array<double, 1009> a{};
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = -3.2 + 6.4 * static_cast<double>(i) / static_cast<double>(a.size() - 1);
    return a;
}
const std::array<double, 1009> kAngles = sweep();

void coefficients(benchmark::State& st, AirfoilCoefficientFunction f) {
    host::trace_to(nullptr);
    double cl = 0, cm = 0, cd = 0;
    std::size_t i = 0;
    for (auto _ : st) {
        f(kAngles[i], 0.3, 1e7, &cl, &cm, &cd);
        benchmark::DoNotOptimize(cl);
        benchmark::DoNotOptimize(cm);
        benchmark::DoNotOptimize(cd);
        if (++i == kAngles.size()) i = 0;
    }
}

// The reference: what any tabulated coefficient function has to do at least.
constexpr double kTable[25] = {0.1,   0.17,  0.2,   0.2,   0.17,   0.1,  0,    -0.11, -0.24,
                               -0.38, -0.5,  -0.5,  -0.02, 0.6355, 0.63, 0.46, 0.28,  0.13,
                               0,     -0.16, -0.26, -0.29, -0.24,  -0.1, 0.1};

void reference(benchmark::State& st) {
    host::trace_to(nullptr);
    const double inv_step = 1.0 / (15 * airfoil::RAD);
    double cl = 0, cd = 0;
    std::size_t i = 0;
    for (auto _ : st) {
        const double t = (kAngles[i] + airfoil::kPi) * inv_step;
        const int k = t >= 23 ? 23 : !(t >= 0) ? 0 : static_cast<int>(t);
        cl = kTable[k] + (t - k) * (kTable[k + 1] - kTable[k]);
        cd = vmapiGetInducedDrag(cl, 2.266, 0.6) + 0.06;
        benchmark::DoNotOptimize(cl);
        benchmark::DoNotOptimize(cd);
        if (++i == kAngles.size()) i = 0;
    }
}

BENCHMARK_CAPTURE(coefficients, wing, airfoil::wing_lift_coeff);
BENCHMARK_CAPTURE(coefficients, fin, airfoil::fin_lift_coeff);
BENCHMARK(reference)->Name("coefficients/reference");

[[maybe_unused]] const bool registered =
    bench::ratio_at_most("wing_lift_coeff / reference", "coefficients/wing",
                         "coefficients/reference", 2) &&
    bench::ratio_at_most("fin_lift_coeff / reference", "coefficients/fin", "coefficients/reference",
                         2);

}  // namespace
