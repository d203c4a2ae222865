// What `vmhost compare` shows: per scenario a line, and for one that differs
// a table of its groups, the first divergence and a flight's summaries side
// by side; the last line; and the same results as JSON. Everything from a
// trace reaches the terminal with its control bytes escaped.
#include <charconv>

#include "compare.h"
#include "message.h"
#include "validate/validate.h"

namespace vmhost::compare {
namespace {

constexpr std::size_t kCallWidth = 40;

std::string g3(double v) {
    if (std::isinf(v)) return "inf";
    char t[32];
    std::snprintf(t, sizeof t, "%.3g", v);
    return t;
}

// "t=3.44 s line 5678", "start line 12" before the first step.
std::string where(double time, std::uint32_t line) {
    char t[64];
    if (std::isnan(time))
        std::snprintf(t, sizeof t, "start line %u", line);
    else
        std::snprintf(t, sizeof t, "t=%.2f s line %u", time, line);
    return t;
}

std::string json_number(double v) {
    if (!std::isfinite(v)) return "null";
    char t[32];
    return std::string(t, std::to_chars(t, t + sizeof t, v).ptr);
}

std::string json_text(std::string_view s) {
    return '"' + validate::json_escape(s) + '"';
}

const FlightLog::Track* track(const FlightLog& log, const std::string& name) {
    for (const FlightLog::Track& t : log.tracks())
        if (t.name == name) return &t;
    return nullptr;
}

void print_groups(std::FILE* out, const Result& r) {
    std::size_t width = 4;
    for (const Group& g : r.groups) width = std::max(width, std::min(g.call.size(), kCallWidth));
    const int w = static_cast<int>(width);
    std::fprintf(out, "  %-*s  %-9s %7s %9s %9s  %-24s %s\n", w, "call", "kind", "lines", "max abs",
                 "max rel", "first in OLD", "first in NEW");
    for (const Group& g : r.groups) {
        std::fprintf(
            out, "  %-*s  %-9s %7lld %9s %9s  %-24s %s\n", w, printable(g.call, kCallWidth).c_str(),
            change_name(g.kind), g.count, g.measured ? g3(g.max_abs).c_str() : "-",
            g.measured ? g3(g.max_rel).c_str() : "-", where(g.time_old, g.first_old).c_str(),
            where(g.time_new, g.first_new).c_str());
    }
}

}  // namespace

std::string tolerance_text(const Tolerance& t) {
    if (t.rel == 0 && t.abs == 0) return "numbers compared exactly";
    return "numbers within rel " + g3(t.rel) + " or abs " + g3(t.abs);
}

std::vector<SummaryRow> summaries(const Result& r) {
    std::vector<SummaryRow> rows;
    std::vector<std::string> names;
    for (const FlightLog* log : {&r.old_flight, &r.new_flight})
        for (const FlightLog::Track& t : log->tracks())
            if (std::find(names.begin(), names.end(), t.name) == names.end())
                names.push_back(t.name);
    for (const std::string& name : names) {
        const FlightLog::Track* a = track(r.old_flight, name);
        const FlightLog::Track* b = track(r.new_flight, name);
        const auto row = [&](const char* quantity, const char* unit, int decimals,
                             double (*of)(const FlightLog::Track&)) {
            rows.push_back({name, quantity, unit, decimals, a ? of(*a) : NAN, b ? of(*b) : NAN});
        };
        row("flight time", "s", 1, [](const FlightLog::Track& t) { return t.end_time; });
        row("top altitude", "m", 0, [](const FlightLog::Track& t) { return t.top_altitude; });
        row("top airspeed", "m/s", 1, [](const FlightLog::Track& t) { return t.top_airspeed; });
        row("lift-off", "s", 2, [](const FlightLog::Track& t) { return t.lift_off(); });
        row("fuel left", "kg", 0, [](const FlightLog::Track& t) { return t.last.fuel; });
    }
    return rows;
}

void print_result(std::FILE* out, const Result& r) {
    const std::string name = printable(r.name);
    if (!r.failure.empty()) {
        std::fprintf(out, "%s: %s\n", name.c_str(), printable(r.failure).c_str());
        for (std::string_view line : validate::lines_of(r.detail))
            if (!line.empty()) std::fprintf(out, "  %s\n", printable(line).c_str());
        return;
    }
    std::fprintf(out, "%s: %s (%u and %u lines)\n", name.c_str(),
                 r.identical() ? "identical" : "differs", r.old_lines, r.new_lines);
    if (!r.contract.empty()) std::fprintf(out, "  %s\n", printable(r.contract).c_str());
    if (!r.identical()) print_groups(out, r);
    if (!r.divergence.empty()) {
        std::fprintf(out, "  first divergence%s:\n",
                     std::isnan(r.divergence_time)
                         ? ""
                         : (", at t=" + fixed(r.divergence_time, 2) + " s").c_str());
        for (const std::string& line : r.divergence) std::fprintf(out, "  %s\n", line.c_str());
    }
    const std::vector<SummaryRow> rows = summaries(r);
    if (rows.empty()) return;
    std::fprintf(out, "  %-28s %14s %14s %14s\n", "flight", "OLD", "NEW", "difference");
    for (const SummaryRow& s : rows)
        std::fprintf(out, "  %-28s %14s %14s %14s\n",
                     printable(s.vessel + " " + s.quantity, 28).c_str(),
                     (fixed(s.old_value, s.decimals) + " " + s.unit).c_str(),
                     (fixed(s.new_value, s.decimals) + " " + s.unit).c_str(),
                     (fixed(s.new_value - s.old_value, s.decimals) + " " + s.unit).c_str());
}

void print_total(std::FILE* out, const Run& run) {
    int differ = 0, failed = 0;
    for (const Result& r : run.results) {
        differ += !r.identical();
        failed += !r.failure.empty() || !r.contract.empty();
    }
    std::fprintf(out, "\n%d of %zu scenario%s differ%s", differ, run.results.size(),
                 run.results.size() == 1 ? "" : "s", differ == 1 ? "s" : "");
    if (failed)
        std::fprintf(out, "; in %d a build crashed, hung or broke the host contract", failed);
    std::fprintf(out, " (%.1f s)\n", run.seconds);
}

std::string json(const Run& run) {
    std::string j = "{\"tool\": \"vmhost compare\", \"old\": " + json_text(run.old_given) +
                    ", \"new\": " + json_text(run.new_given) +
                    ", \"rel\": " + json_number(run.tolerance.rel) +
                    ", \"abs\": " + json_number(run.tolerance.abs) +
                    ", \"seed\": " + (run.mix ? std::to_string(run.seed) : "null") +
                    ", \"steps\": " + (run.mix ? std::to_string(run.steps) : "null") +
                    ", \"status\": " + std::to_string(run.status()) +
                    ", \"seconds\": " + json_number(run.seconds) + ",\n \"scenarios\": [";
    const char* between = "\n";
    for (const Result& r : run.results) {
        j += between;
        between = ",\n";
        j += "  {\"name\": " + json_text(r.name) +
             ", \"identical\": " + (r.identical() ? "true" : "false") +
             ", \"status_old\": " + std::to_string(r.old_status) +
             ", \"status_new\": " + std::to_string(r.new_status) +
             ", \"failure\": " + json_text(r.failure) + ", \"contract\": " + json_text(r.contract) +
             ", \"lines_old\": " + std::to_string(r.old_lines) +
             ", \"lines_new\": " + std::to_string(r.new_lines) + ",\n   \"groups\": [";
        const char* next = "\n";
        for (const Group& g : r.groups) {
            j += next;
            next = ",\n";
            j += "    {\"call\": " + json_text(g.call) + ", \"kind\": \"" + change_name(g.kind) +
                 "\", \"count\": " + std::to_string(g.count) +
                 ", \"max_abs\": " + (g.measured ? json_number(g.max_abs) : "null") +
                 ", \"max_rel\": " + (g.measured ? json_number(g.max_rel) : "null") +
                 ", \"first_old\": " + std::to_string(g.first_old) +
                 ", \"first_new\": " + std::to_string(g.first_new) +
                 ", \"time_old\": " + json_number(g.time_old) +
                 ", \"time_new\": " + json_number(g.time_new) + "}";
        }
        j += std::string(r.groups.empty() ? "" : "\n   ") + "],\n   \"flight\": [";
        next = "";
        for (const SummaryRow& s : summaries(r)) {
            j += std::string(next) + "{\"vessel\": " + json_text(s.vessel) +
                 ", \"quantity\": " + json_text(s.quantity) + ", \"unit\": " + json_text(s.unit) +
                 ", \"old\": " + json_number(s.old_value) +
                 ", \"new\": " + json_number(s.new_value) + "}";
            next = ", ";
        }
        j += "]}";
    }
    return j + "\n ]}\n";
}

}  // namespace vmhost::compare
