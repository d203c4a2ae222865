#include "flightlog.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "aircraft.h"

namespace vmhost {
namespace {

constexpr double kDegrees = 180 / 3.14159265358979323846;

// The fixed columns of a row, in the order of Sample, with their CSV names.
const char* const kColumns[] = {
    "time_s",    "x_m",      "z_m",         "altitude_m", "airspeed_ms",  "climb_ms",
    "pitch_rad", "bank_rad", "heading_rad", "aoa_rad",    "thrust_level", "thrust_max_n",
    "fuel_kg",   "ground",   "gear",        "flaps",      "lights"};
constexpr int kFixed = sizeof kColumns / sizeof kColumns[0];
enum Col {
    kTime,
    kX,
    kZ,
    kAltitude,
    kAirspeed,
    kClimb,
    kPitch,
    kBank,
    kHeading,
    kAoa,
    kThrust,
    kThrustMax,
    kFuel,
    kGround,
    kGear,
    kFlaps,
    kLights
};

void put_row(std::vector<double>& rows, const Sample& s) {
    const double v[] = {s.time,  s.x,      s.z,       s.altitude, s.airspeed, s.climb,
                        s.pitch, s.bank,   s.heading, s.aoa,      s.thrust,   s.thrust_max,
                        s.fuel,  s.ground, s.gear,    s.flaps,    s.lights};
    rows.insert(rows.end(), std::begin(v), std::end(v));
}

// A number as the shortest text that reads back the same.
std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    for (int p = 1; p <= 17; ++p) {
        char t[32];
        std::snprintf(t, sizeof t, "%.*g", p, v);
        if (std::strtod(t, nullptr) == v) return t;
    }
    return buf;
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
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

// A tick label: as many decimals as the tick spacing needs, no exponents.
std::string tick(double v, double step) {
    int decimals = 0;
    while (decimals < 6 && step * std::pow(10.0, decimals) < 0.999) ++decimals;
    return fixed(v, decimals);
}

// Round tick spacing giving about `n` ticks over `span`.
double tick_step(double span, int n) {
    if (!(span > 0)) return 1;
    const double raw = span / n;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * p) return m * p;
    return 10 * p;
}

const char* const kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                "#9467bd", "#8c564b", "#e377c2", "#17becf"};

}  // namespace

int FlightLog::add_vessel(const std::string& name, const std::string& plugin, int animations) {
    Track t;
    t.name = name;
    t.plugin = plugin;
    t.animations = std::max(animations, 0);
    t.aircraft = find_aircraft(plugin);
    // Room for an hour of flight, so that recording rarely allocates.
    t.rows.reserve(static_cast<std::size_t>(3600 * 50 / every_ + 1) *
                   static_cast<std::size_t>(kFixed + t.animations));
    t.last_anims.assign(static_cast<std::size_t>(t.animations), 0.0);
    tracks_.push_back(std::move(t));
    return static_cast<int>(tracks_.size()) - 1;
}

int FlightLog::gear_animation(int v) const {
    if (v < 0 || v >= vessel_count()) return -1;
    const Track& t = tracks_[static_cast<std::size_t>(v)];
    return t.aircraft ? t.aircraft->gear : -1;
}

void FlightLog::note(int v, double time, const std::string& what) {
    if (v < 0 || v >= vessel_count()) return;
    tracks_[static_cast<std::size_t>(v)].events.push_back({time, what, true});
}

void FlightLog::look_for_events(Track& t, const Sample& s) {
    const Sample& p = t.last;
    auto event = [&](const std::string& what) { t.events.push_back({s.time, what, false}); };
    if (p.ground != 0 && s.ground == 0) event("lifts off");
    if (p.ground == 0 && s.ground != 0) event("touches down");
    // Each maximum thrust the envelope sets, the first time it is seen.
    if (std::find(t.thrust_maxima.begin(), t.thrust_maxima.end(), s.thrust_max) ==
        t.thrust_maxima.end()) {
        t.thrust_maxima.push_back(s.thrust_max);
        event("maximum thrust " + fixed(s.thrust_max, 0) + " N");
    }
    if (p.gear == 0 && s.gear > 0) event("gear retracting");
    if (p.gear < 1 && s.gear >= 1) event("gear up");
    if (p.gear == 1 && s.gear < 1) event("gear extending");
    if (p.gear > 0 && s.gear <= 0) event("gear down");
    if (p.flaps < 1 && s.flaps >= 1) event("flaps out");
    if (p.flaps > 0 && s.flaps <= 0) event("flaps in");
    if (p.lights == 0 && s.lights > 0) event("lights on");
    if (p.lights > 0 && s.lights == 0) event("lights off");
}

