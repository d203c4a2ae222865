// The report page's HTML, and the flight log and panel embedded in it as JSON
// for page.js.
#include "page.h"

#include <cmath>
#include <cstdio>

#include "aircraft.h"
#include "assets.h"

namespace vmhost {
namespace {

const char* const kKinds[] = {"dial", "drum", "horizon", "bar", "lamp"};

// A JSON string; '<' escaped too, so that no "</script>" can end the block.
std::string quoted(const std::string& s) {
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

// A JSON number to `digits` significant digits; null when not finite.
std::string number(double v, int digits = 10) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
}

// One column of the log, its values to six significant digits (nine for the
// time). A column that holds its value over several rows is written as
// {"v":[values],"n":[rows each holds]}, one that changes every row as a plain
// list of its values.
std::string column(const FlightLog::Track& t, int c) {
    std::string values, counts;
    std::string last;
    long long run = 0;
    bool repeats = false;
    auto close_run = [&] {
        if (run == 0) return;
        if (!values.empty()) values += ',', counts += ',';
        values += last;
        counts += std::to_string(run);
        repeats = repeats || run > 1;
    };
    for (std::size_t r = 0; r < t.row_count(); ++r) {
        std::string v = number(t.at(r, c), c == kTime ? 9 : 6);
        if (run > 0 && v == last) {
            ++run;
            continue;
        }
        close_run();
        last = std::move(v);
        run = 1;
    }
    close_run();
    if (!repeats) return '[' + values + ']';
    return "{\"v\":[" + values + "],\"n\":[" + counts + "]}";
}

std::string panel(const Aircraft* a) {
    std::string out = "[";
    if (a) {
        for (const Gauge& g : a->panel) {
            const Face& f = g.face;
            out += std::string(out.size() > 1 ? "," : "") + "\n{\"kind\":\"" +
                   kKinds[static_cast<int>(g.kind)] + "\",\"label\":" + quoted(g.label) +
                   ",\"unit\":" + quoted(g.unit) + ",\"decimals\":" + std::to_string(g.decimals) +
                   ",\"lo\":" + number(f.lo) + ",\"hi\":" + number(f.hi) +
                   ",\"start\":" + number(f.start) + ",\"sweep\":" + number(f.sweep) +
                   ",\"tick\":" + number(f.tick) + ",\"labels\":" + number(f.labels) +
                   ",\"indicators\":[";
            for (const Indicator& i : g.indicators) {
                out += std::string(out.back() == '[' ? "" : ",") +
                       "{\"column\":" + quoted(i.column) + ",\"offset\":" + number(i.offset) +
                       ",\"scale\":" + number(i.scale) + ",\"period\":" + number(i.period) +
                       ",\"name\":" + quoted(i.name);
                if (i.model)
                    out += ",\"model\":" + quoted(i.model) +
                           ",\"modelScale\":" + number(i.model_scale);
                out += '}';
            }
            out += "]}";
        }
    }
    return out + "]";
}

std::string log_json(const FlightLog::Track& t) {
    std::string names, data;
    for (int c = 0; c < t.columns(); ++c) {
        if (c) names += ',', data += ",\n";
        names += quoted(t.column_name(c));
        data += column(t, c);
    }
    return "{\"rows\":" + std::to_string(t.row_count()) + ",\"columns\":[" + names +
           "],\n\"panel\":" + panel(t.aircraft) + ",\n\"data\":[" + data + "]}";
}

}  // namespace

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

std::string page_start() {
    return std::string(
               "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>vmhost flight "
               "report</title>\n<style>\n") +
           page::kStyle + "</style></head>\n<body>\n<h1>Flight report</h1>\n";
}

std::string page_track(const FlightLog::Track& t, const std::string& stem, double row_seconds,
                       const std::string& chart, const ChartFrame& frame) {
    const bool renamed = stem != t.name;
    const std::string csv_file = stem + ".csv";
    std::string h = "<section class=track>\n<h2" + (renamed ? " id=\"" + escape(stem) + "\"" : "") +
                    ">" + escape(t.name) + (renamed ? " [" + escape(stem) + "]" : "") + " (" +
                    escape(t.plugin) + ")</h2>\n<table><tr><td>flight time</td><td class=n>" +
                    fixed(t.end_time, 1) + " s</td></tr><tr><td>distance</td><td class=n>" +
                    fixed(t.distance / 1000, 2) +
                    " km</td></tr><tr><td>top altitude</td><td class=n>" +
                    fixed(t.top_altitude, 0) + " m</td></tr><tr><td>top airspeed</td><td class=n>" +
                    fixed(t.top_airspeed, 1) + " m/s</td></tr><tr><td>fuel left</td><td class=n>" +
                    fixed(t.last.fuel, 0) + " kg</td></tr></table>\n";
    // Filled by page.js: the gauges, and the flight model's readings beside them.
    h += "<div class=cockpit><div class=panel></div><table class=readings></table></div>\n";
    h += "<table class=events><tr><th>#</th><th>time (s)</th><th>event</th></tr>\n";
    int count = 0;
    for (const FlightLog::Event& e : t.events)
        h += "<tr data-t=" + fixed(e.time, 2) + (e.pilot ? " class=pilot" : "") + "><td>" +
             std::to_string(++count) + "</td><td class=n>" + fixed(e.time, 2) + "</td><td>" +
             (e.pilot ? "pilot: " : "") + escape(e.what) + "</td></tr>\n";
    h += "</table>\n<p>Data: <a href=\"" + escape(csv_file) + "\">" + escape(csv_file) +
         "</a> (one row every " + fixed(row_seconds, 2) +
         " s). Numbered marks in the charts are the events above.</p>\n";
    h += "<div class=chart data-x0=" + fixed(frame.x0, 1) + " data-x1=" + fixed(frame.x1, 1) +
         " data-t1=" + number(frame.t1) + " data-y0=" + fixed(frame.y0, 1) +
         " data-y1=" + fixed(frame.y1, 1) + ">\n" + chart + "</div>\n";
    return h + "<script type=\"application/json\" class=log>" + log_json(t) +
           "</script>\n</section>\n";
}

std::string page_end() {
    return std::string("<script>\n") + page::kScript + "</script>\n</body></html>\n";
}

}  // namespace vmhost
