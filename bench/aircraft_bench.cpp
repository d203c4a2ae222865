#include "aircraft_bench.h"

#include <benchmark/benchmark.h>

#include <string>

#include "host.h"
#include "plugin.h"
#include "replay.h"
#include "targets.h"

namespace bench {
namespace {

constexpr double kSimt = 100.0, kSimdt = 0.02, kMjd = 51544.5 + kSimt / 86400.0;

void run(benchmark::State& st, const Situation& s, bool floor) {
    host::trace_to(nullptr);
    host::reset();
    const VesselHandle handle = host::create_vessel("v1", 1);
    VESSEL* object = frame::create_vessel(handle, 1);
    VESSEL2* aircraft = host::vessel_object(handle, object);
    if (!aircraft) {
        st.SkipWithError("the aircraft could not be created");
        return;
    }
    aircraft->clbkSetClassCaps(nullptr);
    aircraft->clbkPostCreation();
    s.set(handle);

    auto step = [&] {
        if (s.before_step) s.before_step();
        aircraft->clbkPostStep(kSimt, kSimdt, kMjd);
    };
    for (int i = 0; i < 20; ++i) step();  // moving parts and instruments settle

    Replay replay;
    if (!replay.record(object, step)) {
        st.SkipWithError(replay.error().c_str());
    } else if (floor) {
        for (auto _ : st) benchmark::DoNotOptimize(replay.run());
    } else {
        for (auto _ : st) step();
    }
    st.counters["host_calls"] = static_cast<double>(replay.calls());

    frame::destroy_vessel(object);
    host::delete_vessel(handle);
    host::reset();
}

}  // namespace

bool register_post_steps(const char* aircraft, const Situation* situations, std::size_t count,
                         double limit) {
    for (std::size_t i = 0; i < count; ++i) {
        const Situation& s = situations[i];
        const std::string post = std::string(aircraft) + "_post_step/" + s.name;
        const std::string floor = std::string(aircraft) + "_floor/" + s.name;
        benchmark::RegisterBenchmark(post.c_str(),
                                     [&s](benchmark::State& st) { run(st, s, false); });
        benchmark::RegisterBenchmark(floor.c_str(),
                                     [&s](benchmark::State& st) { run(st, s, true); });
        ratio_at_most(std::string(aircraft) + " post-step / floor, " + s.name, post, floor, limit);
    }
    return true;
}

}  // namespace bench
