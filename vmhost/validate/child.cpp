// Running one job in a child process, both sides. The parent writes the job
// into a fresh folder (job.txt, scenario.vms) and starts the child there; the
// child runs the scenario with the ordinary runner, tracing into trace1.txt
// (trace2.txt... for further runs), writing its messages to stderr.txt, what
// it measured to measure.txt and, should it crash, its last words to
// crash.txt; once past the scenario's end and the unload it writes end.txt
// (and, for a job flown, its flight log to flight.txt).
// The parent reads these back. The same files serve a fork on POSIX,
// vmhost.exe starting itself on Windows and --in-process, so every way runs
// exactly the same thing.
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <fstream>
#include <sstream>
#include <typeinfo>

#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include <cxxabi.h>

#include "crash.h"
#include "files.h"
#include "flightlog.h"
#include "host.h"
#include "interrupt.h"
#include "scenario.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kWatchNames[] = {"none", "allocations", "timing", "heap"};

// At most `limit` bytes of the file (all of it by default).
std::string read_file(const fs::path& p, bool* found = nullptr,
                      std::uintmax_t limit = kMaxCapture) {
    std::ifstream in(p, std::ios::binary);
    if (found) *found = static_cast<bool>(in);
    std::string s;
    if (!in) return s;
    char chunk[1 << 16];
    while (s.size() < limit && in.read(chunk, sizeof chunk).gcount() > 0)
        s.append(chunk,
                 static_cast<std::size_t>(std::min<std::uintmax_t>(in.gcount(), limit - s.size())));
    return s;
}

std::string trace_file(int run) {
    return "trace" + std::to_string(run) + ".txt";
}

// Counts the heap allocations of each kind of call, times the post-steps, or
// follows the heap the plug-in holds after each vessel's deletion.
class Measure final : public CallWatch {
  public:
    explicit Measure(Watch w) : watch_(w) {
        if (w == Watch::heap) held_.reserve(1 << 16);
        if (w != Watch::timing) return;
        samples_.reserve(1 << 16);
        // What reading the clock twice costs by itself is not the plug-in's.
        overhead_ = 1e9;
        for (int i = 0; i < 1000; ++i) {
            const double t = thread_time_us();
            overhead_ = std::min(overhead_, thread_time_us() - t);
        }
    }
    void enter(CallKind kind) override {
        if (watch_ == Watch::allocations && counted(kind)) {
            before_ = alloc_count::count();
            alloc_count::counting(true);
        } else if (watch_ == Watch::timing && kind == CallKind::post_step) {
            start_ = thread_time_us();  // only what leave() will time
        }
    }
    void leave(CallKind kind) override {
        if (watch_ == Watch::allocations && counted(kind)) {
            alloc_count::counting(false);
            const int k = static_cast<int>(kind);
            const long long n = alloc_count::count() - before_;
            allocations_[k] += n;
            ++calls_[k];
            if (n > 0 && first_.empty())
                first_ = std::to_string(k) + " " + std::to_string(calls_[k]) + "\n" +
                         alloc_count::first_stack();
        } else if (watch_ == Watch::heap && kind == CallKind::destroy &&
                   held_.size() < held_.capacity()) {
            held_.push_back(alloc_count::held());
        } else if (watch_ == Watch::timing && kind == CallKind::post_step &&
                   samples_.size() < samples_.capacity()) {
            samples_.push_back(std::max(0.0, thread_time_us() - start_ - overhead_));
        }
    }
    void write(std::FILE* f) {
        std::fprintf(f, "allocations %lld %lld %lld\n", allocations_[0], allocations_[1],
                     allocations_[2]);
        std::fprintf(f, "calls %lld %lld %lld\n", calls_[0], calls_[1], calls_[2]);
        std::sort(samples_.begin(), samples_.end());
        const std::size_t n = samples_.size();
        const auto at = [&](std::size_t percent) {
            return n ? samples_[std::min(n - 1, n * percent / 100)] : 0.0;
        };
        std::fprintf(f, "timing %zu %.17g %.17g\n", n, at(50), at(99));
        // The warm-up: the first tenth of the deletions.
        const std::size_t warm = held_.size() / 10;
        if (!held_.empty())
            std::fprintf(f, "heap %zu %lld %lld\n", held_.size() - 1 - warm, held_[warm],
                         held_.back());
        if (!first_.empty()) std::fprintf(f, "first-allocation\n%s", first_.c_str());
    }

