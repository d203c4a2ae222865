// Module-wide state of the light aircraft, and its fixed cockpit geometry.
//
// `module` is one copy per loaded library, zero at load and shared by every
// light aircraft of the process: two light aircraft in one scenario share flap
// position, cockpit mode, requests, instrument phases and the lights. Only
// the animation ids, the engine thruster and the horizon-pitch transform
// belong to each aircraft (LightAircraft); the animations' shared transform
// records, built once and never changed, live with their rows
// (animations.cpp). A test starts afresh with `tarvik::module = {};`.
#pragma once

#include "kit.h"
#include "vmapi.h"

namespace tarvik {

struct Module {
    // The class meshes, loaded again by every construction.
    MeshHandle mesh_exterior, mesh_cockpit, mesh_propeller, mesh_propeller_blurred,
        mesh_cockpit_night, mesh_horizon, mesh_yaw_indicator;

    // The three lights, which the host reads in place; the post-step
    // switches them.
    kit::Light beacon_right, beacon_left, beacon_tail;

    // Switches are 0.0 or 1.0; commands 0 idle, 1 extend, 2 retract.
    double cockpit_mode;  // 1.0: night cockpit, lights on
    double cockpit_swap_request;
    double flap_level;  // 0 retracted .. 1 fully extended
    int flap_command;
    double refuel_request;

    // Animation and instrument states kept from step to step.
    double wheel_phase;
    double propeller_phase;
    kit::Clock clock;
    double altimeter_100_turns;
    double altimeter_1000_turns;
    double focus_heading;
};
inline Module module;

// The cockpit meshes and the virtual-cockpit camera sit at model coordinates
// shifted down by vc_shift_y and back by vc_shift_z. The shifted points are
// written out, so that the host gets them as exact decimals.
inline constexpr double vc_shift_y = 0.333;
inline constexpr double vc_shift_z = 2.0;

inline constexpr VECTOR3 cockpit_offset{0, -0.333, 2.1};
inline constexpr VECTOR3 horizon_offset{-0.4165482, -0.0513383, 2.81};
inline constexpr VECTOR3 yaw_offset{-0.58, -0.213, 2.8};
inline constexpr VECTOR3 vc_camera_offset{-0.4, 0.222, 1.3};

constexpr bool shifted(const VECTOR3& by_shift, const VECTOR3& model) {
    const double dy = model.y - vc_shift_y - by_shift.y;
    const double dz = model.z - vc_shift_z - by_shift.z;
    return model.x == by_shift.x && dy * dy < 1e-24 && dz * dz < 1e-24;
}
static_assert(shifted(cockpit_offset, {0, 0, 4.1}));
static_assert(shifted(horizon_offset, {-0.4165482, 0.2816617, 4.81}));
static_assert(shifted(yaw_offset, {-0.58, 0.12, 4.8}));
static_assert(shifted(vc_camera_offset, {-0.4, 0.555, 3.3}));  // the generic cockpit camera

// The still propeller sits at the hub; the blurred disc is drawn further aft.
inline constexpr VECTOR3 propeller_offset{0, -0.2983013, 3.624378};
inline constexpr VECTOR3 propeller_blurred_offset{0, -0.2983013, 3.071};

}  // namespace tarvik
