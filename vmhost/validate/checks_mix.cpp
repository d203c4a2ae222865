// The checks that run a seeded mix of everything (mix.cpp): no broken host
// contract in ordinary use, the same traces and sound logs in two fresh
// processes, no crash or hang in a long run with extreme input. Each check
// is its scenario, its oracle and its row, together.
#include "validate.h"

namespace vmhost::validate {
namespace {

// ---- contracts -----------------------------------------------------------------

Verdict contracts_judge(const std::vector<Outcome>& o) {
    const std::string line = o[0].traces.empty() ? "" : first_violation(o[0].traces[0]);
    if (!line.empty())
        return failed(Failure::contract, "breaks the host contract: " + ticked(line), "",
                      "contract: " + violation_kind(line));
    // A run that did not finish watched the contract only up to there.
    return survived(o[0]);
}

std::vector<Part> contracts_plan(const Context& c) {
    return {part("random", c, "contracts",
                 random_scenario(c, seed_for(c.seed, "contracts"), 1000, false, nullptr),
                 contracts_judge)};
}

const Check kContracts{
    .id = "contracts",
    .strictness = 2,
    .needs = kNothing,
    .scenario = true,
    .description = "no broken host contract ('!' line) in a seeded mix of ordinary use",
    .plan = contracts_plan};

// ---- determinism ---------------------------------------------------------------

Verdict determinism_judge(const std::vector<Outcome>& o) {
    // Runs that did not finish are compared no further: alike or not, that
    // is the failure.
    for (const Outcome& run : o)
        if (Verdict v = survived(run); v.result == Verdict::fail) return v;
    const Outcome &a = o[0], &b = o[1];
    if (a.code != b.code)
        return failed(Failure::nondeterminism,
                      "two runs end differently: " + describe_end(a.how, a.code) + " and " +
                          describe_end(b.how, b.code),
                      "", "differs");
    for (std::size_t i = 0; i < a.traces.size() && i < b.traces.size(); ++i) {
        const std::string ta = without_foreign_calls(a.traces[i]);
        const std::string tb = without_foreign_calls(b.traces[i]);
        if (ta != tb)
            return failed(Failure::nondeterminism,
                          "the traces of two runs differ at " + first_difference(ta, tb), "",
                          "differs");
    }
    if (a.sound_log != b.sound_log || a.has_sound_log != b.has_sound_log)
        return failed(
            Failure::nondeterminism,
            "the sound logs of two runs differ at " + first_difference(a.sound_log, b.sound_log),
            "", "differs");
    return {};
}

std::vector<Part> determinism_plan(const Context& c) {
    std::vector<Part> parts;
    for (const char* sound : {"full", "none"}) {
        Part p = part(sound, c, "determinism",
                      random_scenario(c, seed_for(c.seed, "determinism"), 300, false, sound),
                      determinism_judge);
        p.processes = 2;
        parts.push_back(std::move(p));
    }
    return parts;
}

const Check kDeterminism{
    .id = "determinism",
    .strictness = 5,
    .needs = kProcesses,
    .scenario = true,
    .description = "a seeded mix gives byte-identical traces and sound logs in two fresh processes",
    .plan = determinism_plan};

// ---- random --------------------------------------------------------------------

std::vector<Part> random_plan(const Context& c) {
    return {part("random", c, "random",
                 random_scenario(c, seed_for(c.seed, "random"), 1000 * c.strictness, true, nullptr),
                 survives)};
}

const Check kRandom{
    .id = "random",
    .strictness = 5,
    .needs = kNothing,
    .scenario = true,
    .description =
        "a seeded mix of everything above, 1000 steps per strictness level: no crash, exit or hang",
    .plan = random_plan};

const Check* const kMixChecks[] = {&kContracts, &kDeterminism, &kRandom};

}  // namespace

std::span<const Check* const> mix_checks() {
    return kMixChecks;
}

}  // namespace vmhost::validate
