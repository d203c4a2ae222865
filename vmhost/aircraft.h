// The aircraft vmhost knows by name: `load NAME` and `vmhost fly NAME` find
// their plug-in and default flight here, and the flight report their
// animations, flight envelope and cockpit panel. Adding an aircraft is one row
// in the table of aircraft.cpp and its default flight, examples/fly-NAME.vms,
// built in for every name of the build's VM_AIRCRAFT with the aircraft's
// outline (NAME/outline.h), from which the row takes its animations and limits.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vmhost {

inline constexpr double kDegrees = 57.29577951308232;  // per radian

// The report's cockpit panel is drawn from the columns of the flight log. An
// indicator (a needle, a counter drum, a bar's marker, a lamp, the horizon's
// pitch or bank) shows value = offset + scale * state of one column, an
// animation's state as the plug-in set it, wrapped into 0..period when a
// period is given (a needle that turns round and round). Where the gauge shows
// something the flight model knows, `model` names that column and
// `model_scale` brings it into the gauge's unit, wrapped alike, so that the
// page can set the two side by side.
struct Indicator {
    std::string column;
    double offset = 0, scale = 1, period = 0;
    const char* name = "";  // beside its value, where a gauge has several
    const char* model = nullptr;
    double model_scale = 1;
    // Moves on only when the faster needle before it completes a turn (a
    // clock's minute hand here), so it shows whole turns of that needle.
    bool stepped = false;

    Indicator named(const char* n) const {
        Indicator i = *this;
        i.name = n;
        return i;
    }
    Indicator like(const char* reading, double factor = 1) const {
        Indicator i = *this;
        i.model = reading;
        i.model_scale = factor;
        return i;
    }
    Indicator stepping() const {
        Indicator i = *this;
        i.stepped = true;
        return i;
    }
};

// How a gauge is drawn and read: a dial with needles over a face; counter
// drums, the indicators ones first, read as one number; an attitude
// indicator (indicators named "pitch" and "bank", in degrees); a bank
// indicator (one named "bank"); a bar from lo to hi; a lamp, lit above 0.
// Needles of a dial that show one reading, each turning once per its period
// (an altimeter's 100 m and 1000 m needles, a clock's hands), fastest first,
// are read together as one number, as a pilot reads them.
enum class GaugeKind { dial, drum, horizon, bank, bar, lamp };

// A dial's face runs from lo at `start` degrees (clockwise from the top) to hi
// at start + sweep, with a tick every `tick` and a number every `labels`; a
// needle with a period makes one turn per period instead. A bar runs from lo
// to hi.
struct Face {
    double lo = 0, hi = 1, start = 0, sweep = 360, tick = 0, labels = 0;
};

// A value a gauge may show that has a meaning in words: gear 1 "up".
struct Meaning {
    double value;
    const char* words;
};

struct Gauge {
    GaugeKind kind;
    const char* label;  // its name
    const char* unit;
    int decimals;  // shown; a value within one unit of the last decimal agrees
    Face face;
    std::vector<Indicator> indicators;
    std::vector<Meaning> meanings = {};
};

// A key the aircraft answers, what it does in a pilot's words, and the gauge
// of its panel that shows the key taking effect on the ground, if one does.
// The live page lists them, and its test presses each one.
struct KeyUse {
    const char* key;  // the key's name, as a scenario's `key` command gives it
    const char* does;
    const char* gauge = nullptr;  // a panel gauge's label
};

struct Aircraft {
    const char* name;                     // as scenarios and the command line give it
    const char* library;                  // file stem of its plug-in library (library::plugin_file)
    const char* flight;                   // its default flight: the text of examples/fly-NAME.vms
    std::vector<const char*> animations;  // in the order the plug-in creates them (its outline)
    int gear;                             // animation id of the landing gear, or -1
    // The limits of its flight envelope, drawn into the report's charts.
    std::vector<double> airspeed_limits;  // m/s
    std::vector<double> altitude_limits;  // m
    double stall_aoa;                     // rad: the wing's lift is greatest there
    std::vector<Gauge> panel;             // the report's cockpit panel, in reading order
    std::vector<KeyUse> keys;             // the keys it answers
};

std::span<const Aircraft> all_aircraft();

// The aircraft called `name`, or null.
const Aircraft* find_aircraft(std::string_view name);

// The aircraft's example scenario, examples/NAME.vms, built in; empty where
// it has none.
std::string_view example_scenario(const Aircraft& a);

// Their names in table order, joined by `separator`, the last two by `last`:
// aircraft_names("|", "|") or aircraft_names(", ", " or ").
std::string aircraft_names(const char* separator, const char* last);
// Their names in table order.
std::vector<std::string> aircraft_list();

// The file of an aircraft's plug-in library: beside vmhost in a build, in
// the Modules folder beside vmhost's own folder once installed.
std::string plugin_path(const Aircraft& a);

}  // namespace vmhost