void FlightLog::record(int v, const Sample& s, const double* anims, int count) {
    if (v < 0 || v >= vessel_count()) return;
    Track& t = tracks_[static_cast<std::size_t>(v)];
    if (!t.started) t.thrust_maxima.push_back(s.thrust_max);
    if (t.started) {
        look_for_events(t, s);
        t.distance +=
            std::sqrt((s.x - t.last.x) * (s.x - t.last.x) + (s.z - t.last.z) * (s.z - t.last.z));
    }
    for (int i = 0; i < t.animations; ++i)
        t.last_anims[static_cast<std::size_t>(i)] = anims && i < count ? anims[i] : 0.0;
    if (!t.started || t.steps % every_ == 0) {
        put_row(t.rows, s);
        t.rows.insert(t.rows.end(), t.last_anims.begin(), t.last_anims.end());
    }
    t.top_altitude = t.started ? std::max(t.top_altitude, s.altitude) : s.altitude;
    t.top_airspeed = t.started ? std::max(t.top_airspeed, s.airspeed) : s.airspeed;
    t.end_time = s.time;
    t.last = s;
    t.started = true;
    ++t.steps;
}

bool FlightLog::all_finite() const {
    for (const Track& t : tracks_)
        for (double x : t.rows)
            if (!std::isfinite(x)) return false;
    return true;
}

std::string FlightLog::column_name(const Track& t, int c) const {
    if (c < kFixed) return kColumns[c];
    const int a = c - kFixed;
    if (t.aircraft && a < static_cast<int>(t.aircraft->animations.size()))
        return std::string("anim_") + t.aircraft->animations[static_cast<std::size_t>(a)];
    return "anim_" + std::to_string(a);
}

void FlightLog::summary(std::FILE* out) const {
    for (const Track& t : tracks_) {
        std::fprintf(out, "\n%s (%s)\n", t.name.c_str(), t.plugin.c_str());
        std::fprintf(out, "  %-14s %10.1f s\n", "flight time", t.end_time);
        std::fprintf(out, "  %-14s %10.2f km\n", "distance", t.distance / 1000);
        std::fprintf(out, "  %-14s %10.0f m\n", "top altitude", t.top_altitude);
        std::fprintf(out, "  %-14s %10.1f m/s\n", "top airspeed", t.top_airspeed);
        std::fprintf(out, "  %-14s %10.0f kg\n", "fuel left", t.last.fuel);
        if (t.events.empty()) continue;
        std::fprintf(out, "  events\n");
        for (const Event& e : t.events)
            std::fprintf(out, "  %12.2f s  %s%s\n", e.time, e.pilot ? "pilot: " : "",
                         e.what.c_str());
    }
}

bool FlightLog::write_csv(const Track& t, const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    const int cols = kFixed + t.animations;
    for (int c = 0; c < cols; ++c) out << (c ? "," : "") << column_name(t, c);
    out << '\n';
    for (std::size_t r = 0; r + static_cast<std::size_t>(cols) <= t.rows.size();
         r += static_cast<std::size_t>(cols)) {
        for (int c = 0; c < cols; ++c)
            out << (c ? "," : "") << num(t.rows[r + static_cast<std::size_t>(c)]);
        out << '\n';
    }
    return static_cast<bool>(out.flush());
}

