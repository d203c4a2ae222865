// The report page, index.html, one self-contained file: per vessel its
// summary, events, cockpit panel and charts, with its flight log embedded for
// the panel. Its files:
//   page.h/.cpp    (this) the page's HTML and the embedded log
//   page.js        the cockpit replay: gauges, time slider, chart cursor, #t=
//   page.css       its style
//   assets.h.in    page.js and page.css as C++ strings, generated at build time
// The charts themselves are report.cpp's.
#pragma once

#include <string>

#include "flightlog.h"

namespace vmhost {

// Where a track's charts put time: x0 at time 0, x1 at t1, the plots running
// from y0 down to y1 (SVG coordinates).
struct ChartFrame {
    double x0, x1, t1, y0, y1;
};

// Text as it may stand in HTML or SVG.
std::string escape(const std::string& s);

// The page: its start, one section per track, its end. A track's files are
// STEM.csv and STEM.svg; a later vessel of a name has a stem of its own
// (flightlog.h), shown beside its name.
std::string page_start();
std::string page_track(const FlightLog::Track& t, const std::string& stem, double row_seconds,
                       const std::string& chart, const ChartFrame& frame);
std::string page_end();

}  // namespace vmhost
