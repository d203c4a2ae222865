// `vmhost validate PLUGIN...`: a named battery of checks any vessel plug-in
// can be run against. Each check is scenario text for the ordinary runner
// plus an oracle on what came of it; each scenario runs in a child process,
// so that a crash, an exit or a hang of the plug-in is that check's result
// and the battery goes on. A failure is shrunk to the few scenario lines that
// still fail. Its files:
//   validate.h           (this) the pieces and how they fit
//   validate.cpp         the command line, and running the battery
//   registry.cpp         the battery: every check in order, their needs, the
//                        survey of the plug-in the checks are built from
//   checks_lifecycle.cpp the checks, each with its scenario, its oracle and
//   checks_input.cpp     its row (id, level, needs, description), by concern:
//   checks_mix.cpp       lifecycle; the input the host passes; seeded mixes
//   checks_measure.cpp   of everything; what a call allocates or takes
//   judging.cpp          what every oracle shares: how a run ended, the
//                        readers of traces, a failure's context
//   mix.cpp              scenario building blocks: the PRNG, the seeded
//                        random scenario, the sweeps' values
//   child.cpp            running a scenario in a child process: the job's
//                        files, the child's side, measuring calls
//   crash.h              a child's last words (crash.txt), built without the heap
//   child_posix.cpp,     the platform's part: starting the child, ending it
//   child_win32.cpp      (and whatever it started), its crash report, the
//                        work folder (fork; vmhost.exe starting itself)
//   alloc_count.cpp      counting the heap a plug-in's calls use (Linux)
//   shrink.cpp           delta debugging of a failing scenario
//   output.cpp           the files of --out: repros, traces, only ours replaced
//   report.cpp           the terminal table, progress line, JUnit XML, JSON
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"

