// The page of --report, built on the flight report's page (report/page.h):
// the table of scenarios; for each one that differs its groups, each a
// <details> that opens to its lines side by side, and the first divergence;
// for each flight the flight report's section of every vessel, NEW's log with
// OLD's as its ghost under the page's one time slider. One file, offline.
#include "report/page.h"

#include "compare.h"
#include "message.h"

namespace vmhost::compare {
namespace {

// A line of a trace as the page shows it: control bytes escaped.
std::string shown(std::string_view s) {
    return escape(printable(s, 400));
}

std::string where(double time, std::uint32_t line) {
    return (std::isnan(time) ? std::string("start") : "t=" + fixed(time, 2) + " s") + ", line " +
           std::to_string(line);
}

std::string number(bool measured, double v) {
    if (!measured) return "-";
    char t[32];
    std::snprintf(t, sizeof t, "%.3g", v);
    return t;
}

std::string result_text(const Result& r) {
    if (!r.failure.empty()) return r.failure;
    return r.identical() ? "identical" : "differs";
}

std::string group_html(const Group& g) {
    std::string h = "<details class=group><summary><code>" + shown(g.call) + "</code> " +
                    change_name(g.kind) + ", " + std::to_string(g.count) + " line" +
                    (g.count == 1 ? "" : "s") + ", max abs " + number(g.measured, g.max_abs) +
                    ", max rel " + number(g.measured, g.max_rel) + "; first in OLD " +
                    where(g.time_old, g.first_old) + ", in NEW " + where(g.time_new, g.first_new) +
                    "</summary>\n<table class=lines><thead><tr><th scope=col>OLD</th><th "
                    "scope=col></th><th scope=col>NEW</th><th scope=col></th></tr></thead>"
                    "<tbody>\n";
    const auto line = [](std::uint32_t n) { return n ? std::to_string(n) : std::string(); };
    for (const Sample& s : g.samples)
        h += "<tr><td class=n>" + line(s.old_line) + "</td><td><code>" + shown(s.old_text) +
             "</code></td><td class=n>" + line(s.new_line) + "</td><td><code>" + shown(s.new_text) +
             "</code></td></tr>\n";
    h += "</tbody></table>\n";
    if (g.count > static_cast<long long>(g.samples.size()))
        h += "<p>and " + std::to_string(g.count - static_cast<long long>(g.samples.size())) +
             " more (--out keeps both traces whole)</p>\n";
    return h + "</details>\n";
}

// The vessels of a flight: NEW's, each with OLD's of its name as a ghost.
std::string flights(const Result& r) {
    std::string h;
    for (const FlightLog::Track& t : r.new_flight.tracks()) {
        const FlightLog::Track* ghost = nullptr;
        for (const FlightLog::Track& o : r.old_flight.tracks())
            if (o.name == t.name) ghost = &o;
        h += page_track(t, t.name, r.new_flight.row_seconds(), ghost, false);
    }
    return h;
}

std::string scenario_html(const Result& r, std::size_t index) {
    std::string h = "<section class=scenario id=s" + std::to_string(index + 1) + ">\n<h2>" +
                    shown(r.name) + ": " + shown(result_text(r)) + "</h2>\n";
    if (!r.detail.empty()) h += "<pre class=detail>" + shown(r.detail) + "</pre>\n";
    if (!r.contract.empty()) h += "<p class=contract>" + shown(r.contract) + "</p>\n";
    if (r.failure.empty())
        h += "<p>" + std::to_string(r.old_lines) + " lines in OLD's trace, " +
             std::to_string(r.new_lines) + " in NEW's.</p>\n";
    for (const Group& g : r.groups) h += group_html(g);
    if (!r.divergence.empty()) {
        h += "<h3>First divergence" +
             (std::isnan(r.divergence_time) ? "" : ", at t=" + fixed(r.divergence_time, 2) + " s") +
             "</h3>\n<pre class=divergence>";
        for (const std::string& line : r.divergence) h += escape(line) + "\n";
        h += "</pre>\n";
    }
    return h + flights(r) + "</section>\n";
}

}  // namespace

std::string page(const Run& run) {
    std::string h =
        page_start("vmhost compare", "Compare " + printable(run.old_given, 200) + " (OLD) with " +
                                         printable(run.new_given, 200) + " (NEW)");
    h += "<p>" + escape(tolerance_text(run.tolerance)) +
         (run.mix ? "; the mix of seed " + std::to_string(run.seed) + ", " +
                        std::to_string(run.steps) + " steps"
                  : "") +
         ".</p>\n<table class=results><caption>Scenarios</caption><thead><tr><th "
         "scope=col>scenario</th><th scope=col>result</th><th scope=col>groups</th><th "
         "scope=col>lines in OLD</th><th scope=col>in NEW</th></tr></thead><tbody>\n";
    for (std::size_t i = 0; i < run.results.size(); ++i) {
        const Result& r = run.results[i];
        h += "<tr><td><a href=\"#s" + std::to_string(i + 1) + "\">" + shown(r.name) +
             "</a></td><td>" + shown(result_text(r)) + "</td><td class=n>" +
             std::to_string(r.groups.size()) + "</td><td class=n>" + std::to_string(r.old_lines) +
             "</td><td class=n>" + std::to_string(r.new_lines) + "</td></tr>\n";
    }
    h += "</tbody></table>\n";
    for (std::size_t i = 0; i < run.results.size(); ++i) h += scenario_html(run.results[i], i);
    return h + page_end();
}

}  // namespace vmhost::compare
