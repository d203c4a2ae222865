// The control side of the stand-in host library: what vmhost and the tests use
// to keep vessel records, set what the host reports, and write the trace.
// Plug-ins never include this header; they see only the host SDK (vmapi.h).
//
// The library does not export these functions: each is an inline call through
// the library's control interface (control.h, which also defines the types
// Reading, Callback, Hold and Flight), found by name at run time.
#pragma once

#include <cstdio>

#include "control.h"
#include "vmapi.h"

namespace host {

// ---- Trace ----------------------------------------------------------------

// Where trace lines go from now on; null switches tracing off, and then no
// line is formatted at all. Off at start.
inline void trace_to(std::FILE* out) {
    control().trace_to(out);
}
inline bool tracing() {
    return control().tracing();
}
inline void trace_flush() {
    control().trace_flush();
}

// One trace line. It is built in a fixed buffer and written when the object
// goes out of scope, so use it as a temporary in one full expression:
//   host::Line(">").word("clbkPostStep").real(simt).real(simdt).real(mjd);
// Tokens are separated by one blank. When tracing is off every method returns
// at once. Lines never nest: finish one before calling anything that traces.
class Line {
  public:
    explicit Line(const char* first) : on_(control().line_begin(first)) {}
    ~Line() {
        if (on_) control().line_end();
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    Line& word(const char* w) { return add(&Control::word, w); }  // a bare token, as is
    Line& real(double v) { return add(&Control::real, v); }       // shortest form that reads back
    Line& single(float v) { return add(&Control::single, v); }    // shortest form of the float
    Line& integer(long long v) { return add(&Control::integer, v); }
    Line& boolean(bool v) { return integer(v ? 1 : 0); }
    // "..." exactly as passed; null for a null pointer.
    Line& text(const char* s) { return add(&Control::text, s); }
    Line& vec(const VECTOR3& v) { return vec(&v); }
    Line& vec(const VECTOR3* v) { return add(&Control::vec, v); }  // null for a null pointer
    Line& list(const unsigned* items, long long n) { return add(&Control::list, items, n); }
    // Host object by name; null; ? when unknown.
    Line& handle(const void* h) { return add(&Control::handle, h); }
    Line& handles(void* const* items, long long n) {  // [th1,th2]
        return add(&Control::handles, items, n);
    }
    Line& result() { return word("="); }

    // Records handed over by pointer: name by identity, then the contents.
    Line& transform(const MGROUP_TRANSFORM* t) { return add(&Control::transform, t); }
    Line& light(const BEACONLIGHTSPEC* b) { return add(&Control::light, b); }
    Line& exhaust(const PARTICLESTREAMSPEC* e) { return add(&Control::exhaust, e); }
    Line& display(const VCMFDSPEC* d) { return add(&Control::display, d); }
    Line& coeff(AirfoilCoefficientFunction f) { return add(&Control::coeff, f); }

  private:
    // Every token: nothing at all while the line is not kept.
    template <class Entry, class... Args>
    Line& add(Entry entry, Args... args) {
        if (on_) (control().*entry)(args...);
        return *this;
    }
    bool on_;
};

// A remark line "# TEXT".
inline void remark(const char* text) {
    control().remark(text);
}

// ---- Vessels ----------------------------------------------------------------

// A new vessel record named `name` with flight model `model`; its handle is
// what the plug-in's vmvcInit gets. The name is what the trace prints for it.
inline VesselHandle create_vessel(const char* name, int model) {
    return control().create_vessel(name, model);
}

// The vessel is gone: no more light checks, and its name is free again. The
// record itself stays valid (a plug-in may still hold the handle).
inline void delete_vessel(VesselHandle vessel) {
    control().delete_vessel(vessel);
}

// The VESSEL2 object the plug-in constructed for `vessel`, when `returned`
// (what vmvcInit gave back) is that object; null otherwise. Only objects the
// host saw being constructed are ever called.
inline VESSEL2* vessel_object(VesselHandle vessel, const VESSEL* returned) {
    return control().vessel_object(vessel, returned);
}

// What the host reports for the vessel (Reading), as the scenario sets it or,
// with physics on, the flight model.
inline void set_reading(VesselHandle vessel, Reading r, double value) {
    control().set_reading(vessel, r, value);
}
inline double reading(VesselHandle vessel, Reading r) {
    return control().reading(vessel, r);
}

// The coefficient function of the vessel's index-th airfoil (0 is the first
// CreateAirfoil), or null when there is none.
inline AirfoilCoefficientFunction airfoil_function(VesselHandle vessel, long long index) {
    return control().airfoil_function(vessel, index);
}
inline int airfoil_count(VesselHandle vessel) {
    return control().airfoil_count(vessel);
}

// After every call into the plug-in returned: a "!" line for every record the
// host keeps by pointer whose contents changed, then one "* light" line per
// light whose active flag changed since it was last seen, live vessels in
// creation order (these only while tracing is on).
inline void check_lights() {
    control().check_lights();
}

// ---- Host contract ------------------------------------------------------------

// The host is about to make callback `c` on `vessel`: one made out of its
// documented order (class caps, post-creation, then the rest; nothing after
// the vessel is gone) is a broken rule.
inline void calling(VesselHandle vessel, Callback c) {
    control().calling(vessel, c);
}

// Broken contract rules since start or reset(); each was traced as "! WHAT".
inline int violations() {
    return control().violations();
}
// Counts one broken rule and starts its line: host::violation().word("...");
inline Line violation() {
    control().count_violation();
    return Line("!");
}

// ---- Simulation state -------------------------------------------------------

// What vmapiGetTimeAcceleration reports; replaces a pending request.
inline void set_warp(double warp) {
    control().set_warp(warp);
}
inline double warp() {
    return control().warp();
}
// Start of a step: a plug-in's vmapiSetTimeAcceleration request takes effect.
inline void apply_pending_warp() {
    control().apply_pending_warp();
}

inline void set_focus_heading(double heading) {
    control().set_focus_heading(heading);
}
// No vessel has the focus.
inline void clear_focus_heading() {
    control().clear_focus_heading();
}

// ---- Flight model -------------------------------------------------------------

// With physics on, every step moves each live vessel with the host's flight
// model, built from what its plug-in defined, and the readings airspeed,
// altitude, pitch, bank, aoa, ground and fuel come from it; the scenario still
// sets the engine level, the control levels and the fuel. Off (the default),
// the readings are what the scenario sets. A vessel starts at rest on the
// ground, heading north, at its first step with physics on.
inline void set_physics(bool on) {
    control().set_physics(on);
}
inline bool physics() {
    return control().physics();
}

// One step of `dt` seconds for every live vessel, nothing while physics is
// off: its autopilot sets the control levels, then the flight model moves
// it. The calls it makes to the plug-in's coefficient functions are traced.
inline void physics_step(double dt) {
    control().physics_step(dt);
}

// The autopilot holds a pitch angle (rad) or a climb rate (m/s) with the
// elevator, and a bank angle (rad) with the ailerons, each axis on its own.
inline void autopilot_hold(VesselHandle vessel, Hold what, double target) {
    control().autopilot_hold(vessel, what, target);
}
inline void autopilot_off(VesselHandle vessel, bool pitch_axis, bool bank_axis) {
    control().autopilot_off(vessel, pitch_axis, bank_axis);
}
// Wheel brakes, 0..1.
inline void set_brake(VesselHandle vessel, double level) {
    control().set_brake(vessel, level);
}

// A vessel as the host sees it, for logs and reports (Flight).
inline Flight flight_state(VesselHandle vessel) {
    return control().flight_state(vessel);
}
inline int animation_count(VesselHandle vessel) {
    return control().animation_count(vessel);
}
// The vessel's animation states by id; null when it has none.
inline const double* animation_states(VesselHandle vessel) {
    return control().animation_states(vessel);
}

// ---- Plug-in module ---------------------------------------------------------

// Around loading the plug-in library: the handle its load hook passes to
// InitLib is the plug-in's module and prints as "module". The thread that
// loads it drives the simulation from then on: a host call the plug-in makes
// from any other thread is a broken rule ("! host call from a foreign thread:
// NAME", once per operation), and is not traced.
inline void begin_module_load() {
    control().begin_module_load();
}
inline void end_module_load() {
    control().end_module_load();
}
inline void module_unloaded() {
    control().module_unloaded();
}

// Forgets every vessel, object, record name and setting (for tests that run
// several scenarios in one process). Tracing stays as it is.
inline void reset() {
    control().reset();
}

}  // namespace host
