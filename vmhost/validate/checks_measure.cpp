// The checks that measure calls in ordinary flight: what post-steps, key
// callbacks and coefficient calls allocate, and what a post-step takes. A
// measurement with nothing measured is a failure, never a pass. Each check
// is its scenario, its oracle and its row, together.
#include <cstdio>
#include <cstdlib>

#include "validate.h"

namespace vmhost::validate {
namespace {

constexpr double kPostStepBudgetUs = 50;

// Ordinary flight: two vessels, one on the ground.
std::string flight(const Context& c) {
    return load(c) +
           "create v1\ncreate v2\nset v1 airspeed 60\nset v1 altitude 500\nset v1 thrust 0.8\n"
           "set v1 pitch 0.05\nset v1 aoa 0.04\nset v2 ground 1\nset v2 thrust 0.3\nstep 5\n";
}

// ---- allocations ---------------------------------------------------------------

Verdict allocations_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const Outcome& r = o[0];
    const char* const kinds[] = {"post-steps", "key callbacks", "coefficient calls"};
    const char* const one[] = {"post-step", "key callback", "coefficient call"};
    if (r.calls[0] + r.calls[1] + r.calls[2] == 0)
        return failed(Failure::allocation,
                      "no post-step, key callback or coefficient call ran: nothing was counted", "",
                      "nothing");
    std::string found, signature = "allocations:";
    for (int k = 0; k < 3; ++k) {
        if (r.allocations[k] == 0) continue;
        found += (found.empty() ? "" : ", ") + std::to_string(r.allocations[k]) + " in " + kinds[k];
        signature += std::string(" ") + kinds[k];
    }
    if (found.empty()) return {};
    Verdict v = failed(Failure::allocation, "allocates on the heap: " + found, "", signature);
    // "KIND N" (the Nth call of its kind), then the stack of the allocation.
    const std::string_view first =
        std::string_view(r.first_allocation).substr(0, r.first_allocation.find('\n'));
    const auto blank = first.find(' ');
    if (blank != std::string_view::npos) {
        const int kind = std::atoi(std::string(first.substr(0, blank)).c_str());
        if (kind >= 0 && kind < 3)
            v.where = "(the first in " + std::string(one[kind]) + " " +
                      std::string(first.substr(blank + 1)) + " of the scenario)";
    }
    if (const std::string stack = stack_text(r.first_allocation, r.library); !stack.empty())
        v.detail = "the stack of the first allocation:\n" + stack;
    return v;
}

std::vector<Part> allocations_plan(const Context& c) {
    std::string s = flight(c) + "step 100\n";
    for (int code = 0; code < 256; ++code) {
        s += "key v1 " + std::to_string(code) + "\nkey v1 " + std::to_string(code) + " up\n";
        if (code % 16 == 15) s += "step 2\n";
    }
    for (int index : c.survey.airfoils)
        for (int k = -628; k <= 628; k += 4)
            s += "airfoil v1 " + std::to_string(index) + " " + std::to_string(k) + "e-2 " +
                 std::to_string(k & 3) + " 1e6\n";
    Part p =
        part("flight", c, "allocations", s + "step 100\ndelete v2\nstep 20\n", allocations_judge);
    p.job.trace = false;
    p.job.watch = Watch::allocations;
    return {p};
}

const Check kAllocations{
    .id = "allocations",
    .strictness = 7,
    .needs = kObject | kAllocCounting,
    .scenario = true,
    .description = "no heap allocation in post-steps, key callbacks and coefficient calls",
    .plan = allocations_plan};

// ---- post-step-time ------------------------------------------------------------

Verdict timing_judge(const std::vector<Outcome>& o) {
    // The best of the runs: a busy machine can only make a run slower.
    const Outcome* best = nullptr;
    for (const Outcome& run : o) {
        if (Verdict v = survived(run); v.result == Verdict::fail) return v;
        if (!best || run.p99_us < best->p99_us) best = &run;
    }
    if (best->samples == 0)
        return failed(Failure::time, "no post-step ran: nothing was timed", "", "nothing");
    char text[160];
    std::snprintf(text, sizeof text,
                  "post-step p50 %.2f us, p99 %.2f us (%lld post-steps, best of %zu runs)",
                  best->p50_us, best->p99_us, best->samples, o.size());
    if (best->p99_us > kPostStepBudgetUs)
        return failed(Failure::time, std::string(text) + ": p99 over the budget of 50 us", "",
                      "slow");
    return {Verdict::pass, Failure::none, text, "", "", "", ""};
}

std::vector<Part> post_step_time_plan(const Context& c) {
    Part p = part("flight", c, "post-step-time", flight(c) + "step 2000\n", timing_judge);
    p.job.trace = false;
    p.job.watch = Watch::timing;
    p.processes = 3;
    p.shrink = false;  // time is not repeatable enough to shrink by
    return {p};
}

const Check kPostStepTime{
    .id = "post-step-time",
    .strictness = 8,
    .needs = kObject | kOptimised,
    .scenario = true,
    .description = "post-step time p50 and p99 with tracing off; p99 within 50 us",
    .plan = post_step_time_plan};

const Check* const kMeasureChecks[] = {&kAllocations, &kPostStepTime};

}  // namespace

std::span<const Check* const> measure_checks() {
    return kMeasureChecks;
}

}  // namespace vmhost::validate
