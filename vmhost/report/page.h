// The report page, index.html, one self-contained file: per vessel its
// cockpit panel, charts, ground track, summary and events, drawn in the page
// from its flight log, embedded. Its files:
//   page.h/.cpp    (this) the page's HTML and the embedded log
//   page.js        the cockpit replay: gauges, charts, ground track, the time
//                  controls and the address (#t=, zoom, units)
//   page.css       its style, for screens of any size and for print
//   player.html    the time controls at the top of the page
//   vendor/        the chart library page.js draws with, with its licence
//   assets.h.in    all of these as C++ strings, generated at build time
// The standalone SVG picture of the charts is report.cpp's.
#pragma once

#include <string>

#include "flightlog.h"

namespace vmhost {

// Text as it may stand in HTML or SVG.
std::string escape(const std::string& s);

// The page: its start, one section per track, its end. A track's files are
// STEM.csv and STEM.svg; a later vessel of a name has a stem of its own
// (flightlog.h), shown beside its name.
std::string page_start();
std::string page_track(const FlightLog::Track& t, const std::string& stem, double row_seconds);
std::string page_end();

}  // namespace vmhost
