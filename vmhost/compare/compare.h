// `vmhost compare OLD NEW`: what a change to a plug-in did to its behaviour.
// Every scenario runs once with each build, each run in a child process of
// its own (validate's runner); the two traces are aligned as a diff tool
// aligns lines, numbers compared by value and handles as handles, and what
// differs is grouped by call and kind. Its files:
//   compare.h        (this) the pieces and how they fit
//   trace_lines.cpp  a trace read for comparing: each line's shape (its
//                    numbers and handles masked), its handles, numbers and
//                    call; the blocks a trace falls into
//   align.cpp        aligning two sequences of keys (Myers' diff)
//   differences.cpp  two traces compared: blocks aligned, then the lines
//                    within each pair of blocks; handles mapped, numbers
//                    within tolerance; the groups and the first divergence
//   compare.cpp      the command line, the builds and scenarios, running them
//   output.cpp       what it prints, its JSON, the traces of --out
//   page.cpp         the HTML page of --report
// The engine (trace_lines, align, differences) is the library vm_compare;
// the rest is part of vmhost, beside validate, whose runner it uses.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "flightlog.h"

namespace vmhost::compare {

// `vmhost compare`: its options, its help and what runs it.
cli::Command command();

// Two numbers differ when they are further apart than both `abs` and `rel`
// times the larger magnitude; by default only when they are not equal (nan
// equals nan, -0 equals 0).
struct Tolerance {
    double rel = 0, abs = 0;
    bool same(double a, double b) const;
};

// ---- A trace read for comparing (trace_lines.cpp) ---------------------------
//
// Every line but a remark ('#', which readers skip) and a host call from a
// thread of the plug-in's own (whose place depends on how the threads ran) is
// kept with its shape:
// a hash of the line with every number masked (but a call's id, such as
// SetAnimation's animation), and every handle or record name masked by its
// kind (mesh3 is "a mesh"). Lines of the same shape are the same call, which
// may differ in its numbers and handles. The trace falls into blocks, each a
// call into the plug-in ('>') and what follows up to the next one: a step's
// post-step, a coefficient call, a key.

// The kinds of names the host gives its objects and the plug-in's records.
enum class HandleKind : std::uint8_t { mesh, ph, th, thg, ac, tf, bl, ex, mfd, cf };
inline constexpr int kHandleKinds = 10;
inline constexpr std::uint32_t kMaxHandle = 1u << 20;  // larger numbers are plain words

class Trace {
  public:
    // `text` must outlive the Trace.
    explicit Trace(std::string_view text);

    struct Line {
        std::uint32_t begin, size;  // in the text, without the line end
        std::uint32_t number;       // in the file, from 1
        std::uint32_t handles;      // its first handle in handles_
        std::uint64_t shape;
    };
    struct Handle {
        HandleKind kind;
        std::uint32_t number;
    };

    std::size_t size() const { return lines_.size(); }
    std::string_view text(std::size_t i) const {
        return text_.substr(lines_[i].begin, lines_[i].size);
    }
    const Line& line(std::size_t i) const { return lines_[i]; }
    std::span<const Handle> handles(std::size_t i) const;
    // The numbers of line i, as values, into `out`.
    void numbers(std::size_t i, std::vector<double>& out) const;
    // What line i is a call of, as groups name it: "SetAnimation 10",
    // "SetThrusterMax0", "> clbkConsumeBufferedKey 34", "< cf1",
    // "~ PlayVesselWaveVMSound3 0 2", "* light v1 0", "!".
    std::string call(std::size_t i) const;
    // The file's line count (remarks too).
    std::uint32_t file_lines() const { return file_lines_; }

    // Blocks: their first lines (the last ends the trace), their keys (the
    // shape of their first line, with a post-step's time), and the time of
    // the post-step at or before each (nan before the first).
    std::size_t blocks() const { return block_start_.size(); }
    std::size_t block_begin(std::size_t b) const { return block_start_[b]; }
    std::size_t block_end(std::size_t b) const {
        return b + 1 < block_start_.size() ? block_start_[b + 1] : lines_.size();
    }
    std::span<const std::uint64_t> block_keys() const { return block_key_; }
    double block_time(std::size_t b) const { return block_time_[b]; }

