// Runs the program's benchmarks, then prints every target with the ratio or
// counter measured in this run and whether it was met.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <vector>

#include "targets.h"

namespace bench {
namespace {

struct Target {
    std::string label, a, b;  // benchmarks; for a counter target b is the counter
    double limit;
    enum { at_most, at_least, counter } kind;
};

std::vector<Target>& targets() {
    static std::vector<Target> t;
    return t;
}

struct Result {
    // CPU time per iteration: on a machine shared with other work it varies
    // less than the wall time, and every benchmark here runs on one thread.
    double ns = 0;
    benchmark::UserCounters counters;
    bool median = false;
};

// Keeps each benchmark's CPU time per iteration, the median of its
// repetitions when there are several.
class Reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !median) continue;
            // Without the decorations ("/iterations:3/manual_time").
            const std::string name =
                r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args);
            Result& out = results[name];
            if (out.median && !median) continue;
            out.ns = r.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
            out.counters = r.counters;
            out.median = median;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Result> results;
};

void summarize(const std::map<std::string, Result>& results) {
    if (targets().empty()) return;
    std::printf("\n%-52s %12s %10s  %s\n", "target", "measured", "limit", "");
    for (const Target& t : targets()) {
        const auto a = results.find(t.a);
        double value = 0;
        bool have = a != results.end();
        if (have && t.kind == Target::counter) {
            const auto c = a->second.counters.find(t.b);
            have = c != a->second.counters.end();
            if (have) value = c->second.value;
        } else if (have) {
            const auto b = results.find(t.b);
            have = b != results.end() && b->second.ns > 0;
            if (have) value = a->second.ns / b->second.ns;
        }
        const bool met = have && (t.kind == Target::at_most ? value <= t.limit : value >= t.limit);
        std::printf("%-52s %12.4g %3s%7.4g  %s\n", t.label.c_str(), have ? value : 0.0,
                    t.kind == Target::at_most ? "<=" : ">=", t.limit,
                    !have ? "not run"
                    : met ? "met"
                          : "MISSED");
    }
}

}  // namespace

bool ratio_at_most(const std::string& label, const std::string& numerator,
                   const std::string& denominator, double limit) {
    targets().push_back({label, numerator, denominator, limit, Target::at_most});
    return true;
}

bool ratio_at_least(const std::string& label, const std::string& numerator,
                    const std::string& denominator, double limit) {
    targets().push_back({label, numerator, denominator, limit, Target::at_least});
    return true;
}

bool counter_at_least(const std::string& label, const std::string& name, const std::string& counter,
                      double limit) {
    targets().push_back({label, name, counter, limit, Target::counter});
    return true;
}

}  // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::fflush(stdout);
    bench::summarize(reporter.results);
    return 0;
}
