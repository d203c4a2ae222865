// The report page, index.html, one self-contained file: per vessel its
// cockpit panel, charts, ground track, summary and events, drawn in the page
// from its flight log, embedded. Its files:
//   page.h/.cpp    (this) the page's HTML and the embedded log
//   page.js        the cockpit replay: charts, ground track, the time
//                  controls and the address (#t=, zoom, units)
//   panel.js       the cockpit panel's gauges and readings, which the live
//                  page draws too
//   page.css       its style, for screens of any size and for print
//   player.html    the time controls at the top of the page
//   vendor/        the chart library page.js draws with, with its licence
//   assets.h.in    all of these as C++ strings, generated at build time
// The standalone SVG picture of the charts is report.cpp's.
#pragma once

#include <string>

#include "flightlog.h"

namespace vmhost {

struct Aircraft;

// A JSON string; '<' escaped too, so that no "</script>" can end the block.
std::string json_string(const std::string& s);
// A JSON number to `digits` significant digits; null when not finite.
std::string json_number(double v, int digits = 10);
// An aircraft's cockpit panel and flight-envelope limits as page.js and
// panel.js read them; an empty panel and no limits for an unknown plug-in.
std::string panel_json(const Aircraft* a);
std::string limits_json(const Aircraft* a);

// Text as it may stand in HTML or SVG.
std::string escape(const std::string& s);

// The page: its start (its title and heading), one section per track, its
// end. A track's files are STEM.csv and STEM.svg; a later vessel of a name
// has a stem of its own (flightlog.h), shown beside its name.
//
// A track may come with a ghost, another flight of the same vessel (vmhost
// compare's OLD beside NEW): its needles drawn over the panel's, its lines
// beside the track's in every chart, its summary in a column of its own.
// `files`: the track's CSV and SVG files lie beside the page.
std::string page_start(const std::string& title = "vmhost flight report",
                       const std::string& heading = "Flight report");
std::string page_track(const FlightLog::Track& t, const std::string& stem, double row_seconds,
                       const FlightLog::Track* ghost = nullptr, bool files = true);
std::string page_end();

}  // namespace vmhost
