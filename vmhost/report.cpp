// The report of the flight log: per vessel a CSV file (csv.cpp) and an SVG
// picture of charts, built element by element with the small helpers of Svg,
// and index.html (report/page.cpp) showing the summary, the events, the
// cockpit panel and the charts of them all.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "aircraft.h"
#include "files.h"
#include "flightlog.h"
#include "reader.h"
#include "report/page.h"

namespace vmhost {
namespace {

// Attribute values as the charts write them: positions along the data to a
// tenth of a pixel (px), the layout's own positions and sizes as %g (num).
std::string px(double v) {
    return fixed(v, 1);
}
std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
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

struct Attr {
    const char* name;
    std::string value;
};
using Attrs = std::initializer_list<Attr>;

// An SVG picture, written element by element, one element a line: first the
// element's place, then its style.
class Svg {
  public:
    Svg(double width, double height) {
        start("svg",
              {{"xmlns", "http://www.w3.org/2000/svg"},
               {"width", num(width)},
               {"height", num(height)},
               {"viewBox", "0 0 " + num(width) + ' ' + num(height)}},
              {{"font-family", "sans-serif"}, {"font-size", "12"}});
        out_ += ">\n";
    }
    void line(const std::string& x1, const std::string& y1, const std::string& x2,
              const std::string& y2, Attrs style) {
        empty("line", {{"x1", x1}, {"y1", y1}, {"x2", x2}, {"y2", y2}}, style);
    }
    void rect(const std::string& x, const std::string& y, const std::string& width,
              const std::string& height, Attrs style) {
        empty("rect", {{"x", x}, {"y", y}, {"width", width}, {"height", height}}, style);
    }
    void background(const char* colour) {
        empty("rect", {{"width", "100%"}, {"height", "100%"}}, {{"fill", colour}});
    }
    void text(const std::string& x, const std::string& y, std::string_view content,
              Attrs style = {}) {
        start("text", {{"x", x}, {"y", y}}, style);
        out_ += '>';
        out_ += content;
        out_ += "</text>\n";
    }
    // The points come last: they are most of the picture.
    void polyline(const char* colour, double width, bool dashed, const std::string& points) {
        const Attrs style = {{"fill", "none"}, {"stroke", colour}, {"stroke-width", num(width)}};
        if (dashed) {
            start("polyline", style, {{"stroke-dasharray", "6,3"}});
        } else {
            start("polyline", style, {});
        }
        out_ += " points=\"" + points + "\"/>\n";
    }
    std::string finish() { return out_ + "</svg>\n"; }

  private:
    // "<NAME" and the attributes; the caller closes the tag.
    void start(const char* name, Attrs place, Attrs style) {
        out_ += '<';
        out_ += name;
        for (Attrs attrs : {place, style})
            for (const Attr& a : attrs) out_ += ' ' + std::string(a.name) + "=\"" + a.value + '"';
    }
    void empty(const char* name, Attrs place, Attrs style) {
        start(name, place, style);
        out_ += "/>\n";
    }

