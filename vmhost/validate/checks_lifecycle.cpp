// The checks of a plug-in's lifecycle: its exports and load hook, vessels
// created, stepped and deleted in every order, vmvcExit(null), many vessels
// at once, loading it twice, and thousands of create/delete cycles. Each
// check is its scenario, its oracle and its row, together.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "validate.h"

namespace vmhost::validate {
namespace {

// ---- exports ------------------------------------------------------------------

bool plausible_date(long long d) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const long long year = 1900 + std::gmtime(&now)->tm_year;
    const long long month = d / 100 % 100, day = d % 100;
    return d >= 19900101 && d <= (year + 5) * 10000 + 1231 && month >= 1 && month <= 12 &&
           day >= 1 && day <= 31;
}

Verdict exports_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const std::vector<std::string_view> lines = lines_of(o[0].traces[0]);
    int init_libs = 0;
    bool in_load = false, load_hook = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with("> ")) in_load = lines[i] == "> load";
        if (lines[i] == "InitLib module") {
            ++init_libs;
            load_hook = load_hook || in_load;
        }
        if (lines[i] == "> GetModuleVersion") {
            // Its answer is the next "<" line, after the host calls it made.
            std::size_t a = i + 1;
            while (a < lines.size() && !lines[a].starts_with("< ")) ++a;
            const std::string answer(a < lines.size() ? lines[a].substr(2) : "nothing");
            if (!plausible_date(std::atoll(answer.c_str())))
                return failed(Failure::load,
                              "GetModuleVersion answers " + one_line(answer) +
                                  ", not a date YYYYMMDD from 19900101 to a few years from now",
                              "", "version");
        }
    }
    if (init_libs != 1 || !load_hook)
        return failed(Failure::load,
                      "the load hook called InitLib " + std::to_string(init_libs) + " times" +
                          (load_hook ? "" : ", never while the library was loading"),
                      "", "InitLib");
    return {};
}

std::vector<Part> exports_plan(const Context& c) {
    Part p = part("load", c, "exports", load(c) + "version\nunload\n", exports_judge);
    p.shrink = false;  // already as small as it gets
    return {p};
}

const Check kExports{
    .id = "exports",
    .strictness = 1,
    .needs = kNothing,
    .scenario = true,
    .description =
        "vmvcInit, vmvcExit exported; GetModuleVersion a plausible date; load hook's InitLib once",
    .plan = exports_plan};

// ---- lifecycle -----------------------------------------------------------------

std::vector<Part> lifecycle_plan(const Context& c) {
    // Every order of creating and deleting two vessels and one step in
    // between (a vessel is deleted after it was created: 30 orders), the
    // names used again each time; then other flight models, and two vessels
    // left alive for the unload at the end.
    std::string s = load(c);
    const char* const ops[] = {"create va", "create vb", "delete va", "delete vb", "step"};
    int order[] = {0, 1, 2, 3, 4};
    do {
        const auto pos = [&](int op) { return std::find(order, order + 5, op) - order; };
        if (pos(0) > pos(2) || pos(1) > pos(3)) continue;
        for (int op : order) s += std::string(ops[op]) + "\n";
    } while (std::next_permutation(order, order + 5));
    s += "create m0 0\ncreate m2 2\ncreate m7 7\nstep\ndelete m2\nstep\ndelete m0\ndelete m7\n";
    s += "create va\ncreate vb\nstep 2\n";
    return {part("orders", c, "lifecycle", s, survives)};
}

const Check kLifecycle{
    .id = "lifecycle",
    .strictness = 1,
    .needs = kNothing,
    .scenario = true,
    .description = "create, step and delete in every order vmhost allows; other flight models",
    .plan = lifecycle_plan};

// ---- exit-null -----------------------------------------------------------------

std::vector<Part> exit_null_plan(const Context& c) {
    return {part("null", c, "exit-null",
                 load(c) + "delete null\ncreate v1\ndelete null\nstep\ndelete null\ndelete v1\n"
                           "delete null\ncreate v2\nstep\ndelete null\n",
                 survives)};
}

const Check kExitNull{.id = "exit-null",
                      .strictness = 1,
                      .needs = kNothing,
                      .scenario = true,
                      .description = "vmvcExit(null) before, between and after vessels",
                      .plan = exit_null_plan};

// ---- many-vessels --------------------------------------------------------------

