// The airliner's altitude text against snprintf("%.6g"), over the altitudes
// it shows.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>

#include "altitude_text.h"
#include "targets.h"

namespace {

// Altitudes an airliner shows, from the ground to its ceiling, with fractions.
std::array<double, 1024> altitudes() {
    std::array<double, 1024> a{};
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = 0.05 + 20000.0 * std::pow(static_cast<double>(i) / 1023.0, 3) +
               0.001 * static_cast<double>(i);
    return a;
}
const std::array<double, 1024> kAltitudes = altitudes();

void altitude_text(benchmark::State& st) {
    char text[32];
    std::size_t i = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(olumbra::format_altitude(kAltitudes[i], text, sizeof text));
        benchmark::ClobberMemory();
        if (++i == kAltitudes.size()) i = 0;
    }
}

void altitude_snprintf(benchmark::State& st) {
    char text[32];
    std::size_t i = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(std::snprintf(text, sizeof text, "%.6g", kAltitudes[i]));
        benchmark::ClobberMemory();
        if (++i == kAltitudes.size()) i = 0;
    }
}

BENCHMARK(altitude_text)->Name("altitude_text/format");
BENCHMARK(altitude_snprintf)->Name("altitude_text/snprintf");

[[maybe_unused]] const bool registered =
    bench::ratio_at_least("altitude text: snprintf / format (times faster)",
                          "altitude_text/snprintf", "altitude_text/format", 3);

}  // namespace