    std::string out_;
};

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

// Readings beyond this, and those not finite, are drawn at the edge of their
// chart and counted beside its title: no coordinate is ever nan or infinite.
constexpr double kHuge = 1e15;

// Where things go in the picture.
struct Layout {
    static constexpr double kWidth = 1000, kLeft = 100, kRight = 150,
                            kPlot = kWidth - kLeft - kRight;
    static constexpr double kPanel = 150, kGap = 34, kStrip = 26, kTop = 80;
    double t_end;
    double x_of(double time) const { return kLeft + kPlot * time / t_end; }
};

std::vector<Panel> panels_of(const Aircraft* ac) {
    return {
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
}

// The range of the finite readings within kHuge of a set of columns, and how
// many readings lie outside it.
struct Span {
    double lo = 0, hi = 0;
    bool any = false;
    long long outside = 0;
    void add(double v) {
        if (!(std::fabs(v) <= kHuge)) {
            ++outside;
            return;
        }
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
};

// One polyline through a series of `n` rows, from y0 + h (at lo) up to y0 (at
// hi), at most two points per pixel column (the lowest and highest value
// there), so spikes survive the thinning. A reading out of range is drawn at
// the edge it lies beyond, nan at the bottom.
template <class Value>
void plot(Svg& svg, const FlightLog::Track& t, const Layout& at, double y0, double h, double lo,
          double hi, Value value, const char* colour, double width, bool dashed) {
    const std::size_t n = t.row_count();
    const double span = hi > lo ? hi - lo : 1;
    auto y_of = [&](double v) {
        return y0 + h - h * (std::isnan(v) ? 0 : (std::clamp(v, lo, hi) - lo) / span);
    };
    std::string points;
    auto point = [&](double x, double y) { points += px(x) + ',' + px(y_of(y)) + ' '; };
    const int buckets = static_cast<int>(Layout::kPlot);
    std::size_t r = 0;
    for (int b = 0; b < buckets && r < n; ++b) {
        const double b_end = at.t_end * (b + 1) / buckets;
        double mn = value(r), mx = mn;
        std::size_t first = r, i_mn = r, i_mx = r;
        for (; r < n && (t.at(r, kTime) <= b_end || r == first); ++r) {
            const double v = value(r);
            if (v < mn || std::isnan(mn)) mn = v, i_mn = r;
            if (v > mx || std::isnan(mx)) mx = v, i_mx = r;
        }
        const double x = at.x_of(std::clamp(t.at(first, kTime), 0.0, at.t_end));
        if (i_mn <= i_mx) {
            point(x, mn);
            if (mx != mn) point(x, mx);
        } else {
            point(x, mx);
            point(x, mn);
        }
    }
    svg.polyline(colour, width, dashed, points);
}

// The events: a dashed line through every chart at each (a band over a
// range), their numbers above, one label for events too close together to
// tell apart ("4-7").
void draw_events(Svg& svg, const FlightLog::Track& t, const Layout& at, double bottom) {
    const auto& events = t.events;
    const double top = Layout::kTop - 14;
    double free_from = -1e9;  // where the next label may start
    for (std::size_t i = 0; i < events.size();) {
        std::size_t j = i + 1;
        const double x = at.x_of(std::clamp(events[i].time, 0.0, at.t_end));
        while (j < events.size() && at.x_of(std::clamp(events[j].time, 0.0, at.t_end)) - x < 16)
            ++j;
        for (std::size_t k = i; k < j; ++k) {
            const FlightLog::Event& e = events[k];
            const double xk = at.x_of(std::clamp(e.time, 0.0, at.t_end));
            if (e.range())
                svg.rect(px(xk), num(top), px(at.x_of(std::clamp(e.end, e.time, at.t_end)) - xk),
                         num(bottom - top), {{"fill", "#e08080"}, {"fill-opacity", "0.12"}});
            svg.line(px(xk), num(top), px(xk), num(bottom),
                     {{"stroke", e.pilot ? "#bbbbbb" : "#e08080"}, {"stroke-dasharray", "3,3"}});
        }
        std::string label = std::to_string(i + 1);
        if (j > i + 1) label += '-' + std::to_string(j);
        const double width = 6.0 * static_cast<double>(label.size());
        const double lx = std::max(x, free_from + width / 2);
        svg.text(px(lx), num(top - 4), label,
                 {{"text-anchor", "middle"},
                  {"font-size", "10"},
                  {"fill", events[i].pilot ? "#666666" : "#c03030"}});
        free_from = lx + width / 2 + 4;
        i = j;
    }
}

// One chart of stacked series: its frame, ticks, limits, lines and legend.
void draw_panel(Svg& svg, const FlightLog::Track& t, const Layout& at, const Panel& panel,
                double y0) {
    const std::size_t n = t.row_count();
    const std::string left = num(Layout::kLeft), right = num(Layout::kLeft + Layout::kPlot),
                      beside = num(Layout::kLeft + Layout::kPlot + 6),
                      before = num(Layout::kLeft - 6);
    auto value = [&](const Series& s, std::size_t r) {
        return t.at(r, s.col) * s.scale * (s.times >= 0 ? t.at(r, s.times) : 1);
    };
    Span span;
    for (const Series& s : panel.series)
        for (std::size_t r = 0; r < n; ++r) span.add(value(s, r));
    double lo = span.lo, hi = span.hi;
    for (double l : panel.limits) hi = std::max(hi, l * 1.05);
    lo = std::min(lo, 0.0);
    // No span: 1, or a billionth of values so large that 1 would not move the
    // ticks below.
    if (hi - lo < 1e-9) hi = lo + std::max(1.0, std::fabs(lo) * 1e-9);
    const double step = tick_step(hi - lo, 4);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    auto y_of = [&](double v) {
        return y0 + Layout::kPanel - Layout::kPanel * (v - lo) / (hi - lo);
    };

    svg.text(left, num(y0 - 6), panel.title, {{"font-weight", "bold"}});
    if (span.outside)
        svg.text(right, num(y0 - 6),
                 std::to_string(span.outside) + " readings not finite or beyond 1e15, at the edge",
                 {{"text-anchor", "end"}, {"fill", "#c03030"}});
    svg.rect(left, num(y0), num(Layout::kPlot), num(Layout::kPanel),
             {{"fill", "none"}, {"stroke", "#999999"}});
    for (double v = lo; v <= hi + step / 2 && v + step > v; v += step) {
        svg.line(left, px(y_of(v)), right, px(y_of(v)), {{"stroke", "#eeeeee"}});
        svg.text(before, px(y_of(v) + 4), tick(v, step), {{"text-anchor", "end"}});
    }
    for (double l : panel.limits) {
        svg.line(left, px(y_of(l)), right, px(y_of(l)),
                 {{"stroke", "#c03030"}, {"stroke-dasharray", "8,4"}});
        svg.text(beside, px(y_of(l) + 4), "limit " + fixed(l, 0), {{"fill", "#c03030"}});
    }
    int colour = 0;
    double legend_y = y0 + 14;
    for (const Series& s : panel.series) {
        const char* c = kPalette[colour++ % std::size(kPalette)];
        plot(
            svg, t, at, y0, Layout::kPanel, lo, hi, [&](std::size_t r) { return value(s, r); }, c,
            1.5, s.dashed);
        if (panel.series.size() > 1) {
            svg.text(beside, num(legend_y), s.label, {{"fill", c}});
            legend_y += 15;
        }
    }
    // The time axis under every chart.
    const double ts = tick_step(at.t_end, 10);
    for (double tt = 0; tt <= at.t_end + 1e-9; tt += ts)
        svg.text(px(at.x_of(tt)), num(y0 + Layout::kPanel + 14), tick(tt, ts),
                 {{"text-anchor", "middle"}, {"font-size", "10"}, {"fill", "#555555"}});
}

// The cockpit instruments and every other animation, one strip each, each
// scaled to its own range (written beside it).
void draw_animations(Svg& svg, const FlightLog::Track& t, const Layout& at, double top) {
    const std::string left = num(Layout::kLeft), beside = num(Layout::kLeft + Layout::kPlot + 6),
                      before = num(Layout::kLeft - 6);
    svg.text(left, num(top + 10), "Animation states (cockpit instruments, moving parts)",
             {{"font-weight", "bold"}});
    for (int a = 0; a < t.animations; ++a) {
        const int c = kFixedColumns + a;
        const double y0 = top + 24 + a * Layout::kStrip;
        Span span;
        for (std::size_t r = 0; r < t.row_count(); ++r) span.add(t.at(r, c));
        svg.text(before, num(y0 + Layout::kStrip / 2 + 4), t.column_name(c).substr(5),
                 {{"text-anchor", "end"}, {"font-size", "10"}});
        svg.rect(left, num(y0 + 2), num(Layout::kPlot), num(Layout::kStrip - 4),
                 {{"fill", "#f7f7f7"}});
        plot(
            svg, t, at, y0 + 3, Layout::kStrip - 6, span.lo, span.hi,
            [&](std::size_t r) { return t.at(r, c); }, kPalette[a % std::size(kPalette)], 1.0,
            false);
        svg.text(beside, num(y0 + Layout::kStrip / 2 + 4),
                 fixed(span.lo, 3) + " .. " + fixed(span.hi, 3) +
                     (span.outside ? " (" + std::to_string(span.outside) + " at the edge)" : ""),
                 {{"font-size", "10"}, {"fill", "#555555"}});
    }
}

// The charts of one track: charts stacked on one time axis with the events
// marked through them, then the animations, one strip each.
std::string chart(const FlightLog::Track& t) {
    const std::size_t n = t.row_count();
    const double last = n ? t.at(n - 1, kTime) : 1.0;
    const Layout at{std::isfinite(last) ? std::max(last, 1e-9) : 1.0};
    const std::vector<Panel> panels = panels_of(t.aircraft);
    const double charts_end =
        Layout::kTop + static_cast<double>(panels.size()) * (Layout::kPanel + Layout::kGap);
    const double instruments_top = charts_end + 20;
    const double height = instruments_top + 30 + t.animations * Layout::kStrip + 20;

    Svg svg(Layout::kWidth, height);
    svg.background("white");
    svg.text(num(Layout::kLeft), "24",
             escape(t.name) + " (" + escape(t.plugin) + "): " + fixed(t.end_time, 1) +
                 " s, top altitude " + fixed(t.top_altitude, 0) + " m, top airspeed " +
                 fixed(t.top_airspeed, 1) + " m/s",
             {{"font-size", "18"}, {"font-weight", "bold"}});
    draw_events(svg, t, at, height - 20);
    for (std::size_t p = 0; p < panels.size(); ++p)
        draw_panel(svg, t, at, panels[p],
                   Layout::kTop + static_cast<double>(p) * (Layout::kPanel + Layout::kGap));
    svg.text(num(Layout::kLeft + Layout::kPlot), num(charts_end - Layout::kGap + 28), "time (s)",
             {{"text-anchor", "end"}, {"fill", "#555555"}});
    draw_animations(svg, t, at, instruments_top);
    return svg.finish();
}

}  // namespace

bool FlightLog::write_report(const std::string& dir, const std::vector<std::string>& used,
                             std::string* why) const {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        if (why) *why = "cannot create the report folder '" + dir + "'";
        return false;
    }
    // Every file it will write, checked against those the run used before
    // any is written.
    std::vector<std::string> files;
    for (std::size_t i = 0; i < tracks_.size(); ++i)
        for (const char* extension : {".csv", ".svg"})
            files.push_back(dir + "/" + file_stem(i) + extension);
    files.push_back(dir + "/index.html");
    std::vector<std::string> keep = used;
    for (const Track& t : tracks_) keep.push_back(t.plugin);
    for (const std::string& f : files)
        for (const std::string& k : keep)
            if (same_file(f, k)) {
                if (why)
                    *why = "the report file " + quote_path(f) + " would overwrite " +
                           quote_path(k) + ", which the run used";
                return false;
            }

    std::string html = page_start();
    std::vector<std::string> written;
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        const Track& t = tracks_[i];
        const std::string stem = file_stem(i);
        const std::string base = dir + "/" + stem;
        if (!write_csv(t, base + ".csv", why) ||
            !write_file(base + ".svg", chart(t), "report", why))
            return false;
        written.insert(written.end(), {stem + ".csv", stem + ".svg"});
        html += page_track(t, stem, row_seconds());
    }
    html += page_end();
    written.emplace_back("index.html");
    return write_file(dir + "/index.html", html, "report", why) &&
           replace_report(dir, written, why);
}

}  // namespace vmhost