std::vector<Part> many_vessels_plan(const Context& c) {
    std::string s = load(c);
    for (int i = 1; i <= 100; ++i) s += "create v" + std::to_string(i) + "\n";
    s += "step 3\n";
    for (int i = 2; i <= 100; i += 2) s += "delete v" + std::to_string(i) + "\n";
    s += "step 2\n";
    for (int i = 1; i <= 50; ++i) s += "create w" + std::to_string(i) + "\n";
    s += "step 2\n";
    for (int i = 99; i >= 1; i -= 2) s += "delete v" + std::to_string(i) + "\n";
    return {part("100 vessels", c, "many-vessels", s + "step\n", survives)};
}

const Check kManyVessels{.id = "many-vessels",
                         .strictness = 4,
                         .needs = kNothing,
                         .scenario = true,
                         .description = "100 vessels at once",
                         .plan = many_vessels_plan};

// ---- reload --------------------------------------------------------------------

Verdict reload_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const std::vector<std::string>& t = o[0].traces;
    if (t.size() != 2) return {};
    const std::string a = without_foreign_calls(t[0]), b = without_foreign_calls(t[1]);
    if (a != b)
        return failed(Failure::nondeterminism,
                      "loaded again in the same process, it behaves differently, at " +
                          first_difference(a, b),
                      "", "reload");
    return {};
}

std::vector<Part> reload_plan(const Context& c) {
    Part p = part("twice", c, "reload", load(c) + "create v1\nstep 3\nunload\n", reload_judge);
    p.job.runs = 2;
    p.shrink = false;
    return {p};
}

const Check kReload{
    .id = "reload",
    .strictness = 4,
    .needs = kNothing,
    .scenario = false,
    .description = "load, unload and load again in one process: the same trace twice",
    .plan = reload_plan};

// ---- create-delete-cycles ------------------------------------------------------

// The heap the plug-in holds after each vessel's deletion: after a warm-up
// it may not grow.
Verdict cycles_judge(const std::vector<Outcome>& o) {
    const Outcome& r = o[0];
    const double grown = r.heap_at_end - r.heap_after_warmup;
    char text[200];
    std::snprintf(text, sizeof text,
                  "the heap it holds: %.0f bytes after a warm-up, %.0f after %lld more cycles",
                  r.heap_after_warmup, r.heap_at_end, r.heap_cycles);
    // Measured before the process ended: a sanitizer's leak report at exit
    // comes later, and says less.
    if (r.finished && r.heap_at_end < 0)
        return failed(Failure::leak,
                      "holds more heap allocations than can be followed (several hundred "
                      "thousand) after the cycles",
                      "", "leak");
    if (r.finished && r.heap_cycles > 0 && grown / static_cast<double>(r.heap_cycles) >= 1) {
        char per[64];
        std::snprintf(per, sizeof per, "leaks %.0f bytes per create/delete cycle (",
                      grown / static_cast<double>(r.heap_cycles));
        return failed(Failure::leak, per + std::string(text) + ")", "", "leak");
    }
    if (Verdict v = survived(r); v.result == Verdict::fail) return v;
    if (!alloc_count::available())
        return {Verdict::pass,
                Failure::none,
                std::string("the heap it holds is not measured here: ") + alloc_count::why_not(),
                "",
                "",
                "",
                ""};
    if (r.heap_cycles < 1)
        return failed(Failure::leak, "too few vessels were deleted to measure the heap it holds",
                      "", "no cycles");
    return {Verdict::pass, Failure::none, text, "", "", "", ""};
}

std::vector<Part> cycles_plan(const Context& c) {
    std::string s = load(c);
    for (int i = 1; i <= 10000; ++i) {
        s += "create v1\ndelete v1\n";
        if (i % 1000 == 0) s += "step\n";
    }
    Part p = part("10000 cycles", c, "create-delete-cycles", s, cycles_judge);
    p.job.trace = false;
    p.job.watch = Watch::heap;
    return {p};
}

const Check kCycles{
    .id = "create-delete-cycles",
    .strictness = 6,
    .needs = kNothing,
    .scenario = true,
    .description = "10,000 create/delete cycles; the heap the plug-in holds does not grow",
    .plan = cycles_plan};

const Check* const kLifecycleChecks[] = {&kExports,     &kLifecycle, &kExitNull,
                                         &kManyVessels, &kReload,    &kCycles};

}  // namespace

std::span<const Check* const> lifecycle_checks() {
    return kLifecycleChecks;
}

}  // namespace vmhost::validate