namespace vmhost::validate {

// `vmhost validate`: its options, its help and what runs it.
cli::Command command();

inline constexpr int kDefaultStrictness = 5;
inline constexpr std::uint64_t kDefaultSeed = 20240102;
inline constexpr double kDefaultTimeout = 60;  // s, per child run
// The most a child's trace (of each run) or standard error may grow to: a
// plug-in that writes more floods it, and is stopped there.
inline constexpr std::uintmax_t kMaxCapture = std::uintmax_t{64} << 20;

// ---- Running a scenario in a child process (child*.cpp) ---------------------
//
// run_job is the one way a scenario runs apart from vmhost: the checks, the
// survey and shrinking use it, and so can any other tool that runs scenarios
// in child processes. A Job is what to run; an Outcome all that came of it.

// What a run measures besides its trace.
enum class Watch {
    none,
    allocations,  // heap allocations in post-steps, key callbacks, coefficient calls
    timing,       // post-step time
    heap,         // heap still held by what the plug-in allocated, after each vessel's deletion
};

struct Job {
    std::string name;  // of the scenario, in vmhost's messages: CHECK.vms
    std::string text;
    // The library `load` loads, whatever the text names: the plug-in's
    // absolute path (which may hold blanks, where no scenario token can).
    // Empty: the library the text names.
    std::string plugin;
    int runs = 1;  // the scenario this many times, one after another in one process
    bool trace = true;
    Watch watch = Watch::none;
    // Flown as `vmhost fly` flies a default flight: a flight log is kept
    // (Outcome::flight) and every vessel must leave the ground.
    bool fly = false;
};

struct Outcome {
    enum How {
        exited,       // with `code` as its status
        signalled,    // `code`: the signal number, or the exception code on Windows
        timed_out,    // killed: no end in time, or a trace that stopped growing
        flooded,      // killed: its trace or standard error grew beyond kMaxCapture
        not_started,  // `code`: the system's error number
        interrupted,  // killed: vmhost itself was asked to stop (SIGINT, SIGTERM)
    } how = not_started;
    int code = 0;
    // vmhost's own code in the child said that it reached the end of the
    // scenario, past the last line and the unload. Whatever the status, a
    // run without this did not finish.
    bool finished = false;
    int end_status = -1;              // the status that code gave the run there, when it finished
    std::vector<std::string> traces;  // one per run, at most kMaxCapture each
    std::string err;                  // what the child wrote to standard error
    std::string sound_log;            // VelmoraSound_Log.txt, when there is one
    bool has_sound_log = false;
    std::string flight;  // of a job flown: its flight log (FlightLog::saved), when it finished
    // What the child's last words said: an exception that escaped, and the
    // stack of a crash, one "frame MODULE OFFSET [SYMBOL]" line a frame.
    std::string crash;
    std::string library;  // the job's plug-in library, whose frames a stack marks
    double seconds = 0;
    double stalled = 0;  // when killed for making no call across the boundary: for how long
    // Watch::allocations: by kind (post-steps, key callbacks, coefficient
    // calls), the allocations and the calls watched; where the first was.
    long long allocations[3] = {};
    long long calls[3] = {};
    std::string first_allocation;  // "KIND N" then its stack, as in `crash`
    // Watch::timing.
    long long samples = 0;  // post-steps timed
    double p50_us = 0, p99_us = 0;
    // Watch::heap: bytes the plug-in held after the warm-up's last deletion
    // and after the last, and the cycles between them.
    long long heap_cycles = 0;
    double heap_after_warmup = 0, heap_at_end = 0;
};

struct Isolation {
    bool in_process = false;  // --in-process: no child, no timeout
    double timeout = kDefaultTimeout;
    std::filesystem::path work;  // an absolute folder of our own; each run gets one below it
    // A traced run whose trace has not grown for this long hangs too: the
    // host traces every call into the plug-in, and no one call should take
    // that long.
    double stall() const { return timeout / 6; }
};

// Runs the job in a fresh folder below `how.work`, in a child process unless
// in-process, killing it (and any process it started) after `how.timeout`
// seconds, as soon as its trace has not grown for `stall` seconds or its
// trace or standard error grows beyond kMaxCapture, or when vmhost is
// interrupted (interrupt.h).
Outcome run_job(const Job& job, const Isolation& how, double stall);

// The child's side: runs the job written in `dir` there and leaves its
// results beside it. `isolated`: this process is the child (its standard
// error goes to the job's folder too). Returns the exit status.
int child_main(const std::filesystem::path& dir, bool isolated);

// Platform part (child_posix.cpp, child_win32.cpp): runs child_main(dir) in
// a new process, started in `dir`, in a process group (a job object) of its
// own, and ends that group when `time_up()` says so (asked every few
// milliseconds) or vmhost is interrupted.
struct Ended {
    Outcome::How how;
    int code;
};
Ended run_isolated(const std::filesystem::path& dir, const std::function<bool()>& time_up);
// Makes this child process's standard output and error go to `err`, and an
// exception that escapes or a crash leave their report in `dir`/crash.txt
// before the process ends as it would have.
void become_child(std::FILE* err, const std::filesystem::path& dir);
// The function (and, where the module has line tables, the source line)
// at an offset into a module on disk: "NAME+0xOFFSET (FILE:LINE)", or
// empty where nothing is known. Linux reads the module's symbol table with
// elfutils' libdw; Windows knows nothing beyond a crash's module and offset.
std::string symbol_of(const std::string& module, std::uintptr_t offset);
// "signal 11 (SIGSEGV)", "exception 0xc0000005", "exit status 1"...
std::string describe_end(Outcome::How how, int code);
// A new folder of our own below the system's folder for temporary files,
// absolute; empty, with the reason in `why`, when there is none.
std::filesystem::path make_work_folder(std::string* why);
// The time this thread has run, in microseconds: its CPU time, so that other
// processes on a busy machine do not count (wall time on Windows, whose
// thread times are too coarse).
double thread_time_us();

// Counting what the heap does for a plug-in (alloc_count.cpp). available()
// is false where the host cannot see a plug-in's allocations; why_not() says
// why.
namespace alloc_count {
bool available();
const char* why_not();
// Counting allocations: only while on, in the thread that switched it on.
void counting(bool on);
long long count();
// The stack of the first allocation counted since the last call (empty for none).
std::string first_stack();
// Bytes held: allocated from now on by any code but vmhost's and the host
// library's own, in every thread, and not freed since; -1 when more were
// held than can be followed (several hundred thousand allocations).
void holding(bool on);
long long held();
}  // namespace alloc_count

// ---- The checks (registry.cpp, checks_*.cpp, judging.cpp, mix.cpp) ----------

// The kind of a failure, as CI reports name it (failure@type of the XML).
enum class Failure {
    none,
    crash,
    hang,
    exit,
    flood,
    contract,
    nan,
    leak,
    allocation,
    time,
    nondeterminism,
    load
};
const char* failure_name(Failure f);

struct Verdict {
    enum Result { pass, skip, fail } result = pass;
    Failure kind = Failure::none;  // of a failure, or of the warning
    std::string reason;            // why it failed or was skipped; measurements of a pass
    std::string where;             // where it failed: a trace line, a scenario line
    std::string warning;           // a WARN line that accompanies a pass
    std::string signature;  // what a smaller scenario must show to fail (or warn) the same way
    std::string detail;     // the context to act on it: stack, exception, standard error
};

// What one look at the plug-in found: whether it loads, its vessel and airfoils.
struct Survey {
    bool loads = true;
    std::string load_error;  // the loader's own reason, when it does not load
    bool ran = false;
    Verdict failure;            // when it did not run to its end
    bool object = false;        // vmvcInit of flight model 1 gives a vessel object
    std::vector<int> airfoils;  // indices of the airfoils with a coefficient function
};

struct Context {
    std::string plugin;  // as a scenario's `load` names it: an aircraft's name or a path
    std::string path;    // the library's path
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

// A plug-in as the battery sees it (validate.cpp): `given` on the command
// line, an aircraft's name or a library's path; how a scenario's `load`
// names it (an aircraft by name; a library by its absolute path, or by its
// file name, blanks made underscores, where the path cannot be one token),
// the library's path, and a name for reports (`name`). False, with the
// reason (and the nearest aircraft) in `why`, when it is neither.
bool plugin_context(const std::string& given, Context& c, std::string* name, cli::Problem* why);

// The battery in its order (by level); each file of checks hands out its own.
std::span<const Check* const> all_checks();
std::span<const Check* const> lifecycle_checks();
std::span<const Check* const> input_checks();
std::span<const Check* const> mix_checks();
std::span<const Check* const> measure_checks();
const Check* find_check(std::string_view id);
// Why the check's needs are not met, or empty when they are.
std::string unmet(unsigned needs, const Context& c);
std::string needs_text(unsigned needs);
// The look at the plug-in the checks are built from.
Job survey_job(const Context& c);
Survey read_survey(const Outcome& o);

// Part of a check: a scenario for `check`, judged by `judge`. Its job loads
// the library the context names.
Part part(const char* name, const Context& c, const std::string& check, std::string text,
          Judge judge);
std::string load(const Context& c);  // its `load` line

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

// What the oracles share (judging.cpp). survived() is the judgement of every
// run that must end well: finished, and not by a crash, an exception, a
// sanitizer report, an exit, a hang, a flood or a scenario that stopped;
// survives() that of one run. Each check's own oracle sits beside its
// scenario and judges its concern only.
Verdict survived(const Outcome& o);
Verdict survives(const std::vector<Outcome>& o);
Verdict failed(Failure kind, std::string reason, std::string where, std::string signature);
// Adds the tail of the run's standard error to a failure's detail.
void add_err_tail(Verdict& v, const Outcome& o);
Verdict skipped(std::string reason);
// A trace line in a reason: control bytes escaped, cut short, in backticks.
std::string ticked(std::string_view line);
// The trace without the lines of host calls from foreign threads, whose
// place depends on how the threads ran.
std::string without_foreign_calls(const std::string& trace);
std::string first_difference(const std::string& a, const std::string& b);
std::string first_violation(const std::string& trace);
// The words of a "!" line that stay when a scenario shrinks.
std::string violation_kind(std::string_view line);
// crash.txt-style frame lines as a readable stack, the plug-in's frames
// marked; `plugin` is the library's path or an aircraft's name.
std::string stack_text(std::string_view frames, const std::string& plugin);

// ---- Shrinking (shrink.cpp) -------------------------------------------------

struct Repro {
    std::string text;               // the smallest scenario found that fails the same way
    std::vector<Outcome> outcomes;  // of its last run
    int runs = 0;                   // candidates tried
    std::string note;               // how it went, for the file's header
};
// Shrinks within a time budget of the check's timeout.
Repro shrink(const Part& part, const std::string& text, const Verdict& failure,
             const Isolation& how);
// Runs a part with `text` as its scenario: its outcomes and their verdict.
Verdict run_part(const Part& part, const std::string& text, const Isolation& how,
                 std::vector<Outcome>* outcomes, double stall);
// Whether `v` fails (or warns) as `failure` did.
bool same_failure(const Verdict& v, const Verdict& failure);

// ---- Report (report.cpp, output.cpp) ----------------------------------------

struct Result {
    const Check* check;
    Verdict verdict;
    double seconds = 0;
    bool ran = false;
    std::string replay;  // how to see a failure again: a command line
    std::string repro;   // the files --out got for it
    std::string trace;
};

// The battery's results for one plug-in.
struct Battery {
    std::string name;    // the plug-in's name: an aircraft's, or its file's stem
    std::string plugin;  // as given
    std::vector<Result> results;
    double seconds = 0;
};

// Text from a plug-in (or about one) on one line: control bytes escaped.
std::string one_line(std::string_view s);
// An argument for the shell, quoted where it must be.
std::string shell_word(const std::string& s);

// The files of --out. Only files that vmhost validate wrote are removed or
// replaced: each begins with a header of ours; another file of the same
// name is left alone, and ours takes a free name beside it.
class OutFolder {
  public:
    // Makes the folder; false, with the reason in `why`, when it cannot.
    bool open(const std::filesystem::path& dir, std::string* why);
    bool on() const { return !dir_.empty(); }
    const std::filesystem::path& dir() const { return dir_; }
    // Removes `stem`+`ext` (and its numbered siblings) where ours.
    void remove(const std::string& stem, const char* ext);
    // Writes `text` (beginning with our header) as `stem`+`ext` or, where
    // another file holds that name, beside it; returns the path written, or
    // empty with the first error kept in error() ("cannot write WHAT ...").
    std::string write(const std::string& stem, const char* ext, const std::string& text,
                      const char* what);
    const std::string& error() const { return error_; }

  private:
    std::filesystem::path dir_;
    std::string error_;
};
// Our header's first words, which mark a file as ours (also one of
// `vmhost compare`, which keeps its traces with an OutFolder too).
inline constexpr char kOurHeader[] = "# vmhost validate";
inline constexpr char kCompareHeader[] = "# vmhost compare";
inline constexpr char kOurXml[] = "<!-- vmhost validate -->";
inline constexpr char kOurJson[] = "{\"tool\": \"vmhost validate\"";

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
void print_table(std::FILE* out, const Battery& b);
// The results as JUnit XML (one testsuite per plug-in) and as JSON.
std::string junit(std::span<const Battery> batteries, double seconds);
std::string json(std::span<const Battery> batteries, double seconds, std::uint64_t seed,
                 int strictness);
std::string xml_escape(std::string_view s);
// Text in a JSON string: control bytes and bytes above ASCII escaped.
std::string json_escape(std::string_view s);

}  // namespace vmhost::validate