std::string FlightLog::svg(const Track& t) const {
    const int cols = kFixed + t.animations;
    const std::size_t n = t.rows.size() / static_cast<std::size_t>(cols);
    auto at = [&](std::size_t r, int c) {
        return t.rows[r * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)];
    };
    const double t_end = n ? std::max(at(n - 1, kTime), 1e-9) : 1.0;

    // Layout: panels stacked on one time axis; instruments as one strip each.
    constexpr double kWidth = 1000, kLeft = 100, kRight = 150, kPlot = kWidth - kLeft - kRight;
    constexpr double kPanel = 150, kGap = 34, kStrip = 26, kTop = 80;
    struct Series {
        const char* label;
        int col;
        double scale;
        int times;  // another column to multiply by, or -1
        bool dashed = false;
    };
    struct Panel {
        const char* title;
        std::vector<Series> series;
        std::vector<double> limits;
    };
    const Aircraft* ac = t.aircraft;
    const std::vector<Panel> panels = {
        {"Altitude (m)",
         {{"altitude", kAltitude, 1, -1}},
         ac ? ac->altitude_limits : std::vector<double>{}},
        {"Airspeed (m/s)",
         {{"airspeed", kAirspeed, 1, -1}},
         ac ? ac->airspeed_limits : std::vector<double>{}},
        {"Thrust (kN)",
         {{"maximum", kThrustMax, 0.001, -1, true}, {"thrust", kThrust, 0.001, kThrustMax}},
         {}},
        {"Attitude (deg)",
         {{"pitch", kPitch, kDegrees, -1},
          {"bank", kBank, kDegrees, -1},
          {"aoa", kAoa, kDegrees, -1}},
         {}},
        {"Gear, flaps, lights",
         {{"gear up", kGear, 1, -1},
          {"flaps", kFlaps, 1, -1},
          {"lights on", kLights, 1, -1},
          {"on ground", kGround, 1, -1}},
         {}},
    };
    const double instruments_top = kTop + static_cast<double>(panels.size()) * (kPanel + kGap) + 20;
    const double height = instruments_top + 30 + t.animations * kStrip + 20;
    auto x_of = [&](double time) { return kLeft + kPlot * time / t_end; };

    std::ostringstream o;
    o << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << height
      << "\" viewBox=\"0 0 " << kWidth << ' ' << height
      << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
      << "<text x=\"" << kLeft << "\" y=\"24\" font-size=\"18\" font-weight=\"bold\">"
      << escape(t.name) << " (" << escape(t.plugin) << "): " << fixed(t.end_time, 1)
      << " s, top altitude " << fixed(t.top_altitude, 0) << " m, top airspeed "
      << fixed(t.top_airspeed, 1) << " m/s</text>\n";

    // One polyline per series, at most two points per pixel column (the
    // lowest and highest value there), so spikes survive the thinning.
    auto polyline = [&](double y0, double h, double lo, double hi, auto value, const char* colour,
                        double width, bool dashed) {
        const double span = hi > lo ? hi - lo : 1;
        auto y_of = [&](double v) { return y0 + h - h * (std::clamp(v, lo, hi) - lo) / span; };
        o << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"" << width
          << (dashed ? "\" stroke-dasharray=\"6,3" : "") << "\" points=\"";
        const int buckets = static_cast<int>(kPlot);
        std::size_t r = 0;
        for (int b = 0; b < buckets && r < n; ++b) {
            const double b_end = t_end * (b + 1) / buckets;
            double mn = value(r), mx = mn;
            std::size_t first = r, i_mn = r, i_mx = r;
            for (; r < n && (at(r, kTime) <= b_end || r == first); ++r) {
                const double v = value(r);
                if (v < mn) mn = v, i_mn = r;
                if (v > mx) mx = v, i_mx = r;
            }
            const double x = x_of(at(first, kTime));
            if (i_mn <= i_mx) {
                o << fixed(x, 1) << ',' << fixed(y_of(mn), 1) << ' ';
                if (mx != mn) o << fixed(x, 1) << ',' << fixed(y_of(mx), 1) << ' ';
            } else {
                o << fixed(x, 1) << ',' << fixed(y_of(mx), 1) << ' ' << fixed(x, 1) << ','
                  << fixed(y_of(mn), 1) << ' ';
            }
        }
        o << "\"/>\n";
    };

    // Event markers: a numbered line through every panel, listed on the right.
    const double plots_bottom = height - 20;
    int number = 0;
    double row_end[3] = {-1e9, -1e9, -1e9};  // a label goes in the first row with room
    for (const Event& e : t.events) {
        ++number;
        const double x = x_of(e.time);
        int row = 0;
        while (row < 2 && x - row_end[row] < 16) ++row;
        row_end[row] = x;
        o << "<line x1=\"" << fixed(x, 1) << "\" y1=\"" << kTop - 14 << "\" x2=\"" << fixed(x, 1)
          << "\" y2=\"" << plots_bottom << "\" stroke=\"" << (e.pilot ? "#bbbbbb" : "#e08080")
          << "\" stroke-dasharray=\"3,3\"/>\n"
          << "<text x=\"" << fixed(x, 1) << "\" y=\"" << kTop - 18 - 11 * row
          << "\" text-anchor=\"middle\" font-size=\"10\" fill=\""
          << (e.pilot ? "#888888" : "#c03030") << "\">" << number << "</text>\n";
    }

    for (std::size_t p = 0; p < panels.size(); ++p) {
        const Panel& panel = panels[p];
        const double y0 = kTop + static_cast<double>(p) * (kPanel + kGap);
        double lo = 0, hi = 0;
        bool any = false;
        for (const Series& s : panel.series)
            for (std::size_t r = 0; r < n; ++r) {
                const double v = at(r, s.col) * s.scale * (s.times >= 0 ? at(r, s.times) : 1);
                if (!std::isfinite(v)) continue;
                lo = any ? std::min(lo, v) : v;
                hi = any ? std::max(hi, v) : v;
                any = true;
            }
        for (double l : panel.limits) hi = std::max(hi, l * 1.05);
        lo = std::min(lo, 0.0);
        if (hi - lo < 1e-9) hi = lo + 1;
        const double step = tick_step(hi - lo, 4);
        lo = std::floor(lo / step) * step;
        hi = std::ceil(hi / step) * step;
        auto y_of = [&](double v) { return y0 + kPanel - kPanel * (v - lo) / (hi - lo); };

        o << "<text x=\"" << kLeft << "\" y=\"" << y0 - 6 << "\" font-weight=\"bold\">"
          << panel.title << "</text>\n"
          << "<rect x=\"" << kLeft << "\" y=\"" << y0 << "\" width=\"" << kPlot << "\" height=\""
          << kPanel << "\" fill=\"none\" stroke=\"#999999\"/>\n";
        for (double v = lo; v <= hi + step / 2; v += step) {
            o << "<line x1=\"" << kLeft << "\" y1=\"" << fixed(y_of(v), 1) << "\" x2=\""
              << kLeft + kPlot << "\" y2=\"" << fixed(y_of(v), 1)
              << "\" stroke=\"#eeeeee\"/>\n<text x=\"" << kLeft - 6 << "\" y=\""
              << fixed(y_of(v) + 4, 1) << "\" text-anchor=\"end\">" << tick(v, step) << "</text>\n";
        }
        for (double l : panel.limits)
            o << "<line x1=\"" << kLeft << "\" y1=\"" << fixed(y_of(l), 1) << "\" x2=\""
              << kLeft + kPlot << "\" y2=\"" << fixed(y_of(l), 1)
              << "\" stroke=\"#c03030\" stroke-dasharray=\"8,4\"/>\n<text x=\"" << kLeft + kPlot + 6
              << "\" y=\"" << fixed(y_of(l) + 4, 1) << "\" fill=\"#c03030\">limit " << fixed(l, 0)
              << "</text>\n";
        int colour = 0;
        double legend_y = y0 + 14;
        for (const Series& s : panel.series) {
            const char* c = kPalette[colour++ % std::size(kPalette)];
            polyline(
                y0, kPanel, lo, hi,
                [&](std::size_t r) {
                    const double v = at(r, s.col) * s.scale * (s.times >= 0 ? at(r, s.times) : 1);
                    return std::isfinite(v) ? v : 0.0;
                },
                c, 1.5, s.dashed);
            if (panel.series.size() > 1) {
                o << "<text x=\"" << kLeft + kPlot + 6 << "\" y=\"" << legend_y << "\" fill=\"" << c
                  << "\">" << s.label << "</text>\n";
                legend_y += 15;
            }
        }
        // Time axis under every panel.
        const double ts = tick_step(t_end, 10);
        for (double tt = 0; tt <= t_end + 1e-9; tt += ts)
            o << "<text x=\"" << fixed(x_of(tt), 1) << "\" y=\"" << y0 + kPanel + 14
              << "\" text-anchor=\"middle\" font-size=\"10\" fill=\"#555555\">" << tick(tt, ts)
              << "</text>\n";
    }
    o << "<text x=\"" << kLeft + kPlot << "\" y=\""
      << kTop + static_cast<double>(panels.size()) * (kPanel + kGap) - kGap + 28
      << "\" text-anchor=\"end\" fill=\"#555555\">time (s)</text>\n";

    // The cockpit instruments and every other animation, one strip each,
    // each scaled to its own range (written beside it).
    o << "<text x=\"" << kLeft << "\" y=\"" << instruments_top + 10
      << "\" font-weight=\"bold\">Animation states (cockpit instruments, moving parts)</text>\n";
    for (int a = 0; a < t.animations; ++a) {
        const int c = kFixed + a;
        const double y0 = instruments_top + 24 + a * kStrip;
        double lo = 0, hi = 0;
        for (std::size_t r = 0; r < n; ++r) {
            const double v = at(r, c);
            if (!std::isfinite(v)) continue;
            lo = r ? std::min(lo, v) : v;
            hi = r ? std::max(hi, v) : v;
        }
        o << "<text x=\"" << kLeft - 6 << "\" y=\"" << y0 + kStrip / 2 + 4
          << "\" text-anchor=\"end\" font-size=\"10\">" << column_name(t, c).substr(5)
          << "</text>\n"
          << "<rect x=\"" << kLeft << "\" y=\"" << y0 + 2 << "\" width=\"" << kPlot
          << "\" height=\"" << kStrip - 4 << "\" fill=\"#f7f7f7\"/>\n";
        polyline(
            y0 + 3, kStrip - 6, lo, hi,
            [&](std::size_t r) { return std::isfinite(at(r, c)) ? at(r, c) : 0.0; },
            kPalette[a % std::size(kPalette)], 1.0, false);
        o << "<text x=\"" << kLeft + kPlot + 6 << "\" y=\"" << y0 + kStrip / 2 + 4
          << "\" font-size=\"10\" fill=\"#555555\">" << fixed(lo, 3) << " .. " << fixed(hi, 3)
          << "</text>\n";
    }
    o << "</svg>\n";
    return o.str();
}

