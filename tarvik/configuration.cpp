// The light aircraft's class capabilities and its sound set-up.

#include <optional>

#include "airfoil.h"
#include "kit.h"
#include "light_aircraft.h"
#include "sound_client.h"
#include "state.h"

using namespace tarvik;

namespace {

// Numbers as flown. The drag coefficients are replaced by the flight envelope
// every step.
const kit::Airframe kAirframe = {
    .size = 5,
    .empty_mass = 12000,
    .cw = {0.3, 0.3, 0.6, 0.9},
    .wing_aspect = 1.7,
    .wing_effectiveness = 3.1,
    .cross_sections = {5, 5, 15},
    .rot_drag = {3.5, 3.5, 3.5},
    .moment_scale = 0.0001,
    .pmi = {15.5, 22.1, 7.7},
    .trim_scale = 0.05,
    .camera = {-0.4, 0.555, 3.3},
    .touchdown = {{0, -1.522213, 2.815174},
                  {-1.232543, -1.42991, 1.217935},
                  {1.232543, -1.42991, 1.217935}},
};

// clang-format off
const kit::Airfoil kAirfoils[] = {
    {LiftDirection::vertical,   {0, 0, -0.561}, airfoil::wing_lift_coeff, 20, 270, 2.266},
    {LiftDirection::horizontal, {0, 0, -4.0},   airfoil::fin_lift_coeff,  20, 50,  1.5},
};

// The tail surfaces and ailerons act far behind and beside the airframe; their
// reference points are part of the handling as flown, not a drawing error.
const kit::ControlSurface<LightAircraft> kControlSurfaces[] = {
    {SurfaceType::elevator,     7.0, 0.7, {0, 0, -17},        HingeAxis::x_positive, &LightAircraft::anim_elevator},
    {SurfaceType::rudder,       2.0, 0.5, {0, 2, -15},        HingeAxis::y_positive, &LightAircraft::anim_rudder},
    {SurfaceType::aileron,      4.8, 0.2, {17.8, 0, -17.8},   HingeAxis::x_positive, &LightAircraft::anim_aileron_right},
    {SurfaceType::aileron,      4.8, 0.2, {-17.8, 0, -17.8},  HingeAxis::x_negative, &LightAircraft::anim_aileron_left},
    {SurfaceType::elevator_trim, 5.0, 0.1, {0, 0, -15},        HingeAxis::x_positive, &LightAircraft::anim_elevator},
    {SurfaceType::flap,         5.0, 5.0, {0, 0, -1},         HingeAxis::x_positive, &LightAircraft::anim_flaps},
};
// clang-format on

// The engine starts without thrust; the flight envelope gives it thrust from
// the first step on.
constexpr kit::Engine kEngine = {.tank_mass = 10000, .position = {0, 0, -5}, .isp = 50000};

// Wing-tip lights blue on the right and red on the left, red on the tail.
VECTOR3 beacon_right_pos{5.31316, 0.5186034, 1.567917};
VECTOR3 beacon_right_col{0.043, 0.161, 0.992};
VECTOR3 beacon_left_pos{-5.31316, 0.5186034, 1.567917};
VECTOR3 beacon_left_col{0.988, 0.133, 0.133};
VECTOR3 beacon_tail_pos{0, 1.506748, -3.371929};
VECTOR3 beacon_tail_col{0.988, 0.133, 0.133};

struct Beacon {
    BEACONLIGHTSPEC* spec;
    VECTOR3* pos;
    VECTOR3* col;
};
const Beacon beacons[] = {
    {&beacon_right, &beacon_right_pos, &beacon_right_col},
    {&beacon_left, &beacon_left_pos, &beacon_left_col},
    {&beacon_tail, &beacon_tail_pos, &beacon_tail_col},
};

// The meshes take the indices 0 to 4 in this order. The night cockpit and the
// blurred propeller are swapped in by the per-step systems.
struct AttachedMesh {
    MeshHandle* mesh;
    const VECTOR3* offset;
    std::optional<MeshVisibility> visibility;  // none: the host's default
};
const AttachedMesh attached_meshes[] = {
    {&mesh_exterior, nullptr, std::nullopt},
    {&mesh_cockpit, &cockpit_offset, MeshVisibility::virtual_cockpit},
    {&mesh_propeller, &propeller_offset, MeshVisibility::exterior_and_cockpit},
    {&mesh_horizon, &horizon_offset, MeshVisibility::virtual_cockpit},
    {&mesh_yaw_indicator, &yaw_offset, MeshVisibility::virtual_cockpit},
};

// Sound add-on: the engine wave replaces stock sound 10, and these options
// are switched off.
constexpr char kEngineWave[] = "Sound\\Tarvik\\Tarvik-Eng.wav";
constexpr int kEngineStockSound = 10;
constexpr int kOptionsOff[] = {6, 1, 13, 14, 16, 17};

}  // namespace

void LightAircraft::clbkSetClassCaps(ConfigFileHandle /*cfg*/) {
    kit::define_airframe(*this, kAirframe);
    kit::create_airfoils(*this, kAirfoils);
    kit::create_control_surfaces(*this, kControlSurfaces);
    kit::create_main_engine(*this, kEngine, main_thruster);

    // The specs are shared: refilling them turns every light aircraft's lights
    // off until the next lights switch.
    for (const Beacon& b : beacons) kit::add_light(*this, *b.spec, b.pos, b.col);

    for (const AttachedMesh& m : attached_meshes) {
        const unsigned index = AddMesh(*m.mesh, m.offset);
        if (m.visibility) SetMeshVisibilityMode(index, *m.visibility);
    }
}

void LightAircraft::clbkPostCreation() {
    const int sound_id = ConnectToVelmoraSoundDLL3(GetHandle());
    ReplaceStockSound(sound_id, kEngineWave, kEngineStockSound);
    for (int option : kOptionsOff) SetSoundOption(sound_id, option, 0);
}
