// Running one job in a child process, both sides. The parent writes the job
// into a fresh folder (job.txt, scenario.vms) and starts the child there; the
// child runs the scenario with the ordinary runner, tracing into trace1.txt
// (trace2.txt... for further runs) and writing its messages to stderr.txt and
// what it measured to measure.txt; the parent reads these back. The same
// files serve a fork on POSIX, vmhost.exe starting itself on Windows and
// --in-process, so every way runs exactly the same thing.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "host.h"
#include "scenario.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kWatchNames[] = {"none", "allocations", "timing"};

std::string read_file(const fs::path& p, bool* found = nullptr) {
    std::ifstream in(p, std::ios::binary);
    if (found) *found = static_cast<bool>(in);
    std::ostringstream s;
    if (in) s << in.rdbuf();
    return s.str();
}

// Counts the heap allocations of each kind of call, or times the post-steps.
class Measure final : public CallWatch {
  public:
    explicit Measure(Watch w) : watch_(w) {
        if (w != Watch::timing) return;
        samples_.reserve(1 << 16);
        // What reading the clock twice costs by itself is not the plug-in's.
        overhead_ = 1e9;
        for (int i = 0; i < 1000; ++i) {
            const double t = thread_time_us();
            overhead_ = std::min(overhead_, thread_time_us() - t);
        }
    }
    void enter(CallKind) override {
        if (watch_ == Watch::allocations) {
            before_ = alloc_count::count();
            alloc_count::counting(true);
        } else {
            start_ = thread_time_us();
        }
    }
    void leave(CallKind kind) override {
        if (watch_ == Watch::allocations) {
            alloc_count::counting(false);
            allocations_[static_cast<int>(kind)] += alloc_count::count() - before_;
        } else if (kind == CallKind::post_step && samples_.size() < samples_.capacity()) {
            samples_.push_back(std::max(0.0, thread_time_us() - start_ - overhead_));
        }
    }
    void write(std::FILE* f) {
        std::fprintf(f, "allocations %lld %lld %lld\n", allocations_[0], allocations_[1],
                     allocations_[2]);
        std::sort(samples_.begin(), samples_.end());
        const std::size_t n = samples_.size();
        const auto at = [&](std::size_t percent) {
            return n ? samples_[std::min(n - 1, n * percent / 100)] : 0.0;
        };
        std::fprintf(f, "timing %zu %.17g %.17g\n", n, at(50), at(99));
    }

  private:
    Watch watch_;
    long long before_ = 0;
    long long allocations_[3] = {};
    double start_ = 0, overhead_ = 0;
    std::vector<double> samples_;
};

}  // namespace

int child_main(const fs::path& dir, bool isolated) {
    std::istringstream job(read_file(dir / "job.txt"));
    std::string name, watch_name;
    int runs = 1, trace = 1;
    job >> name >> runs >> trace >> watch_name;
    Watch watch = Watch::none;
    for (int w = 0; w < 3; ++w)
        if (watch_name == kWatchNames[w]) watch = static_cast<Watch>(w);
    const std::string text = read_file(dir / "scenario.vms");

    std::FILE* err = std::fopen((dir / "stderr.txt").string().c_str(), "wb");
    if (!err) return kBadInput;
    std::setvbuf(err, nullptr, _IONBF, 0);
    if (isolated) become_child(err);

    Measure measure(watch);
    RunOptions options;
    if (watch != Watch::none) options.watch = &measure;
    int status = kOk;
    for (int run = 1; run <= runs && status != kBadInput; ++run) {
        host::reset();
        std::FILE* out = nullptr;
        if (trace) {
            // Unbuffered, so that the trace of a crash or a hang ends at the
            // call that did not return.
            out =
                std::fopen((dir / ("trace" + std::to_string(run) + ".txt")).string().c_str(), "wb");
            if (!out) return kBadInput;
            std::setvbuf(out, nullptr, _IONBF, 0);
            host::trace_to(out);
        }
        const Status s = run_scenario(name, text, err, options);
        if (s != kOk) status = s;
        host::trace_to(nullptr);
        if (out) std::fclose(out);
    }
    if (watch != Watch::none) {
        if (std::FILE* f = std::fopen((dir / "measure.txt").string().c_str(), "wb")) {
            measure.write(f);
            std::fclose(f);
        }
    }
    std::fclose(err);
    return status;
}

Outcome run_job(const Job& job, const Isolation& how, double stall) {
    static int serial = 0;
    const fs::path dir = how.work / std::to_string(++serial);
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    {
        std::ofstream(dir / "job.txt", std::ios::binary)
            << job.name << ' ' << job.runs << ' ' << (job.trace ? 1 : 0) << ' '
            << kWatchNames[static_cast<int>(job.watch)] << '\n';
        std::ofstream(dir / "scenario.vms", std::ios::binary) << job.text;
    }

    Outcome o;
    const auto start = Clock::now();
    if (how.in_process) {
        const fs::path back = fs::current_path(ec);
        fs::current_path(dir, ec);
        o.how = Outcome::exited;
        o.code = child_main(dir, false);
        fs::current_path(back, ec);
    } else {
        const auto deadline = start + std::chrono::duration<double>(how.timeout);
        std::uintmax_t size = 0;
        auto grew = start;
        const auto time_up = [&] {
            const auto now = Clock::now();
            if (job.trace) {
                std::uintmax_t s = 0;
                for (int run = 1; run <= job.runs; ++run) {
                    const auto n =
                        fs::file_size(dir / ("trace" + std::to_string(run) + ".txt"), ec);
                    if (!ec) s += n;
                }
                if (s != size) {
                    size = s;
                    grew = now;
                }
                if (now - grew >= std::chrono::duration<double>(stall)) {
                    o.stalled = stall;
                    return true;
                }
            }
            return now >= deadline;
        };
        const Ended e = run_isolated(dir, time_up);
        o.how = e.how;
        o.code = e.code;
    }
    o.seconds = std::chrono::duration<double>(Clock::now() - start).count();

    for (int run = 1; job.trace && run <= job.runs; ++run)
        o.traces.push_back(read_file(dir / ("trace" + std::to_string(run) + ".txt")));
    o.err = read_file(dir / "stderr.txt");
    o.sound_log = read_file(dir / "VelmoraSound_Log.txt", &o.has_sound_log);
    std::istringstream measured(read_file(dir / "measure.txt"));
    std::string word;
    while (measured >> word) {
        if (word == "allocations") {
            measured >> o.allocations[0] >> o.allocations[1] >> o.allocations[2];
        } else if (word == "timing") {
            measured >> o.samples >> o.p50_us >> o.p99_us;
        }
    }
    fs::remove_all(dir, ec);
    return o;
}

}  // namespace vmhost::validate