bool FlightLog::write_report(const std::string& dir, std::string* why) const {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        if (why) *why = "cannot create the report folder '" + dir + "'";
        return false;
    }
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>vmhost flight "
            "report</title>\n<style>body{font-family:sans-serif;margin:2em;max-width:1040px}"
            "table{border-collapse:collapse;margin:0.5em 0 1.5em}td,th{padding:2px 10px;text-align:"
            "left;border-bottom:1px solid #ddd}td.n{text-align:right}.pilot{color:#777}"
            "</style></head>\n<body>\n<h1>Flight report</h1>\n";
    for (const Track& t : tracks_) {
        const std::string base = dir + "/" + t.name;
        if (!write_csv(t, base + ".csv")) {
            if (why) *why = "cannot write '" + base + ".csv'";
            return false;
        }
        const std::string picture = svg(t);
        std::ofstream svg_file(base + ".svg", std::ios::binary);
        svg_file << picture;
        if (!svg_file.flush()) {
            if (why) *why = "cannot write '" + base + ".svg'";
            return false;
        }
        html
            << "<h2>" << escape(t.name) << " (" << escape(t.plugin) << ")</h2>\n<table>"
            << "<tr><td>flight time</td><td class=n>" << fixed(t.end_time, 1) << " s</td></tr>"
            << "<tr><td>distance</td><td class=n>" << fixed(t.distance / 1000, 2)
            << " km</td></tr><tr><td>top altitude</td><td class=n>" << fixed(t.top_altitude, 0)
            << " m</td></tr><tr><td>top airspeed</td><td class=n>" << fixed(t.top_airspeed, 1)
            << " m/s</td></tr><tr><td>fuel left</td><td class=n>" << fixed(t.last.fuel, 0)
            << " kg</td></tr></table>\n<table><tr><th>#</th><th>time (s)</th><th>event</th></tr>\n";
        int number = 0;
        for (const Event& e : t.events)
            html << "<tr" << (e.pilot ? " class=pilot" : "") << "><td>" << ++number
                 << "</td><td class=n>" << fixed(e.time, 2) << "</td><td>"
                 << (e.pilot ? "pilot: " : "") << escape(e.what) << "</td></tr>\n";
        html << "</table>\n<p>Data: <a href=\"" << escape(t.name) << ".csv\">" << escape(t.name)
             << ".csv</a> (one row every " << fixed(0.02 * every_, 2)
             << " s). Numbered marks in the charts are the events above.</p>\n"
             << picture;
    }
    html << "</body></html>\n";
    std::ofstream index(dir + "/index.html", std::ios::binary);
    index << html.str();
    if (!index.flush()) {
        if (why) *why = "cannot write '" + dir + "/index.html'";
        return false;
    }
    return true;
}

}  // namespace vmhost
