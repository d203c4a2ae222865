// State of the airliner that exists once per loaded plug-in and is shared by
// every airliner of the simulation: two airliners have one landing gear, one
// lights switch, one pair of strobe records, one clock and one altimeter.
// Everything starts at zero when the plug-in is loaded and is never reset.
#pragma once

#include "instruments.h"
#include "kit.h"
#include "vmapi.h"

namespace olumbra {

// Class meshes, reloaded by every construction. A name ending in _n is the
// night version of the mesh without it.
inline MeshHandle mesh_ext, mesh_cpit, mesh_cpit_alt, mesh_cpit_aoa, mesh_cpit_direct,
    mesh_cpit_speed, mesh_cpit_bank, mesh_cpit_clock, mesh_cpit_n, mesh_cpit_alt_n, mesh_cpit_aoa_n,
    mesh_cpit_direct_n, mesh_cpit_speed_n, mesh_cpit_bank_n, mesh_cpit_clock_n;

// The cockpit meshes at vessel mesh indices 1 to 7: cockpit interior,
// altimeter, angle-of-attack gauge, heading indicator, airspeed indicator,
// bank indicator, clock. A night mesh takes its day mesh's index and offset.
inline constexpr unsigned kFirstCockpitMeshIndex = 1;
inline const kit::CockpitMesh cockpit_meshes[7] = {
    {&mesh_cpit, &mesh_cpit_n, {0.0, -4.0, 27.0}},
    {&mesh_cpit_alt, &mesh_cpit_alt_n, {-0.785, -4.285, 27.9}},
    {&mesh_cpit_aoa, &mesh_cpit_aoa_n, {-0.77, -4.49, 27.9}},
    {&mesh_cpit_direct, &mesh_cpit_direct_n, {-1.35, -4.31, 27.9}},
    {&mesh_cpit_speed, &mesh_cpit_speed_n, {-1.33, -4.53, 27.9}},
    {&mesh_cpit_bank, &mesh_cpit_bank_n, {-0.4, -4.3, 27.9}},
    {&mesh_cpit_clock, &mesh_cpit_clock_n, {-0.6, -4.5, 27.9}},
};

// Wingtip strobes, blue on the right and red on the left, and the vectors they
// point to. The host reads them in place for as long as the plug-in is
// loaded; the lights switch writes `active`.
inline VECTOR3 beacon_right_pos{24.40523, -4.54581, -5.953804},
    beacon_right_col{0.043, 0.161, 0.992};
inline VECTOR3 beacon_left_pos{-24.40523, -4.54581, -5.953804},
    beacon_left_col{0.988, 0.133, 0.133};
inline BEACONLIGHTSPEC beacon_right, beacon_left;

// Landing gear and cockpit gear lever: command 0 idle, 1 raise, other lower;
// position 0 down to 1 up. Set by the G key, moved by the per-step systems.
inline int gear_cmd = 0;
inline double gear_pos = 0.0;
inline int gear_lever_cmd = 0;
inline double gear_lever_pos = 0.0;
inline double wheel_rot = 0.0;  // wheel roll phase

// Lights switch: lights_on 0.0 off or 1.0 on; lights_changed 1.0 while a
// change waits for the next step.
inline double lights_on = 0.0;
inline double lights_changed = 0.0;

// Sound add-on slots of this plug-in's two waves.
inline constexpr int kEngineSlot = 1;  // looped while the engines run
inline constexpr int kGearSlot = 2;    // played once per G press in the air
inline double eng_freq = 0.0;          // engine sound playback frequency

// Cockpit instruments.
inline Altimeter altimeter;
inline kit::Clock cockpit_clock;
inline double focus_heading = 0.0;  // kept when the host has no heading to give

}  // namespace olumbra
