// The checks of what the host passes a plug-in: readings of every quantity,
// every key with every modifier, every cockpit view, coefficient calls over
// every angle, Mach and Reynolds number. Each check is its scenario, its
// oracle and its row, together.
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "validate.h"

namespace vmhost::validate {
namespace {

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

bool finite_number(std::string_view w) {
    const std::string s(w);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return !s.empty() && end == s.c_str() + s.size() && std::isfinite(v);
}

// ---- readings ------------------------------------------------------------------

bool is_nonfinite_word(std::string_view w) {
    if (!w.empty() && (w[0] == '-' || w[0] == '+')) w.remove_prefix(1);
    return w == "nan" || w == "inf";
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

// A nan or infinity handed on after readings in ordinary ranges fails; after
// extreme or non-finite ones it is only a WARN.
Verdict ordinary_readings_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const std::string line = first_nonfinite(o[0].traces[0]);
    if (line.empty()) return {};
    return failed(Failure::nan,
                  "hands the host a nan or infinity after ordinary readings: " + ticked(line), "",
                  "nonfinite: " + line.substr(0, line.find(' ')));
}

Verdict extreme_readings_judge(const std::vector<Outcome>& o) {
    Verdict v = survived(o[0]);
    if (v.result == Verdict::fail) return v;
    const std::string line = first_nonfinite(o[0].traces[0]);
    if (!line.empty()) {
        v.warning = "after extreme or non-finite readings it hands them on: " + ticked(line);
        v.kind = Failure::nan;
        v.signature = "nonfinite: " + line.substr(0, line.find(' '));
    }
    return v;
}

std::vector<Part> readings_plan(const Context& c) {
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
    return {part("ordinary", c, "readings", sweep(ordinary_values()), ordinary_readings_judge),
            part("extreme", c, "readings", sweep(extreme_values()), extreme_readings_judge)};
}

const Check kReadings{
    .id = "readings",
    .strictness = 3,
    .needs = kNothing,
    .scenario = true,
    .description =
        "every quantity, warp and heading swept over ordinary, extreme and non-finite values",
    .plan = readings_plan};

// ---- keys ----------------------------------------------------------------------

std::vector<Part> keys_plan(const Context& c) {
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
    return {part("every key", c, "keys", s, survives)};
}

const Check kKeys{
    .id = "keys",
    .strictness = 3,
    .needs = kObject,
    .scenario = true,
    .description = "every key code 0..255, down and up, with every modifier combination",
    .plan = keys_plan};

// ---- cockpit-views -------------------------------------------------------------

std::vector<Part> cockpit_views_plan(const Context& c) {
    std::string s = load(c) + "create v1\n";
    for (int id = -1; id <= 16; ++id) s += "vc v1 " + std::to_string(id) + "\nstep\n";
    return {part("views", c, "cockpit-views", s, survives)};
}

const Check kCockpitViews{.id = "cockpit-views",
                          .strictness = 3,
                          .needs = kObject,
                          .scenario = true,
                          .description = "cockpit views -1 to 16",
                          .plan = cockpit_views_plan};

// ---- airfoils ------------------------------------------------------------------

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

Verdict airfoils_judge(const std::vector<Outcome>& o) {
    if (Verdict v = survived(o[0]); v.result == Verdict::fail) return v;
    const std::string bad = first_bad_coefficient(o[0].traces[0]);
    if (bad.empty()) return {};
    return failed(Failure::nan, "a coefficient is not finite for finite input: " + ticked(bad), "",
                  "coefficient");
}

std::vector<Part> airfoils_plan(const Context& c) {
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
    return {part("sweep", c, "airfoils", s + "step\n", airfoils_judge)};
}

const Check kAirfoils{
    .id = "airfoils",
    .strictness = 3,
    .needs = kAirfoil,
    .scenario = true,
    .description =
        "coefficients finite over four turns, Mach 0 to 5, any Reynolds number; nan survived",
    .plan = airfoils_plan};

const Check* const kInputChecks[] = {&kReadings, &kKeys, &kCockpitViews, &kAirfoils};

}  // namespace

std::span<const Check* const> input_checks() {
    return kInputChecks;
}

}  // namespace vmhost::validate
