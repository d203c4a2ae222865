// The report page's HTML, and the flight log and panel embedded in it as JSON
// for page.js.
#include "page.h"

#include <cmath>
#include <cstdio>

#include "aircraft.h"
#include "assets.h"

namespace vmhost {
namespace {

const char* const kKinds[] = {"dial", "drum", "horizon", "bank", "bar", "lamp"};

// A column of the log as page.js reads it: "ORDER:EXPONENT:TOKENS". Each
// value is kept as a whole multiple of 10^EXPONENT, seven significant digits
// of the column's largest finite value; the tokens are the differences of
// those integers from row to row (ORDER 1) or the differences of the
// differences (ORDER 2: a steady climb is one number), "D*N" when one repeats
// N times, and "n", "i", "-i" for nan and the infinities, which leave the
// running values alone. Smooth or steady columns shrink to a few bytes a row.
std::string encoded(const std::vector<double>& values, int order) {
    double top = 0;
    for (double v : values)
        if (std::isfinite(v)) top = std::max(top, std::fabs(v));
    const int exponent =
        top > 0 ? std::max(static_cast<int>(std::ceil(std::log10(top))) - 7, -300) : 0;
    const double quantum = std::pow(10.0, exponent);
    std::string out = std::to_string(order) + ':' + std::to_string(exponent) + ':';
    std::string token, last;
    long long run = 0;
    auto close_run = [&] {
        if (run == 0) return;
        if (out.back() != ':') out += ',';
        out += last;
        if (run > 1) out += '*' + std::to_string(run);
    };
    auto put = [&](std::string t) {
        if (run > 0 && t == last) {
            ++run;
            return;
        }
        close_run();
        last = std::move(t);
        run = 1;
    };
    long long value = 0, step = 0;  // the running integer and its difference
    for (double v : values) {
        if (!std::isfinite(v)) {
            put(std::isnan(v) ? "n" : v > 0 ? "i" : "-i");
            continue;
        }
        // Division rather than multiplication by 10^-EXPONENT: page.js divides
        // alike, and 0.1 is then read back as 0.1.
        const auto n = static_cast<long long>(
            std::llround(exponent < 0 ? v * std::pow(10.0, -exponent) : v / quantum));
        const long long d = n - value;
        put(std::to_string(order == 1 ? d : d - step));
        value = n;
        step = d;
    }
    close_run();
    return out;
}

// The shorter of a column's two encodings, as a JSON string.
std::string column(const std::vector<double>& values) {
    std::string first = encoded(values, 1), second = encoded(values, 2);
    return json_string(second.size() < first.size() ? second : first);
}

// A JSON list of numbers.
std::string list(const std::vector<double>& values) {
    std::string out;
    for (double v : values) {
        if (!out.empty()) out += ',';
        out += json_number(v);
    }
    return '[' + out + ']';
}

std::string log_json(const FlightLog::Track& t, double row_seconds) {
    std::string names, data;
    const std::size_t rows = t.row_count();
    std::vector<double> values(rows);
    for (int c = 0; c < t.columns(); ++c) {
        if (c) names += ',', data += ",\n";
        names += json_string(t.column_name(c));
        for (std::size_t r = 0; r < rows; ++r) values[r] = t.at(r, c);
        data += column(values);
    }
    // The maximum thrust's lowest and highest value between rows.
    std::string thrust;
    for (std::size_t k = 0; k < 2; ++k) {
        for (std::size_t r = 0; r < rows; ++r) values[r] = t.thrust_range[2 * r + k];
        thrust += (k ? ",\n" : "") + column(values);
    }
    return "{\"rows\":" + std::to_string(rows) + ",\"step\":" + json_number(row_seconds) +
           ",\"columns\":[" + names + "],\n\"panel\":" + panel_json(t.aircraft) +
           ",\n\"limits\":" + limits_json(t.aircraft) + ",\n\"thrust\":[" + thrust +
           "],\n\"data\":[" + data + "]}";
}

// A summary table's cell: its value in SI, with the kind of quantity page.js
// converts when aviation units are chosen.
std::string cell(double v, int decimals, const char* unit, const char* kind) {
    return std::string("<td class=n data-kind=") + kind + " data-si=\"" + json_number(v) + "\">" +
           fixed(v, decimals) + ' ' + unit + "</td>";
}

// The summary's rows; with a ghost, its value, the track's and the difference.
std::string summary(const FlightLog::Track& t, const FlightLog::Track* ghost) {
    using Track = FlightLog::Track;
    const struct {
        const char* label;
        double (*value)(const Track&);
        int decimals;
        const char* unit;
        const char* kind;
        bool compared;  // shown only beside a ghost
    } rows[] = {
        {"flight time", [](const Track& x) { return x.end_time; }, 1, "s", "time", false},
        {"distance", [](const Track& x) { return x.distance / 1000; }, 2, "km", "distance", false},
        {"top altitude", [](const Track& x) { return x.top_altitude; }, 0, "m", "altitude", false},
        {"top airspeed", [](const Track& x) { return x.top_airspeed; }, 1, "m/s", "speed", false},
        {"lift-off", [](const Track& x) { return x.lift_off(); }, 2, "s", "time", true},
        {"fuel left", [](const Track& x) { return x.last.fuel; }, 0, "kg", "mass", false},
    };
    std::string h = "<table class=summary><caption>Summary</caption>";
    if (ghost)
        h += "<thead><tr><td></td><th scope=col>OLD</th><th scope=col>NEW</th>"
             "<th scope=col>difference</th></tr></thead>";
    for (const auto& r : rows) {
        if (r.compared && !ghost) continue;
        h += std::string("<tr><th scope=row>") + r.label + "</th>";
        if (ghost) h += cell(r.value(*ghost), r.decimals, r.unit, r.kind);
        h += cell(r.value(t), r.decimals, r.unit, r.kind);
        if (ghost) h += cell(r.value(t) - r.value(*ghost), r.decimals, r.unit, r.kind);
        h += "</tr>";
    }
    return h + "</table>\n";
}

}  // namespace

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == '<') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string json_number(double v, int digits) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
}

