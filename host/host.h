// The control side of the stand-in host library: what vmhost and the tests use
// to keep vessel records, set what the host reports, and write the trace.
// Plug-ins never include this header; they see only the host SDK (vmapi.h).
#pragma once

#include <cstdio>

#include "vmapi.h"

namespace host {

// ---- Trace ----------------------------------------------------------------

// Where trace lines go from now on; null switches tracing off, and then no
// line is formatted at all. Off at start.
VMAPI void trace_to(std::FILE* out);
VMAPI bool tracing();
VMAPI void trace_flush();

// One trace line. It is built in a fixed buffer and written when the object
// goes out of scope, so use it as a temporary in one full expression:
//   host::Line(">").word("clbkPostStep").real(simt).real(simdt).real(mjd);
// Tokens are separated by one blank. When tracing is off every method returns
// at once. Lines never nest: finish one before calling anything that traces.
class VMAPI Line {
  public:
    explicit Line(const char* first);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    Line& word(const char* w);  // a bare token, written as is
    Line& real(double v);       // shortest form that reads back exactly
    Line& single(float v);      // shortest form of the float
    Line& integer(long long v);
    Line& boolean(bool v);      // 1 or 0
    Line& text(const char* s);  // "..." exactly as passed; null for a null pointer
    Line& vec(const VECTOR3& v);
    Line& vec(const VECTOR3* v);  // null for a null pointer
    Line& list(const UINT* items, long long n);
    Line& handle(const void* h);                     // host object by name; null; ? when unknown
    Line& handles(void* const* items, long long n);  // [th1,th2]
    Line& result();                                  // "="

    // Records handed over by pointer: name by identity, then the contents.
    Line& transform(const MGROUP_TRANSFORM* t);
    Line& light(const BEACONLIGHTSPEC* b);
    Line& exhaust(const PARTICLESTREAMSPEC* e);
    Line& display(const VCMFDSPEC* d);
    Line& coeff(AirfoilCoeffFunc f);

  private:
    bool on_;
};

// A remark line "# TEXT".
VMAPI void remark(const char* text);

// ---- Vessels ----------------------------------------------------------------

enum class Reading {
    airspeed,
    altitude,
    pitch,
    bank,
    aoa,
    ground,
    fuel,
    thrust,
    elevator,  // control-surface levels, types 0..4
    rudder,
    aileron,
    flap,
    trim,
};
inline constexpr int kReadingCount = 13;

// A new vessel record named `name` with flight model `model`; its handle is
// what the plug-in's vmvcInit gets. The name is what the trace prints for it.
VMAPI OBJHANDLE create_vessel(const char* name, int model);

// The vessel is gone: no more light checks, and its name is free again. The
// record itself stays valid (a plug-in may still hold the handle).
VMAPI void delete_vessel(OBJHANDLE vessel);

// The VESSEL2 object the plug-in constructed for `vessel`, when `returned`
// (what vmvcInit gave back) is that object; null otherwise. Only objects the
// host saw being constructed are ever called.
VMAPI VESSEL2* vessel_object(OBJHANDLE vessel, const VESSEL* returned);

VMAPI void set_reading(OBJHANDLE vessel, Reading r, double value);
VMAPI double reading(OBJHANDLE vessel, Reading r);

// The coefficient function of the vessel's index-th airfoil (0 is the first
// CreateAirfoil), or null when there is none.
VMAPI AirfoilCoeffFunc airfoil_function(OBJHANDLE vessel, long long index);
VMAPI int airfoil_count(OBJHANDLE vessel);

// After every call into the plug-in returned: a "!" line for every record the
// host keeps by pointer whose contents changed, then one "* light" line per
// light whose active flag changed since it was last seen, live vessels in
// creation order (these only while tracing is on).
VMAPI void check_lights();

// ---- Host contract ------------------------------------------------------------

// The callbacks whose order the host checks.
enum class Callback { set_class_caps, post_creation, post_step, key, load_vc, exit };

// The host is about to make callback `c` on `vessel`: one made out of its
// documented order (class caps, post-creation, then the rest; nothing after
// the vessel is gone) is a broken rule.
VMAPI void calling(OBJHANDLE vessel, Callback c);

// Broken contract rules since start or reset(); each was traced as "! WHAT".
VMAPI int violations();
// Counts one broken rule and starts its line: host::violation().word("...");
VMAPI Line violation();

// ---- Simulation state -------------------------------------------------------

// What vmapiGetTimeAcceleration reports; replaces a pending request.
VMAPI void set_warp(double warp);
VMAPI double warp();
// Start of a step: a plug-in's vmapiSetTimeAcceleration request takes effect.
VMAPI void apply_pending_warp();

VMAPI void set_focus_heading(double heading);
VMAPI void clear_focus_heading();  // no vessel has the focus

// ---- Flight model -------------------------------------------------------------

// With physics on, every step moves each live vessel with the host's flight
// model, built from what its plug-in defined, and the readings airspeed,
// altitude, pitch, bank, aoa, ground and fuel come from it; the scenario still
// sets the engine level, the control levels and the fuel. Off (the default),
// the readings are what the scenario sets. A vessel starts at rest on the
// ground, heading north, at its first step with physics on.
VMAPI void set_physics(bool on);
VMAPI bool physics();

// One step of `dt` seconds for every live vessel, nothing while physics is
// off: its autopilot sets the control levels, then the flight model moves
// it. The calls it makes to the plug-in's coefficient functions are traced.
VMAPI void physics_step(double dt);

// The autopilot holds a pitch angle (rad) or a climb rate (m/s) with the
// elevator, and a bank angle (rad) with the ailerons, each axis on its own.
enum class Hold { pitch, climb, bank };
VMAPI void autopilot_hold(OBJHANDLE vessel, Hold what, double target);
VMAPI void autopilot_off(OBJHANDLE vessel, bool pitch_axis, bool bank_axis);
// Wheel brakes, 0..1.
VMAPI void set_brake(OBJHANDLE vessel, double level);

// A vessel as the host sees it, for logs and reports.
struct Flight {
    double x, z;  // m east and north of where it started (0 without physics)
    double altitude, airspeed, climb, pitch, bank, heading, aoa;
    double thrust;      // engine level
    double thrust_max;  // its thrusters' present maximum thrust, N, summed
    double fuel, mass;
    bool ground;
    int lights;  // lights switched on
};
VMAPI Flight flight_state(OBJHANDLE vessel);
VMAPI int animation_count(OBJHANDLE vessel);
// The vessel's animation states by id; null when it has none.
VMAPI const double* animation_states(OBJHANDLE vessel);

// ---- Plug-in module ---------------------------------------------------------

// Around loading the plug-in library: the handle its load hook passes to
// InitLib is the plug-in's module and prints as "module".
VMAPI void begin_module_load();
VMAPI void end_module_load();
VMAPI void module_unloaded();

// Forgets every vessel, object, record name and setting (for tests that run
// several scenarios in one process). Tracing stays as it is.
VMAPI void reset();

}  // namespace host
