// The registry of checks: one row per check in kChecks (at the end), each
// with the scenarios it runs and the oracle that judges them. An oracle
// judges its check's one concern and nothing else (the contract check fails
// on "!" lines only, the random check on a crash or a hang only), so that a
// plug-in with one fault fails exactly one check.
#include <algorithm>

#include "validate.h"

namespace vmhost::validate {
namespace {

Part part(const char* name, const std::string& check, std::string text, Judge judge) {
    Part p;
    p.name = name;
    p.job.name = check + ".vms";
    p.job.text = std::move(text);
    p.judge = judge;
    return p;
}

std::string load(const Context& c) {
    return "load " + c.plugin + "\n";
}

std::vector<Part> exports(const Context& c) {
    Part p = part("load", "exports", load(c) + "version\nunload\n", exports_judge);
    p.shrink = false;  // already as small as it gets
    return {p};
}

std::vector<Part> lifecycle(const Context& c) {
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
    return {part("orders", "lifecycle", s, survives)};
}

std::vector<Part> exit_null(const Context& c) {
    return {part("null", "exit-null",
                 load(c) + "delete null\ncreate v1\ndelete null\nstep\ndelete null\ndelete v1\n"
                           "delete null\ncreate v2\nstep\ndelete null\n",
                 survives)};
}

std::vector<Part> contracts(const Context& c) {
    return {part("random", "contracts",
                 random_scenario(c, seed_for(c.seed, "contracts"), 1000, false, nullptr),
                 contracts_judge)};
}

std::vector<Part> readings(const Context& c) {
    // Each quantity in turn over its values, two steps each; the others keep
    // what they were last set to.
    const auto sweep = [&](std::span<const char* const> values) {
        std::string s = load(c) + "create v1\n";
        for (const char* q : quantities()) {
            const bool ground = std::string_view(q) == "ground";
            for (const char* v : values) {
                if (ground && std::string_view(v) != "0" && std::string_view(v) != "1") continue;
                s += "set v1 " + std::string(q) + " " + v + "\nstep 2\n";
            }
        }
        for (const char* v : values) s += std::string("set warp ") + v + "\nstep 2\n";
        for (const char* v : values) s += std::string("set heading ") + v + "\nstep 2\n";
        return s + "set heading none\nstep 2\n";
    };
    return {part("ordinary", "readings", sweep(ordinary_values()), ordinary_readings_judge),
            part("extreme", "readings", sweep(extreme_values()), extreme_readings_judge)};
}

std::vector<Part> keys(const Context& c) {
    std::string s = load(c) + "create v1\n";
    const char* const modifiers[] = {"", " shift", " ctrl", " alt"};
    for (int m = 0; m < 8; ++m) {
        std::string mods;
        for (int bit = 0; bit < 3; ++bit)
            if (m & (1 << bit)) mods += modifiers[bit + 1];
        for (int code = 0; code < 256; ++code) {
            s += "key v1 " + std::to_string(code) + mods + "\nkey v1 " + std::to_string(code) +
                 " up" + mods + "\n";
            if (code % 32 == 31) s += "step\n";
        }
    }
    return {part("every key", "keys", s, survives)};
}

std::vector<Part> cockpit_views(const Context& c) {
    std::string s = load(c) + "create v1\n";
    for (int id = -1; id <= 16; ++id) s += "vc v1 " + std::to_string(id) + "\nstep\n";
    return {part("views", "cockpit-views", s, survives)};
}

std::vector<Part> airfoils(const Context& c) {
    std::string s = load(c) + "create v1\n";
    for (int index : c.survey.airfoils) {
        const std::string call = "airfoil v1 " + std::to_string(index) + " ";
        // Four turns each way in steps of 0.01 rad, then a coarser grid of
        // angles over Mach 0 to 5 and Reynolds numbers, then input not finite.
        for (int k = -2514; k <= 2514; ++k) s += call + std::to_string(k) + "e-2\n";
        for (int k = -36; k <= 36; ++k)
            for (const char* mach : {"0", "0.3", "0.8", "1", "1.2", "2", "3.5", "5"})
                for (const char* re : {"0", "1", "1e5", "1e7", "1e9", "1e12"})
                    s += call + std::to_string(k * 2618) + "e-4 " + mach + " " + re + "\n";
        for (const char* odd : {"nan 0 0", "inf 0 0", "-inf 0 0", "0.1 nan 0", "0.1 inf 0",
                                "0.1 -1 0", "0.1 0.5 nan", "0.1 0.5 inf", "0.1 0.5 -1e6"})
            s += call + odd + "\n";
    }
    return {part("sweep", "airfoils", s + "step\n", airfoils_judge)};
}

std::vector<Part> many_vessels(const Context& c) {
    std::string s = load(c);
    for (int i = 1; i <= 100; ++i) s += "create v" + std::to_string(i) + "\n";
    s += "step 3\n";
    for (int i = 2; i <= 100; i += 2) s += "delete v" + std::to_string(i) + "\n";
    s += "step 2\n";
    for (int i = 1; i <= 50; ++i) s += "create w" + std::to_string(i) + "\n";
    s += "step 2\n";
    for (int i = 99; i >= 1; i -= 2) s += "delete v" + std::to_string(i) + "\n";
    return {part("100 vessels", "many-vessels", s + "step\n", survives)};
}

std::vector<Part> reload(const Context& c) {
    Part p = part("twice", "reload", load(c) + "create v1\nstep 3\nunload\n", reload_judge);
    p.job.runs = 2;
    p.shrink = false;
    return {p};
}

std::vector<Part> determinism(const Context& c) {
    std::vector<Part> parts;
    for (const char* sound : {"full", "none"}) {
        Part p = part(sound, "determinism",
                      random_scenario(c, seed_for(c.seed, "determinism"), 300, false, sound),
                      determinism_judge);
        p.processes = 2;
        parts.push_back(std::move(p));
    }
    return parts;
}

std::vector<Part> random(const Context& c) {
    return {part("random", "random",
                 random_scenario(c, seed_for(c.seed, "random"), 1000 * c.strictness, true, nullptr),
                 survives)};
}

std::vector<Part> cycles(const Context& c) {
    std::string s = load(c);
    for (int i = 1; i <= 10000; ++i) {
        s += "create v1\ndelete v1\n";
        if (i % 1000 == 0) s += "step\n";
    }
    Part p = part("10000 cycles", "create-delete-cycles", s, survives);
    p.job.trace = false;
    return {p};
}

// Ordinary flight for the measuring checks: two vessels, one on the ground.
std::string flight(const Context& c) {
    return load(c) +
           "create v1\ncreate v2\nset v1 airspeed 60\nset v1 altitude 500\nset v1 thrust 0.8\n"
           "set v1 pitch 0.05\nset v1 aoa 0.04\nset v2 ground 1\nset v2 thrust 0.3\nstep 5\n";
}

std::vector<Part> allocations(const Context& c) {
    std::string s = flight(c) + "step 100\n";
    for (int code = 0; code < 256; ++code) {
        s += "key v1 " + std::to_string(code) + "\nkey v1 " + std::to_string(code) + " up\n";
        if (code % 16 == 15) s += "step 2\n";
    }
    for (int index : c.survey.airfoils)
        for (int k = -628; k <= 628; k += 4)
            s += "airfoil v1 " + std::to_string(index) + " " + std::to_string(k) + "e-2 " +
                 std::to_string(k & 3) + " 1e6\n";
    Part p = part("flight", "allocations", s + "step 100\ndelete v2\nstep 20\n", allocations_judge);
    p.job.trace = false;
    p.job.watch = Watch::allocations;
    return {p};
}

std::vector<Part> post_step_time(const Context& c) {
    Part p = part("flight", "post-step-time", flight(c) + "step 2000\n", timing_judge);
    p.job.trace = false;
    p.job.watch = Watch::timing;
    p.processes = 3;
    p.shrink = false;  // time is not repeatable enough to shrink by
    return {p};
}

// The registry. A new check is one row here and its scenario function above
// (and, for a new concern, its oracle in oracles.cpp).
// clang-format off
const Check kChecks[] = {
    // id                     level needs                       scenario
    {"exports",               1, kNothing,                      true,
     "vmvcInit, vmvcExit exported; GetModuleVersion a plausible date; load hook's InitLib once",
     exports},
    {"lifecycle",             1, kNothing,                      true,
     "create, step and delete in every order vmhost allows; other flight models", lifecycle},
    {"exit-null",             1, kNothing,                      true,
     "vmvcExit(null) before, between and after vessels", exit_null},
    {"contracts",             2, kNothing,                      true,
     "no broken host contract ('!' line) in a seeded mix of ordinary use", contracts},
    {"readings",              3, kNothing,                      true,
     "every quantity, warp and heading swept over ordinary, extreme and non-finite values",
     readings},
    {"keys",                  3, kObject,                       true,
     "every key code 0..255, down and up, with every modifier combination", keys},
    {"cockpit-views",         3, kObject,                       true,
     "cockpit views -1 to 16", cockpit_views},
    {"airfoils",              3, kAirfoil,                      true,
     "coefficients finite over four turns, Mach 0 to 5, any Reynolds number; nan survived",
     airfoils},
    {"many-vessels",          4, kNothing,                      true,
     "100 vessels at once", many_vessels},
    {"reload",                4, kNothing,                      false,
     "load, unload and load again in one process: the same trace twice", reload},
    {"determinism",           5, kProcesses,                    true,
     "a seeded mix gives byte-identical traces and sound logs in two fresh processes",
     determinism},
    {"random",                5, kNothing,                      true,
     "a seeded mix of everything above, 1000 steps per strictness level: no crash or hang",
     random},
    {"create-delete-cycles",  6, kNothing,                      true,
     "10,000 create/delete cycles", cycles},
    {"allocations",           7, kObject | kAllocCounting,      true,
     "no heap allocation in post-steps, key callbacks and coefficient calls", allocations},
    {"post-step-time",        8, kObject | kOptimised,          true,
     "post-step time p50 and p99 with tracing off; p99 within 50 us", post_step_time},
};

const struct {
    Need need;
    const char* text;
} kNeeds[] = {
    {kObject,        "a vessel object"},
    {kAirfoil,       "an airfoil"},
    {kAllocCounting, "Linux allocation counting"},
    {kOptimised,     "an optimised vmhost"},
    {kProcesses,     "child processes"},
};
// clang-format on

}  // namespace

std::span<const Check> all_checks() {
    return kChecks;
}

const Check* find_check(std::string_view id) {
    for (const Check& c : kChecks)
        if (id == c.id) return &c;
    return nullptr;
}

std::string needs_text(unsigned needs) {
    std::string s;
    for (const auto& n : kNeeds)
        if (needs & n.need) s += (s.empty() ? "" : ", ") + std::string(n.text);
    return s.empty() ? "-" : s;
}

std::string unmet(unsigned needs, const Context& c) {
    if ((needs & (kObject | kAirfoil)) && !c.survey.ran)
        return "the survey of the plug-in did not run: " + c.survey.failure;
    if ((needs & kObject) && !c.survey.object)
        return "vmvcInit gives no vessel object for flight model 1";
    if ((needs & kAirfoil) && c.survey.airfoils.empty())
        return "the plug-in registers no airfoil with a coefficient function";
    if ((needs & kAllocCounting) && !alloc_count::available()) return alloc_count::why_not();
    if ((needs & kProcesses) && c.in_process)
        return "it compares runs in fresh processes, and --in-process has none";
#if !defined(__OPTIMIZE__) || defined(__SANITIZE_ADDRESS__)
    if (needs & kOptimised)
        return "this vmhost is an unoptimised or sanitizer build, whose calls take several "
               "times their real time";
#endif
    return "";
}

Job survey_job(const Context& c) {
    Job j;
    j.name = "survey.vms";
    j.text = load(c) + "create v1\nunload\n";
    return j;
}

Survey read_survey(const Outcome& o) {
    Survey s;
    if (const Verdict v = survived(o); v.result == Verdict::fail) {
        s.failure = v.reason;
        return s;
    }
    s.ran = true;
    int index = 0;
    for (std::string_view line : lines_of(o.traces.at(0))) {
        if (line == "< object") s.object = true;
        if (!line.starts_with("CreateAirfoil ")) continue;
        // "CreateAirfoil ALIGN (X,Y,Z) FUNCTION C S A"
        std::size_t at = 0;
        for (int blanks = 0; blanks < 3 && at != std::string_view::npos; ++blanks)
            at = line.find(' ', at + 1);
        if (at != std::string_view::npos && !line.substr(at + 1).starts_with("null"))
            s.airfoils.push_back(index);
        ++index;
    }
    return s;
}

}  // namespace vmhost::validate