  private:
    std::string_view text_;
    std::vector<Line> lines_;
    std::vector<Handle> handles_;
    std::vector<std::uint32_t> block_start_;
    std::vector<std::uint64_t> block_key_;
    std::vector<double> block_time_;
    std::uint32_t file_lines_ = 0;
};

// ---- Alignment (align.cpp) --------------------------------------------------

// The longest common subsequence of `a` and `b`, as for each element of `a`
// the index of its partner in `b`, or -1: Myers' O((N+M)D) diff in linear
// space, the common prefix and suffix first. Where an edit would cost more
// than `effort` steps, a near-optimal split is taken instead, so that two
// long sequences with little in common still align in about linear time.
std::vector<std::int32_t> align(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b,
                                int effort = 256);

// ---- Two traces compared (differences.cpp) ----------------------------------

enum class Change { changed, added, removed, reordered };
const char* change_name(Change c);  // "changed", "added", ...

// A line of one trace and its partner in the other, by line number (0: none).
struct Sample {
    std::uint32_t old_line = 0, new_line = 0;
    std::string old_text, new_text;
};

// Every line that differs in one way for one call.
struct Group {
    std::string call;
    Change kind = Change::changed;
    long long count = 0;
    // Of the numbers compared (changed and reordered lines): the largest
    // differences; inf where one is nan or infinite and the other is not.
    bool measured = false;
    double max_abs = 0, max_rel = 0;
    // Where it is first seen, in each trace: its line, or for a line the
    // other trace lacks, the line it would stand before there; the time of
    // the post-step at or before it (nan before the first).
    std::uint32_t first_old = 0, first_new = 0;
    double time_old = NAN, time_new = NAN;
    std::vector<Sample> samples;  // the first few
};

struct Comparison {
    std::vector<Group> groups;  // in the order they first occur
    // The first divergence with three lines of context on each side, aligned:
    // a head ("OLD NEW"), then one line each, " OLD NEW  TEXT", "-OLD      TEXT"
    // or "+     NEW TEXT".
    std::vector<std::string> divergence;
    double divergence_time = NAN;  // of the post-step it is in (OLD's)
    std::uint32_t old_lines = 0, new_lines = 0;
    bool identical() const { return groups.empty(); }
};

// Compares two traces. `samples`: how many lines each group keeps.
Comparison compare_traces(std::string_view old_text, std::string_view new_text,
                          const Tolerance& tolerance, int samples = 5);

// ---- The command (compare.cpp, output.cpp, page.cpp) ------------------------

// What came of one scenario, run with both builds (or of two traces given).
struct Result {
    std::string name;  // the scenario's: NAME.vms, fly-NAME.vms, mix.vms, a file's name
    bool flown = false;
    int old_status = -1, new_status = -1;  // vmhost's exit status of each run (-1: no run)
    // A build that crashed, hung, flooded its trace or ended before the end
    // of the scenario ("NEW crashes: signal 11 (SIGSEGV) in `> clbkPostStep
    // ...`"), with its context; such traces are not compared.
    std::string failure, detail;
    std::string contract;  // a broken host contract: "NEW breaks the host contract: `! ...`"
    // What differs: the trace's groups, then the sound log's (their calls
    // "sound log: ...") and the exit status's ("exit status").
    std::vector<Group> groups;
    std::vector<std::string> divergence;  // of the traces (Comparison)
    double divergence_time = NAN;
    std::uint32_t old_lines = 0, new_lines = 0;
    FlightLog old_flight, new_flight;  // of a flight, with its summaries
    bool identical() const { return groups.empty() && failure.empty(); }
};

// The whole comparison.
struct Run {
    std::string old_given, new_given;
    Tolerance tolerance;
    bool mix = false;  // a seeded mix ran
    std::uint64_t seed = 0;
    int steps = 0;
    std::vector<Result> results;
    double seconds = 0;
    // 3 when a build crashed, hung or broke the host contract, else 1 when
    // anything differs, else 0.
    int status() const;
};

// What it prints (output.cpp): a scenario's result, then the last line;
// "numbers compared exactly", or the tolerances.
std::string tolerance_text(const Tolerance& t);
// What it prints (output.cpp): a scenario's result, then the last line.
void print_result(std::FILE* out, const Result& r);
void print_total(std::FILE* out, const Run& run);
// The results as JSON.
std::string json(const Run& run);
// The flight summaries compared: what each vessel's summary reads in OLD
// and in NEW (nan where a build has no such vessel).
struct SummaryRow {
    std::string vessel, quantity, unit;
    int decimals;
    double old_value, new_value;
};
std::vector<SummaryRow> summaries(const Result& r);

// The page of --report (page.cpp): the results, each group expandable to
// its lines, and each flight's two logs overlaid on the flight report's
// panel and charts.
std::string page(const Run& run);

}  // namespace vmhost::compare
