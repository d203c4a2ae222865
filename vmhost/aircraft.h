// The aircraft vmhost knows by name: `load NAME` and `vmhost fly NAME` find
// their plug-in and default flight here, and the flight report their
// animations and flight envelope. Adding an aircraft is one row in the table
// of aircraft.cpp and its default flight, examples/fly-NAME.vms, built in for
// every name of the build's VM_AIRCRAFT.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vmhost {

struct Aircraft {
    const char* name;                     // as scenarios and the command line give it
    const char* library;                  // file stem of its plug-in library (library::plugin_file)
    const char* flight;                   // its default flight: the text of examples/fly-NAME.vms
    std::vector<const char*> animations;  // in the order the plug-in creates them
    int gear;                             // animation id of the landing gear, or -1
    // The limits of its flight envelope, drawn into the report's charts.
    std::vector<double> airspeed_limits;  // m/s
    std::vector<double> altitude_limits;  // m
};

std::span<const Aircraft> all_aircraft();

// The aircraft called `name`, or null.
const Aircraft* find_aircraft(std::string_view name);

// Their names in table order, joined by `separator`, the last two by `last`:
// aircraft_names("|", "|") or aircraft_names(", ", " or ").
std::string aircraft_names(const char* separator, const char* last);

}  // namespace vmhost