  private:
    static bool counted(CallKind k) { return static_cast<int>(k) < 3; }

    Watch watch_;
    long long before_ = 0;
    long long allocations_[3] = {};
    long long calls_[3] = {};
    std::string first_;
    double start_ = 0, overhead_ = 0;
    std::vector<double> samples_;
    std::vector<long long> held_;
};

void read_measures(const std::string& text, Outcome& o) {
    std::istringstream measured(text);
    std::string word;
    while (measured >> word) {
        if (word == "allocations") {
            measured >> o.allocations[0] >> o.allocations[1] >> o.allocations[2];
        } else if (word == "calls") {
            measured >> o.calls[0] >> o.calls[1] >> o.calls[2];
        } else if (word == "timing") {
            measured >> o.samples >> o.p50_us >> o.p99_us;
        } else if (word == "heap") {
            measured >> o.heap_cycles >> o.heap_after_warmup >> o.heap_at_end;
        } else if (word == "first-allocation") {
            std::getline(measured, word);
            o.first_allocation.assign(std::istreambuf_iterator<char>(measured), {});
        }
    }
}

int g_last_words = -1;
bool g_stack_written = false;
bool g_isolated = false;

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// In a check's child, LeakSanitizer's report at exit would fail every check
// of a plug-in that leaks; create-delete-cycles measures what it holds.
extern "C" int __lsan_is_turned_off() {  // NOLINT(bugprone-reserved-identifier)
    return g_isolated ? 1 : 0;
}
#endif

