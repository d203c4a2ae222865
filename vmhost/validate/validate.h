// `vmhost validate PLUGIN`: a named battery of checks any vessel plug-in can
// be run against. Each check is scenario text for the ordinary runner plus an
// oracle on what came of it; each scenario runs in a child process, so that a
// crash or a hang of the plug-in is that check's result and the battery goes
// on. A failure is shrunk to the few scenario lines that still fail. Its files:
//   validate.h           (this) the pieces and how they fit
//   validate.cpp         the command line, and running the battery
//   checks.cpp           the registry: every check, its scenarios and oracle
//   oracles.cpp          the oracles, and the readers of traces they share
//   mix.cpp              scenario building blocks: the PRNG, the seeded
//                        random scenario, the sweeps' values
//   child.cpp            running a scenario in a child process: the job's
//                        files, the child's side, measuring calls
//   child_posix.cpp,     starting the child and its timeout, one file per
//   child_win32.cpp      platform (fork; vmhost.exe starting itself)
//   alloc_count.cpp      counting the heap allocations of plug-in calls (Linux)
//   shrink.cpp           delta debugging of a failing scenario
//   report.cpp           the terminal table, progress line and JUnit XML
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vmhost::validate {

// `vmhost validate ARGS...` (argv after "validate"); returns the exit status.
int main(int argc, char** argv);

inline constexpr int kDefaultStrictness = 5;
inline constexpr std::uint64_t kDefaultSeed = 20240102;
inline constexpr double kDefaultTimeout = 60;  // s, per child run

// ---- Running a scenario in a child process (child*.cpp) ---------------------

// What a run measures besides its trace.
enum class Watch { none, allocations, timing };

struct Job {
    std::string name;  // of the scenario, in vmhost's messages: CHECK.vms
    std::string text;
    int runs = 1;  // the scenario this many times, one after another in one process
    bool trace = true;
    Watch watch = Watch::none;
};

struct Outcome {
    enum How { exited, signalled, timed_out, not_started } how = not_started;
    int code = 0;                     // exit status, signal number or exception code
    std::vector<std::string> traces;  // one per run
    std::string err;                  // what the child wrote to standard error
    std::string sound_log;            // VelmoraSound_Log.txt, when there is one
    bool has_sound_log = false;
    double seconds = 0;
    double stalled = 0;  // when killed for making no call across the boundary: for how long
    long long allocations[3] = {};  // during post-steps, key callbacks, coefficient calls
    long long samples = 0;          // post-steps timed
    double p50_us = 0, p99_us = 0;
};

struct Isolation {
    bool in_process = false;  // --in-process: no child, no timeout
    double timeout = kDefaultTimeout;
    std::filesystem::path work;  // a folder of our own; each run gets one below it
    // A traced run whose trace has not grown for this long hangs too: the
    // host traces every call into the plug-in, and no one call should take
    // that long.
    double stall() const { return timeout / 6; }
};

// Runs the job in a fresh folder below `how.work`, in a child process unless
// in-process, killing it after `how.timeout` seconds, or as soon as its trace
// has not grown for `stall` seconds.
Outcome run_job(const Job& job, const Isolation& how, double stall);

// The child's side: runs the job written in `dir` there and leaves its
// results beside it. `isolated`: this process is the child (its standard
// error goes to the job's folder too). Returns the exit status.
int child_main(const std::filesystem::path& dir, bool isolated);

// Platform part (child_posix.cpp, child_win32.cpp): runs child_main(dir) in
// a new process, started in `dir`, killing it when `time_up()` says so (asked
// every few milliseconds).
struct Ended {
    Outcome::How how;
    int code;
};
Ended run_isolated(const std::filesystem::path& dir, const std::function<bool()>& time_up);
// Makes this child process's standard output and error go to `err`, and a
// crash end it at once with its code.
void become_child(std::FILE* err);
// "signal 11 (SIGSEGV)", "exception 0xc0000005", "exit status 1"...
std::string describe_end(Outcome::How how, int code);
int process_id();
// The time this thread has run, in microseconds: its CPU time, so that other
// processes on a busy machine do not count (wall time on Windows, whose
// thread times are too coarse).
double thread_time_us();

// Counting heap allocations (alloc_count.cpp): only while counting is on, in
// the thread that switched it on. available() is false where the host cannot
// see a plug-in's allocations; why_not() says why.
namespace alloc_count {
bool available();
const char* why_not();
void counting(bool on);
long long count();
}  // namespace alloc_count

// ---- The checks (checks.cpp, oracles.cpp, mix.cpp) ---------------------------------------

struct Verdict {
    enum Result { pass, skip, fail } result = pass;
    std::string reason;     // why it failed or was skipped; measurements of a pass
    std::string where;      // where it failed: a trace line, a scenario line
    std::string warning;    // a WARN line that accompanies a pass
    std::string signature;  // what a smaller scenario must show to fail the same way
};

// What one look at the plug-in found: its vessel and airfoils.
struct Survey {
    bool ran = false;
    std::string failure;        // when it did not run to its end
    bool object = false;        // vmvcInit of flight model 1 gives a vessel object
    std::vector<int> airfoils;  // indices of the airfoils with a coefficient function
};

struct Context {
    std::string plugin;  // as `load` names it: an aircraft's name or an absolute path
    std::string given;   // as the command line gave it
    Survey survey;
    std::uint64_t seed = kDefaultSeed;
    int strictness = kDefaultStrictness;
    bool in_process = false;
};

// One scenario of a check and its oracle, run in `processes` fresh
// processes (each gives one Outcome).
using Judge = Verdict (*)(const std::vector<Outcome>& outcomes);
struct Part {
    std::string name;
    Job job;
    Judge judge;
    int processes = 1;
    bool shrink = true;  // a failure can be shrunk (timing cannot)
};

// What a check needs; a check whose need is not met is skipped.
enum Need : unsigned {
    kNothing = 0,
    kObject = 1,
    kAirfoil = 2,
    kAllocCounting = 4,
    kOptimised = 8,   // a build of vmhost whose own calls take their real time
    kProcesses = 16,  // a fresh process for each run (not --in-process)
};

struct Check {
    const char* id;
    int strictness;  // 1..10: runs at this strictness and above
    unsigned needs;
    bool scenario;  // false: it cannot be replayed with `vmhost run`
    const char* description;
    std::vector<Part> (*plan)(const Context& c);
};

std::span<const Check> all_checks();
const Check* find_check(std::string_view id);
// Why the check's needs are not met, or empty when they are.
std::string unmet(unsigned needs, const Context& c);
std::string needs_text(unsigned needs);
// The look at the plug-in the checks are built from.
Job survey_job(const Context& c);
Survey read_survey(const Outcome& o);

// Building blocks (mix.cpp).
class Prng {  // splitmix64: the same numbers on every platform
  public:
    explicit Prng(std::uint64_t seed) : s_(seed) {}
    std::uint64_t next();
    int below(int n);  // 0..n-1
    bool percent(int p) { return below(100) < p; }

  private:
    std::uint64_t s_;
};
std::uint64_t seed_for(std::uint64_t seed, std::string_view check);
// A seeded stream of creates, deletes, readings, keys, cockpit views,
// coefficient calls and steps (`steps` in all), with readings and inputs in
// ordinary ranges or, with `extreme`, also at limits and not finite.
std::string random_scenario(const Context& c, std::uint64_t seed, int steps, bool extreme,
                            const char* sound);
// A reading value: ordinary (finite, magnitude up to 1e6) or extreme.
std::string ordinary_value(Prng& rng);
std::span<const char* const> extreme_values();
std::span<const char* const> ordinary_values();
std::span<const char* const> quantities();

std::vector<std::string_view> lines_of(std::string_view text);

// The oracles (oracles.cpp). Each judges its own concern; survived() is the
// judgement of every run that must end well (not by a crash, a sanitizer
// report, a hang or a scenario that stopped), survives() that of one run.
Verdict survived(const Outcome& o);
Verdict survives(const std::vector<Outcome>& o);
Verdict exports_judge(const std::vector<Outcome>& o);            // version, load hook
Verdict contracts_judge(const std::vector<Outcome>& o);          // "!" lines
Verdict ordinary_readings_judge(const std::vector<Outcome>& o);  // nan handed on: fail
Verdict extreme_readings_judge(const std::vector<Outcome>& o);   // nan handed on: warn
Verdict airfoils_judge(const std::vector<Outcome>& o);           // coefficients
Verdict reload_judge(const std::vector<Outcome>& o);             // both runs' traces alike
Verdict determinism_judge(const std::vector<Outcome>& o);        // both processes alike
Verdict allocations_judge(const std::vector<Outcome>& o);
Verdict timing_judge(const std::vector<Outcome>& o);

// ---- Shrinking (shrink.cpp) -------------------------------------------------

struct Repro {
    std::string text;               // the smallest scenario found that fails the same way
    std::vector<Outcome> outcomes;  // of its last run
    int runs = 0;                   // candidates tried
    std::string note;               // how it went, for the file's header
};
Repro shrink(const Part& part, const std::string& text, const Verdict& failure,
             const Isolation& how);
// Runs a part with `text` as its scenario: its outcomes and their verdict.
Verdict run_part(const Part& part, const std::string& text, const Isolation& how,
                 std::vector<Outcome>* outcomes, double stall);

// ---- Report (report.cpp) ----------------------------------------------------

struct Result {
    const Check* check;
    Verdict verdict;
    double seconds = 0;
    bool ran = false;
    std::string replay;  // how to see a failure again
};

// The progress line on a terminal; nothing elsewhere.
class Progress {
  public:
    explicit Progress(int total);
    void show(int done, const char* id, const char* what);
    void note(const char* what);  // what the check being shown does now
    void clear();

  private:
    bool on_;
    int total_;
    int done_ = 0;
    const char* id_ = "";
    bool shown_ = false;
};

void print_list(std::FILE* out);
void print_table(std::FILE* out, std::span<const Result> results, double seconds);
// The results as JUnit XML, for CI systems.
std::string junit(const std::string& suite, std::span<const Result> results, double seconds);
std::string xml_escape(std::string_view s);

}  // namespace vmhost::validate
