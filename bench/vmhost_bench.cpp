// vmhost end to end: a 100,000-step scenario of each aircraft run by the
// vmhost program, with the trace written to a file. Reports steps and traced host calls per second
// of wall time, start-up and unloading included.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "library.h"
#include "targets.h"

namespace {

namespace fs = std::filesystem;

constexpr long kSteps = 100000;

// Lines of the trace that are the plug-in's calls into the host: everything
// but calls into the plug-in and their results, light changes and remarks.
long host_calls(const fs::path& trace) {
    std::ifstream in(trace, std::ios::binary);
    std::string line;
    long n = 0;
    while (std::getline(in, line))
        if (!line.empty() && std::string("><*#~").find(line[0]) == std::string::npos) ++n;
    return n;
}

void vmhost_run(benchmark::State& st, const char* plugin, const char* settings) {
    const fs::path dir = fs::temp_directory_path() / ("vm-bench-" + std::string(plugin));
    fs::create_directories(dir);
    const fs::path scenario = dir / "run.vms";
    const fs::path trace = dir / "trace.txt";
    {
        std::ofstream out(scenario);
        out << "load " << plugin << "\ncreate v1\n"
            << settings << "step " << kSteps << "\nunload\n";
    }
    const std::string command = "cd '" + dir.string() + "' && '" +
                                vmhost::library::executable_dir() + "/vmhost' run run.vms" +
                                " --trace trace.txt";
    long calls = 0;
    double seconds = 0;
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (status != 0) {
            st.SkipWithError("vmhost failed");
            break;
        }
        st.SetIterationTime(took.count());
        seconds += took.count();
    }
    if (seconds > 0) {
        calls = host_calls(trace);
        const double runs = static_cast<double>(st.iterations());
        st.counters["steps_per_s"] = static_cast<double>(kSteps) * runs / seconds;
        st.counters["host_calls"] = static_cast<double>(calls);
        st.counters["host_calls_per_s"] = static_cast<double>(calls) * runs / seconds;
        st.counters["trace_MB"] = static_cast<double>(fs::file_size(trace)) / 1e6;
    }
    fs::remove_all(dir);
}

// A steady cruise, inside the flight envelope of each of our aircraft.
constexpr char kCruise[] =
    "set v1 airspeed 100\nset v1 altitude 1500\nset v1 thrust 0.7\nset v1 pitch 0.05\n"
    "set v1 aoa 0.05\n";

bool register_runs() {
    for (const char* aircraft : {VM_AIRCRAFT_NAMES}) {
        const std::string name = std::string("vmhost_run/") + aircraft;
        benchmark::RegisterBenchmark(
            name.c_str(), [aircraft](benchmark::State& st) { vmhost_run(st, aircraft, kCruise); })
            ->UseManualTime()
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
        bench::counter_at_least(
            std::string("vmhost ") + aircraft + ": traced host calls per second", name,
            "host_calls_per_s", 1e6);
    }
    return true;
}

[[maybe_unused]] const bool registered = register_runs();

}  // namespace
