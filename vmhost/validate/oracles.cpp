// The oracles: what each check judges of the runs of its scenarios, and the
// readers of traces they share. Each judges one concern only (the contract
// oracle "!" lines, the readings oracle non-finite numbers handed to the
// host, ...), and all but the measuring ones also fail a run that did not
// end well: a crash, a sanitizer report, a hang, a scenario that stopped.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "scenario.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

constexpr double kPostStepBudgetUs = 50;

Verdict failed(std::string reason, std::string where, std::string signature) {
    return {Verdict::fail, std::move(reason), std::move(where), "", std::move(signature)};
}

Verdict skipped(std::string reason) {
    return {Verdict::skip, std::move(reason), "", "", ""};
}

// A trace line in a reason, cut short. (Built up in steps: GCC 12 warns
// falsely about "`" + std::string.)
std::string ticked(std::string_view line) {
    std::string t(1, '`');
    t.append(line.substr(0, 200));
    return t += '`';
}

// The words of a "!" line without the names of handles and vessels, which
// change as a scenario shrinks.
std::string violation_kind(std::string_view line) {
    std::string kind;
    for (std::size_t i = 2; i < line.size();) {
        const std::size_t end = std::min(line.find(' ', i), line.size());
        const std::string_view word = line.substr(i, end - i);
        if (word.find_first_of("0123456789{") == std::string_view::npos)
            kind += std::string(word) + " ";
        i = end + 1;
    }
    return kind;
}

bool is_nonfinite_word(std::string_view w) {
    if (!w.empty() && (w[0] == '-' || w[0] == '+')) w.remove_prefix(1);
    return w == "nan" || w == "inf";
}

constexpr std::string_view kDelimiters = " (),[]{}=\"";

// The words of a line, split at blanks and the punctuation of vectors,
// lists and records; texts in quotes are left out.
template <class F>
void for_each_word(std::string_view line, F f) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '"') {
            const auto end = line.find('"', i + 1);
            i = end == std::string_view::npos ? line.size() : end + 1;
        } else if (kDelimiters.find(c) != std::string_view::npos) {
            ++i;
        } else {
            const std::size_t start = i;
            while (i < line.size() && kDelimiters.find(line[i]) == std::string_view::npos) ++i;
            f(line.substr(start, i - start));
        }
    }
}

// What the plug-in passed in a host call line: everything before " = ",
// outside texts (the result and out-values come from the host).
std::string_view arguments(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i + 2 < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (!quoted && line.compare(i, 3, " = ") == 0) return line.substr(0, i);
    }
    return line;
}

bool finite_number(std::string_view w) {
    const std::string s(w);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return !s.empty() && end == s.c_str() + s.size() && std::isfinite(v);
}

std::string last_call(const std::string& trace) {
    std::string_view last;
    for (std::string_view line : lines_of(trace))
        if (line.starts_with("> ")) last = line;
    return std::string(last);
}

std::string first_nonfinite(const std::string& trace) {
    for (std::string_view line : lines_of(trace)) {
        // Host call lines start with the operation's name; the others are
        // the host's own (> < # ! *) or the sound add-on's (~).
        if (line.empty() || !std::isalpha(static_cast<unsigned char>(line[0]))) continue;
        bool found = false;
        for_each_word(arguments(line), [&](std::string_view w) { found |= is_nonfinite_word(w); });
        if (found) return std::string(line);
    }
    return "";
}