std::string panel_json(const Aircraft* a) {
    std::string out = "[";
    if (a) {
        for (const Gauge& g : a->panel) {
            const Face& f = g.face;
            out += std::string(out.size() > 1 ? "," : "") + "\n{\"kind\":\"" +
                   kKinds[static_cast<int>(g.kind)] + "\",\"label\":" + json_string(g.label) +
                   ",\"unit\":" + json_string(g.unit) +
                   ",\"decimals\":" + std::to_string(g.decimals) + ",\"lo\":" + json_number(f.lo) +
                   ",\"hi\":" + json_number(f.hi) + ",\"start\":" + json_number(f.start) +
                   ",\"sweep\":" + json_number(f.sweep) + ",\"tick\":" + json_number(f.tick) +
                   ",\"labels\":" + json_number(f.labels) + ",\"meanings\":[";
            for (const Meaning& m : g.meanings)
                out += std::string(out.back() == '[' ? "" : ",") + "[" + json_number(m.value) +
                       "," + json_string(m.words) + "]";
            out += "],\"indicators\":[";
            for (const Indicator& i : g.indicators) {
                out += std::string(out.back() == '[' ? "" : ",") +
                       "{\"column\":" + json_string(i.column) +
                       ",\"offset\":" + json_number(i.offset) +
                       ",\"scale\":" + json_number(i.scale) +
                       ",\"period\":" + json_number(i.period) + ",\"name\":" + json_string(i.name);
                if (i.model)
                    out += ",\"model\":" + json_string(i.model) +
                           ",\"modelScale\":" + json_number(i.model_scale);
                if (i.stepped) out += ",\"stepped\":true";
                out += '}';
            }
            out += "]}";
        }
    }
    return out + "]";
}

std::string limits_json(const Aircraft* a) {
    if (!a) return "{\"airspeed\":[],\"altitude\":[],\"stall\":null}";
    return "{\"airspeed\":" + list(a->airspeed_limits) +
           ",\"altitude\":" + list(a->altitude_limits) + ",\"stall\":" + json_number(a->stall_aoa) +
           "}";
}

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string page_start(const std::string& title, const std::string& heading) {
    return std::string(
               "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<title>") +
           escape(title) + "</title>\n<style>\n" + page::kChartStyle + page::kStyle +
           "</style></head>\n<body>\n<h1>" + escape(heading) + "</h1>\n" + page::kPlayer;
}

std::string page_track(const FlightLog::Track& t, const std::string& stem, double row_seconds,
                       const FlightLog::Track* ghost, bool files) {
    const bool renamed = stem != t.name;
    const std::string csv_file = stem + ".csv", svg_file = stem + ".svg";
    std::string h = "<section class=track>\n<h2>" + escape(t.name) +
                    (renamed ? " [" + escape(stem) + "]" : "") + " (" + escape(t.plugin) +
                    ")</h2>\n<div class=layout>\n<div class=side>\n";
    // Filled by page.js: the gauges, and the flight model's readings beside them.
    h += "<div class=cockpit><div class=panel role=group aria-label=\"cockpit panel\"></div>"
         "<table class=readings></table></div>\n</div>\n<div class=main>\n"
         "<div class=charts></div>\n<div class=where></div>\n";
    h += summary(t, ghost);
    h += "<table class=events><caption>Events</caption><thead><tr><th scope=col>#</th>"
         "<th scope=col>time (s)</th><th scope=col>event</th></tr></thead><tbody>\n";
    int count = 0;
    for (const FlightLog::Event& e : t.events) {
        const std::string time = fixed(e.time, 2);
        h += "<tr data-t=" + time + (e.range() ? " data-end=" + fixed(e.end, 2) : "") +
             (e.pilot ? " class=pilot" : "") + "><td>" + std::to_string(++count) +
             "</td><td class=n><button type=button>" + time + "</button></td><td>" +
             (e.pilot ? "pilot: " : "") + escape(e.text()) + "</td></tr>\n";
    }
    h += "</tbody></table>\n";
    if (files)
        h += "<p>Data: <a href=\"" + escape(csv_file) + "\">" + escape(csv_file) +
             "</a> (one row every " + fixed(row_seconds, 2) +
             " s, SI units), charts as a picture: <a href=\"" + escape(svg_file) + "\">" +
             escape(svg_file) + "</a>.</p>\n";
    h += "</div>\n</div>\n<script type=\"application/json\" class=log>" + log_json(t, row_seconds) +
         "</script>\n";
    if (ghost)
        h += "<script type=\"application/json\" class=ghost>" + log_json(*ghost, row_seconds) +
             "</script>\n";
    return h + "</section>\n";
}

std::string page_end() {
    return std::string("<script>\n") + page::kChartScript + "</script>\n<script>\n" +
           page::kPanelScript + "</script>\n<script>\n" + page::kScript +
           "</script>\n</body></html>\n";
}

}  // namespace vmhost