void open_last_words(const fs::path& dir) {
#if defined(_WIN32)
    g_last_words = _wopen((dir / "crash.txt").wstring().c_str(),
                          _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    g_last_words =
        open((dir / "crash.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
#endif
}

void write_last_words(const Words& w) {
    std::string_view t = w.text();
    g_stack_written = g_stack_written || t.find("frame ") != std::string_view::npos;
    while (g_last_words >= 0 && !t.empty()) {
#if defined(_WIN32)
        const int n = _write(g_last_words, t.data(), static_cast<unsigned>(t.size()));
#else
        const auto n = write(g_last_words, t.data(), t.size());
#endif
        if (n <= 0) return;
        t.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool stack_written() {
    return g_stack_written;
}

void on_terminate() {
    static Words w;  // not on a stack that may be short
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
        w.put("exception ").put(type->name()).put("\n");
        try {
            std::rethrow_exception(std::current_exception());
        } catch (const std::exception& e) {
            w.put("what ").escaped(e.what(), 400).put("\n");
        } catch (...) {
        }
    }
    void* frames[kMaxFrames];
    const int n = capture_stack(frames, kMaxFrames);
    frames_into(w, frames + 1, n - 1, false);
    write_last_words(w);
    std::abort();
}

int child_main(const fs::path& dir, bool isolated) {
    std::istringstream job(read_file(dir / "job.txt"));
    std::string name, watch_name, plugin;
    int runs = 1, trace = 1, fly = 0;
    job >> name >> runs >> trace >> watch_name >> fly;
    job.ignore(1);
    std::getline(job, plugin);  // the rest: a path may hold blanks
    Watch watch = Watch::none;
    for (int w = 0; w < 4; ++w)
        if (watch_name == kWatchNames[w]) watch = static_cast<Watch>(w);
    const std::string text = read_file(dir / "scenario.vms");

    std::FILE* err = std::fopen((dir / "stderr.txt").string().c_str(), "wb");
    if (!err) return kBadInput;
    std::setvbuf(err, nullptr, _IONBF, 0);
    if (isolated) become_child(err, dir);
    g_isolated = isolated;

    Measure measure(watch);
    FlightLog log;
    RunOptions options;
    options.plugin = plugin;
    if (fly) options.log = &log;
    options.lift_off = fly != 0;
    if (watch != Watch::none) options.watch = &measure;
    if (watch == Watch::heap) alloc_count::holding(true);
    int status = kOk;
    for (int run = 1; run <= runs && status != kBadInput; ++run) {
        host::reset();
        std::FILE* out = nullptr;
        if (trace) {
            // Unbuffered, so that the trace of a crash or a hang ends at the
            // call that did not return.
            out = std::fopen((dir / trace_file(run)).string().c_str(), "wb");
            if (!out) return kBadInput;
            std::setvbuf(out, nullptr, _IONBF, 0);
            host::trace_to(out);
        }
        const Status s = run_scenario(name, text, err, options);
        if (s != kOk) status = s;
        host::trace_to(nullptr);
        if (out) std::fclose(out);
    }
    alloc_count::holding(false);
    if (watch != Watch::none) {
        if (std::FILE* f = std::fopen((dir / "measure.txt").string().c_str(), "wb")) {
            measure.write(f);
            std::fclose(f);
        }
    }
    std::string why;
    if (fly && !write_file((dir / "flight.txt").string(), log.saved(), "flight log", &why)) {
        std::fprintf(err, "vmhost: error: %s\n", why.c_str());
        status = kBadInput;
    }
    // Past the end of the scenario and the unload: from here on the plug-in
    // can do nothing more, and a run that ends any other way did not finish.
    if (std::FILE* f = std::fopen((dir / "end.txt").string().c_str(), "wb")) {
        std::fprintf(f, "end %d\n", status);
        std::fclose(f);
    }
    std::fclose(err);
    return status;
}

namespace {

// Runs the job's child, watching its files: killed when its time is up, when
// its trace has not grown for `stall` seconds, or when a file floods.
void run_watched(const Job& job, const fs::path& dir, const Isolation& how, double stall,
                 Outcome& o) {
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration<double>(how.timeout);
    std::uintmax_t size = 0;
    auto grew = start;
    std::error_code ec;
    const auto size_of = [&](const fs::path& p) {
        const auto n = fs::file_size(p, ec);
        return ec ? std::uintmax_t{0} : n;
    };
    bool flooded = false;
    const auto time_up = [&] {
        const auto now = Clock::now();
        std::uintmax_t s = 0;
        for (int run = 1; job.trace && run <= job.runs; ++run) {
            const std::uintmax_t n = size_of(dir / trace_file(run));
            flooded = flooded || n > kMaxCapture;
            s += n;
        }
        flooded = flooded || size_of(dir / "stderr.txt") > kMaxCapture;
        if (flooded) return true;
        if (job.trace) {
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
    o.how = flooded && e.how == Outcome::timed_out ? Outcome::flooded : e.how;
    o.code = e.code;
}

// What the child left in its folder.
void read_results(const Job& job, const fs::path& dir, Outcome& o) {
    for (int run = 1; job.trace && run <= job.runs; ++run)
        o.traces.push_back(read_file(dir / trace_file(run)));
    o.err = read_file(dir / "stderr.txt");
    o.sound_log = read_file(dir / "VelmoraSound_Log.txt", &o.has_sound_log);
    o.crash = read_file(dir / "crash.txt");
    std::istringstream end(read_file(dir / "end.txt", &o.finished));
    std::string word;
    end >> word >> o.end_status;
    if (o.finished && job.fly) o.flight = read_file(dir / "flight.txt");
    read_measures(read_file(dir / "measure.txt"), o);
}

}  // namespace

Outcome run_job(const Job& job, const Isolation& how, double stall) {
    static int serial = 0;
    const fs::path dir = how.work / std::to_string(++serial);
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    {
        std::ofstream(dir / "job.txt", std::ios::binary)
            << job.name << ' ' << job.runs << ' ' << (job.trace ? 1 : 0) << ' '
            << kWatchNames[static_cast<int>(job.watch)] << ' ' << (job.fly ? 1 : 0) << '\n'
            << job.plugin << '\n';
        std::ofstream(dir / "scenario.vms", std::ios::binary) << job.text;
    }

    Outcome o;
    o.library = job.plugin;
    const auto start = Clock::now();
    if (interrupt_signal()) {
        o.how = Outcome::interrupted;
    } else if (how.in_process) {
        const fs::path back = fs::current_path(ec);
        fs::current_path(dir, ec);
        o.how = Outcome::exited;
        o.code = child_main(dir, false);
        fs::current_path(back, ec);
    } else {
        run_watched(job, dir, how, stall, o);
    }
    o.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    read_results(job, dir, o);
    fs::remove_all(dir, ec);
    return o;
}

}  // namespace vmhost::validate
