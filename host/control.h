// The control interface of the stand-in host library: how vmhost, the tests
// and the benchmarks reach the host's control side (host.h, recording.h).
//
// The library exports the SDK and, beside it, one entry point that no SDK
// header declares:
//     extern "C" const void* VelmoraHostExtension(const char* id);
// It returns the interface named `id`, or null for a name it does not know,
// and may be called any number of times from any thread; the interfaces live
// as long as the library. The one interface there is, kControlId, is a table
// of functions (Control below). A plug-in never sees any of this: on Windows
// the entry point is not even in the import library the plug-ins link
// against, and on Linux a plug-in has no declaration to call it by.
//
// Callers do not use the table themselves: host.h and recording.h wrap every
// entry in a function of the documented name, which finds the table the first
// time it is needed (control() below). All calls come from the thread that
// drives the simulation, as the SDK's do. Nothing passed in is kept beyond
// the call except the trace file (trace_to) and the recording list
// (record_to), which the caller owns and keeps valid while they are in use.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "vmapi.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host {

inline constexpr char kExtensionEntry[] = "VelmoraHostExtension";
inline constexpr char kControlId[] = "velmora.host-control.1";

// What the host reports for a vessel, as vmhost sets it (or the flight model).
enum class Reading {
    airspeed,
    altitude,
    pitch,
    bank,
    aoa,
    ground,
    fuel,
    thrust,
    elevator,  // control-surface levels, one per surface type from 0, in its order
    rudder,
    aileron,
    flap,
    trim,
    last = trim,
};
inline constexpr int kReadingCount = static_cast<int>(Reading::last) + 1;
// The surface types whose levels the host keeps: 0 (elevator) to 4 (trim).
inline constexpr int kSurfaceReadings =
    static_cast<int>(Reading::trim) - static_cast<int>(Reading::elevator) + 1;

// The callbacks whose order the host checks.
enum class Callback { set_class_caps, post_creation, post_step, key, load_vc, exit };

// What the autopilot holds: a pitch angle, a climb rate, a bank angle.
enum class Hold { pitch, climb, bank };

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

struct RecordedCall;  // recording.h

struct Control {
    // Trace and recording.
    void (*trace_to)(std::FILE* out);
    bool (*tracing)();
    void (*trace_flush)();
    void (*remark)(const char* text);
    void (*record_to)(RecordedCall* calls, std::size_t capacity, std::size_t* count);

    // One trace line, token by token: begin says whether the line is kept at
    // all (tracing or recording); when it is not, the caller sends no token
    // and no end.
    bool (*line_begin)(const char* first);
    void (*line_end)();
    void (*word)(const char* w);
    void (*real)(double v);
    void (*single)(float v);
    void (*integer)(long long v);
    void (*text)(const char* s);
    void (*vec)(const VECTOR3* v);
    void (*list)(const unsigned* items, long long n);
    void (*handle)(const void* h);
    void (*handles)(void* const* items, long long n);
    void (*transform)(const MGROUP_TRANSFORM* t);
    void (*light)(const BEACONLIGHTSPEC* b);
    void (*exhaust)(const PARTICLESTREAMSPEC* e);
    void (*display)(const VCMFDSPEC* d);
    void (*coeff)(AirfoilCoefficientFunction f);

    // Vessels.
    VesselHandle (*create_vessel)(const char* name, int model);
    void (*delete_vessel)(VesselHandle vessel);
    VESSEL2* (*vessel_object)(VesselHandle vessel, const VESSEL* returned);
    void (*set_reading)(VesselHandle vessel, Reading r, double value);
    double (*reading)(VesselHandle vessel, Reading r);
    AirfoilCoefficientFunction (*airfoil_function)(VesselHandle vessel, long long index);
    int (*airfoil_count)(VesselHandle vessel);
    void (*check_lights)();

    // Host contract; count_violation counts a rule whose "!" line the caller writes.
    void (*calling)(VesselHandle vessel, Callback c);
    int (*violations)();
    void (*count_violation)();

    // Simulation state.
    void (*set_warp)(double warp);
    double (*warp)();
    void (*apply_pending_warp)();
    void (*set_focus_heading)(double heading);
    void (*clear_focus_heading)();

    // Flight model.
    void (*set_physics)(bool on);
    bool (*physics)();
    void (*physics_step)(double dt);
    void (*autopilot_hold)(VesselHandle vessel, Hold what, double target);
    void (*autopilot_off)(VesselHandle vessel, bool pitch_axis, bool bank_axis);
    void (*set_brake)(VesselHandle vessel, double level);
    Flight (*flight_state)(VesselHandle vessel);
    int (*animation_count)(VesselHandle vessel);
    const double* (*animation_states)(VesselHandle vessel);

    // Plug-in module.
    void (*begin_module_load)();
    void (*end_module_load)();
    void (*module_unloaded)();
    void (*reset)();
};

using ExtensionEntry = const void* (*)(const char* id);

// The interface `id` of the host library this module is linked against,
// looked up by name; null when the library has no such interface.
inline const void* extension(const char* id) {
#if defined(_WIN32)
    // The module that holds an SDK function is the host library; referring to
    // one also keeps the program linked against it.
    HMODULE library = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&InitLib), &library);
    // Through void (*)(), the one cast between function types GCC takes silently.
    auto entry = reinterpret_cast<ExtensionEntry>(
        reinterpret_cast<void (*)()>(library ? GetProcAddress(library, kExtensionEntry) : nullptr));
#else
    // The same, and the reference to an SDK function keeps the program linked
    // against the host library. The reference RTLD_NOLOAD takes is kept: the
    // library stays loaded for as long as the program runs anyway.
    Dl_info info{};
    void* library = nullptr;
    if (dladdr(reinterpret_cast<void*>(&InitLib), &info) && info.dli_fname)
        library = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    auto entry =
        reinterpret_cast<ExtensionEntry>(library ? dlsym(library, kExtensionEntry) : nullptr);
#endif
    return entry ? entry(id) : nullptr;
}

// The control table, looked up once. Without it (another host library in our
// place) nothing of host.h can work: the program stops with a message.
inline const Control& control() {
    static const Control* const table = [] {
        const void* found = extension(kControlId);
        if (!found) {
            std::fprintf(stderr, "the host library has no %s interface\n", kControlId);
            std::abort();
        }
        return static_cast<const Control*>(found);
    }();
    return *table;
}

}  // namespace host
