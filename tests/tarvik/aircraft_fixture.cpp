#include "aircraft_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "plugin.h"
#include "state.h"

void reset_module_state() {
    using namespace tarvik;
    for (double* d :
         {&cockpit_mode, &cockpit_swap_request, &flap_level, &refuel_request, &wheel_phase,
          &propeller_phase, &clock_seconds_state, &clock_minutes_state, &clock_hours_state,
          &altimeter_100_turns, &altimeter_1000_turns, &focus_heading}) {
        *d = 0.0;
    }
    flap_command = 0;
}

void AircraftTest::SetUp() {
    reset_module_state();
    host::reset();
    trace_file_ = std::tmpfile();
    ASSERT_NE(trace_file_, nullptr);
    host::trace_to(trace_file_);
}

void AircraftTest::TearDown() {
    while (!aircraft_.empty()) destroy(*aircraft_.front().aircraft);
    host::trace_to(nullptr);
    std::fclose(trace_file_);
    host::reset();
}

LightAircraft& AircraftTest::create(const char* name, int model) {
    OBJHANDLE handle = host::create_vessel(name, model);
    VESSEL* object = frame::create_vessel(handle, model);
    if (!object) std::abort();  // allocation failure is tested without this fixture's help
    auto* aircraft = static_cast<LightAircraft*>(object);
    aircraft->clbkSetClassCaps(nullptr);
    aircraft->clbkPostCreation();
    aircraft_.push_back({handle, aircraft});
    return *aircraft;
}

void AircraftTest::destroy(LightAircraft& aircraft) {
    auto it = std::find_if(aircraft_.begin(), aircraft_.end(),
                           [&](const Entry& e) { return e.aircraft == &aircraft; });
    if (it == aircraft_.end()) return;
    frame::destroy_vessel(it->aircraft);
    host::delete_vessel(it->handle);
    aircraft_.erase(it);
}

void AircraftTest::set(const LightAircraft& aircraft, host::Reading r, double value) {
    host::set_reading(aircraft.GetHandle(), r, value);
}

void AircraftTest::step(int n) {
    for (int i = 0; i < n; ++i) {
        host::apply_pending_warp();
        for (const Entry& e : aircraft_) e.aircraft->clbkPostStep(0, 0.02, 51544.5);
    }
}

int AircraftTest::key(LightAircraft& aircraft, DWORD code, bool down) {
    char kstate[256] = {};
    return aircraft.clbkConsumeBufferedKey(code, down, kstate);
}

std::vector<std::string> AircraftTest::trace() {
    host::trace_flush();
    std::fflush(trace_file_);
    std::fseek(trace_file_, trace_read_, SEEK_SET);
    std::vector<std::string> lines;
    std::string line;
    for (int c; (c = std::fgetc(trace_file_)) != EOF;) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    trace_read_ = std::ftell(trace_file_);
    std::fseek(trace_file_, 0, SEEK_END);  // the host writes on from the end
    return lines;
}

double last_animation(const std::vector<std::string>& trace, UINT id) {
    const std::string prefix = "SetAnimation " + std::to_string(id) + " ";
    for (auto it = trace.rbegin(); it != trace.rend(); ++it) {
        if (it->rfind(prefix, 0) == 0) return std::strtod(it->c_str() + prefix.size(), nullptr);
    }
    ADD_FAILURE() << "no " << prefix << "line in the trace";
    return -1;
}