std::string first_bad_coefficient(const std::string& trace) {
    std::string_view call;
    for (std::string_view line : lines_of(trace)) {
        if (line.starts_with("> ")) {
            call = line.starts_with("> cf") ? line : std::string_view();
        } else if (line.starts_with("< ") && !call.empty()) {
            // "> cfN ANGLE MACH RE": judged where the angle is finite, Mach
            // 0 to 5 and the Reynolds number finite and not negative.
            std::vector<std::string_view> in;
            for_each_word(call.substr(2), [&](std::string_view w) { in.push_back(w); });
            bool judged = in.size() == 4 && finite_number(in[1]) && finite_number(in[2]) &&
                          finite_number(in[3]);
            if (judged) {
                const double mach = std::strtod(std::string(in[2]).c_str(), nullptr);
                const double re = std::strtod(std::string(in[3]).c_str(), nullptr);
                judged = mach >= 0 && mach <= 5 && re >= 0;
            }
            bool bad = false;
            for_each_word(line.substr(2), [&](std::string_view w) { bad |= !finite_number(w); });
            if (judged && bad) return std::string(call) + " -> " + std::string(line);
            call = {};
        }
    }
    return "";
}

std::string first_violation(const std::string& trace) {
    for (std::string_view line : lines_of(trace))
        if (line.starts_with("! ")) return std::string(line);
    return "";
}

bool plausible_date(long long d) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const long long year = 1900 + std::gmtime(&now)->tm_year;
    const long long month = d / 100 % 100, day = d % 100;
    return d >= 19900101 && d <= (year + 5) * 10000 + 1231 && month >= 1 && month <= 12 &&
           day >= 1 && day <= 31;
}

std::string first_difference(const std::string& a, const std::string& b) {
    const auto la = lines_of(a), lb = lines_of(b);
    std::size_t i = 0;
    while (i < la.size() && i < lb.size() && la[i] == lb[i]) ++i;
    const auto at = [](const std::vector<std::string_view>& l, std::size_t n) {
        return n < l.size() ? ticked(l[n]) : std::string("the end");
    };
    return "line " + std::to_string(i + 1) + ": " + at(la, i) + " against " + at(lb, i);
}

}  // namespace

Verdict survived(const Outcome& o) {
    Verdict v;
    const bool ended_well =
        o.how == Outcome::exited && (o.code == kOk || o.code == kContractBroken);
    if (ended_well) return v;
    v.result = Verdict::fail;
    const std::string call = o.traces.empty() ? "" : last_call(o.traces.back());
    if (o.how == Outcome::exited && o.code == kBadInput) {
        // The scenario stopped: its error line says why.
        const auto at = o.err.find("error: ");
        const std::string error =
            at == std::string::npos ? o.err : o.err.substr(at + 7, o.err.find('\n', at) - at - 7);
        v.reason = "the scenario stopped: " + error;
        v.signature = "error: " + error;
        return v;
    }
    char hang[128];
    if (o.stalled > 0)
        std::snprintf(hang, sizeof hang, "hangs: no call across the plug-in boundary for %.1f s",
                      o.stalled);
    else
        std::snprintf(hang, sizeof hang, "hangs: no end within %.1f s", o.seconds);
    v.reason = o.how == Outcome::timed_out ? hang : "crashes: " + describe_end(o.how, o.code);
    // A sanitizer names what it found on a line of its own.
    for (std::string_view line : lines_of(o.err)) {
        if (line.find("ERROR: ") != std::string_view::npos ||
            line.find("runtime error: ") != std::string_view::npos) {
            v.reason += ", " + std::string(line.substr(0, 160));
            break;
        }
    }
    v.where = call.empty() ? "" : "in `" + call + "`";
    v.signature = o.how == Outcome::timed_out ? "timeout" : describe_end(o.how, o.code);
    return v;
}

Verdict survives(const std::vector<Outcome>& o) {
    return survived(o[0]);
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
                return failed("GetModuleVersion answers " + answer +
                                  ", not a date YYYYMMDD from 19900101 to a few years from now",
                              "", "version");
        }
    }
    if (init_libs != 1 || !load_hook)
        return failed("the load hook called InitLib " + std::to_string(init_libs) + " times" +
                          (load_hook ? "" : ", never while the library was loading"),
                      "", "InitLib");
    return {};
}

