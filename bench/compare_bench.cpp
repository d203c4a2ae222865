// vmhost compare's engine on two traces of 100,000 lines each: alike; alike
// but for three places (a value changed, a call added, a call removed); and
// with a value changed in every step of the second half. The traces are made
// here, step by step as a host writes them: a post-step of some thirty host
// calls, then the flight model's four coefficient calls.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "compare.h"
#include "targets.h"

namespace {

constexpr int kLines = 100000;

std::string number(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.17g", v);
    return t;
}

// How NEW's trace differs from OLD's.
enum class Change { none, three, half };

std::string trace(Change change) {
    std::string s = "> load\nInitLib module\n> vmvcInit v1 1\nVESSEL2 v1 1\n";
    s += "vmapiLoadMeshGlobal \"Body\" = mesh1\nCreatePropellantResource 1000 -1 1 = ph1\n";
    s += "CreateThruster (0,0,-5) (0,0,1) 3e+05 ph1 5e+04 0 101400 = th1\n< object\n";
    int lines = 8;
    for (int step = 0; lines < kLines; ++step) {
        const double t = step * 0.02, v = 50 + 0.01 * step;
        const bool late = lines > kLines / 2;
        std::string b = "> clbkPostStep " + number(t) + " 0.02 " + number(51544.5 + t / 86400) +
                        "\nvmapiGetTimeAcceleration = 1\nGetAirspeed = " + number(v) +
                        "\nGetAltitude = " + number(10 * v) + "\nGroundContact = 0\n";
        if (!(change == Change::three && step == 2000))  // removed
            b += "SetThrusterMax0 th1 3e+05\nGetThrusterLevel th1 = 0.8\n";
        for (int a = 0; a < 16; ++a) {
            double state = (a + 1) * 0.01 * v;
            if ((change == Change::three && step == 500 && a == 3) ||
                (change == Change::half && late && a == 10))
                state *= 1.001;
            b += "SetAnimation " + std::to_string(a) + " " + number(state) + "\n";
        }
        if (change == Change::three && step == 1000) b += "GetBank = 0\n";  // added
        b += "SetCW 0.3 0.3 0.6 0.9\nGetFuelMass = " + number(1000 - 0.01 * step) + "\n";
        for (int k = 0; k < 4; ++k)
            b += "> cf1 " + number(0.05 + 1e-4 * k) + " 0.1 1e6\nvmapiGetInducedDrag " +
                 number(0.4) + " 2 0.6 = " + number(0.0424) + "\n< 0.4 0 0.0424\n";
        for (char c : b) lines += c == '\n';
        s += b;
    }
    return s;
}

void compare(benchmark::State& st, Change change) {
    const std::string a = trace(Change::none), b = trace(change);
    for (auto _ : st) {
        const vmhost::compare::Comparison c = vmhost::compare::compare_traces(a, b, {}, 5);
        benchmark::DoNotOptimize(c.groups.data());
    }
    st.counters["lines_per_s"] =
        benchmark::Counter(static_cast<double>(kLines) * static_cast<double>(st.iterations()),
                           benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(compare, alike, Change::none)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compare, three_places, Change::three)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compare, every_step_of_the_second_half, Change::half)
    ->Unit(benchmark::kMillisecond);

// "Well under a second" for two traces of 100,000 lines that differ in a few
// places: a quarter of one.
[[maybe_unused]] const bool registered =
    bench::counter_at_least("compare: 100,000 lines, three places differ, lines per second",
                            "compare/three_places", "lines_per_s", 4e5);

}  // namespace
