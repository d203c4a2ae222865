// Module-wide state of the airliner, and its fixed cockpit geometry.
//
// `module` is one copy per loaded library, zero at load and shared by every
// airliner of the process: two airliners have one landing gear, one lights
// switch, one pair of strobes, one clock and one altimeter. Only the
// animation ids, the thruster and the sound id belong to each airliner
// (Airliner); the animations' transform records, built once and never
// changed, live with their rows (animations.cpp). A test starts afresh with
// `olumbra::module = {};`.
#pragma once

#include "instruments.h"
#include "kit.h"
#include "vmapi.h"

namespace olumbra {

struct Module {
    // Class meshes, reloaded by every construction. A name ending in _n is the
    // night version of the mesh without it.
    MeshHandle mesh_ext, mesh_cpit, mesh_cpit_alt, mesh_cpit_aoa, mesh_cpit_direct, mesh_cpit_speed,
        mesh_cpit_bank, mesh_cpit_clock, mesh_cpit_n, mesh_cpit_alt_n, mesh_cpit_aoa_n,
        mesh_cpit_direct_n, mesh_cpit_speed_n, mesh_cpit_bank_n, mesh_cpit_clock_n;

    // Wingtip strobes, which the host reads in place; the lights switch
    // switches them.
    kit::Light beacon_right, beacon_left;

    // Landing gear and cockpit gear lever: command 0 idle, 1 raise, other
    // lower; position 0 down to 1 up. Set by the G key, moved by the per-step
    // systems.
    int gear_cmd;
    double gear_pos;
    int gear_lever_cmd;
    double gear_lever_pos;
    double wheel_rot;  // wheel roll phase

    // Lights switch: lights_on 0.0 off or 1.0 on; lights_changed 1.0 while a
    // change waits for the next step.
    double lights_on;
    double lights_changed;

    double eng_freq;  // engine sound playback frequency

    // Cockpit instruments.
    Altimeter altimeter;
    kit::Clock cockpit_clock;
    double focus_heading;  // kept when the host has no heading to give
};
inline Module module;

// The cockpit meshes at vessel mesh indices 1 to 7: cockpit interior,
// altimeter, angle-of-attack gauge, heading indicator, airspeed indicator,
// bank indicator, clock. A night mesh takes its day mesh's index and offset.
inline constexpr unsigned kFirstCockpitMeshIndex = 1;
inline constexpr kit::CockpitMesh kCockpitMeshes[] = {
    {&module.mesh_cpit, &module.mesh_cpit_n, {0.0, -4.0, 27.0}},
    {&module.mesh_cpit_alt, &module.mesh_cpit_alt_n, {-0.785, -4.285, 27.9}},
    {&module.mesh_cpit_aoa, &module.mesh_cpit_aoa_n, {-0.77, -4.49, 27.9}},
    {&module.mesh_cpit_direct, &module.mesh_cpit_direct_n, {-1.35, -4.31, 27.9}},
    {&module.mesh_cpit_speed, &module.mesh_cpit_speed_n, {-1.33, -4.53, 27.9}},
    {&module.mesh_cpit_bank, &module.mesh_cpit_bank_n, {-0.4, -4.3, 27.9}},
    {&module.mesh_cpit_clock, &module.mesh_cpit_clock_n, {-0.6, -4.5, 27.9}},
};

// Sound add-on slots of this plug-in's two waves.
inline constexpr int kEngineSlot = 1;  // looped while the engines run
inline constexpr int kGearSlot = 2;    // played once per G press in the air

}  // namespace olumbra