Verdict contracts_judge(const std::vector<Outcome>& o) {
    const std::string line = o[0].traces.empty() ? "" : first_violation(o[0].traces[0]);
    if (!line.empty())
        return failed("breaks the host contract: " + ticked(line), "",
                      "contract: " + violation_kind(line));
    if (survived(o[0]).result == Verdict::fail)
        return skipped("the run ended early (" + survived(o[0]).reason +
                       "), so the contract was watched only up to there");
    return {};
}

Verdict ordinary_readings_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const std::string line = first_nonfinite(o[0].traces[0]);
    if (line.empty()) return {};
    return failed("hands the host a nan or infinity after ordinary readings: " + ticked(line), "",
                  "nonfinite: " + line.substr(0, line.find(' ')));
}

Verdict extreme_readings_judge(const std::vector<Outcome>& o) {
    Verdict v = survived(o[0]);
    if (v.result == Verdict::fail) return v;
    const std::string line = first_nonfinite(o[0].traces[0]);
    if (!line.empty())
        v.warning = "after extreme or non-finite readings it hands them on: " + ticked(line);
    return v;
}

Verdict airfoils_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const std::string bad = first_bad_coefficient(o[0].traces[0]);
    if (bad.empty()) return {};
    return failed("a coefficient is not finite for finite input: " + ticked(bad), "",
                  "coefficient");
}

Verdict reload_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const std::vector<std::string>& t = o[0].traces;
    if (t.size() == 2 && t[0] != t[1])
        return failed("loaded again in the same process, it behaves differently, at " +
                          first_difference(t[0], t[1]),
                      "", "reload");
    return {};
}

Verdict determinism_judge(const std::vector<Outcome>& o) {
    const Outcome &a = o[0], &b = o[1];
    if (a.how != b.how || a.code != b.code)
        return failed("two runs end differently: " + describe_end(a.how, a.code) + " and " +
                          describe_end(b.how, b.code),
                      "", "differs");
    if (a.traces != b.traces)
        return failed(
            "the traces of two runs differ at " + first_difference(a.traces.at(0), b.traces.at(0)),
            "", "differs");
    if (a.sound_log != b.sound_log || a.has_sound_log != b.has_sound_log)
        return failed(
            "the sound logs of two runs differ at " + first_difference(a.sound_log, b.sound_log),
            "", "differs");
    return {};
}

Verdict allocations_judge(const std::vector<Outcome>& o) {
    if (survived(o[0]).result == Verdict::fail)
        return skipped("the run ended early (" + survived(o[0]).reason +
                       "), so its allocations were not counted");
    const char* const kinds[] = {"post-steps", "key callbacks", "coefficient calls"};
    std::string found, signature = "allocations:";
    for (int k = 0; k < 3; ++k) {
        if (o[0].allocations[k] == 0) continue;
        found +=
            (found.empty() ? "" : ", ") + std::to_string(o[0].allocations[k]) + " in " + kinds[k];
        signature += std::string(" ") + kinds[k];
    }
    if (found.empty()) return {};
    return failed("allocates on the heap: " + found, "", signature);
}

Verdict timing_judge(const std::vector<Outcome>& o) {
    // The best of the runs: a busy machine can only make a run slower.
    const Outcome* best = nullptr;
    for (const Outcome& run : o) {
        if (survived(run).result == Verdict::fail)
            return skipped("the run ended early (" + survived(run).reason + ")");
        if (!best || run.p99_us < best->p99_us) best = &run;
    }
    char text[160];
    std::snprintf(text, sizeof text,
                  "post-step p50 %.2f us, p99 %.2f us (%lld post-steps, best of %zu runs)",
                  best->p50_us, best->p99_us, best->samples, o.size());
    if (best->p99_us > kPostStepBudgetUs)
        return failed(std::string(text) + ": p99 over the budget of 50 us", "", "slow");
    return {Verdict::pass, text, "", "", ""};
}

}  // namespace vmhost::validate
