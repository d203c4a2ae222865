// The light aircraft's construction, class capabilities and sound set-up.

#include "airfoil.h"
#include "plugin.h"
#include "sound_client.h"
#include "state.h"
#include "tarvik.h"

using tarvik::module;

namespace {

// Mesh files in load order.
const kit::MeshFile kMeshFiles[] = {
    {"Vorn\\Tarvik", &module.mesh_exterior},
    {"Vorn\\Tarvik-Cpit", &module.mesh_cockpit},
    {"Vorn\\Tarvik-Prop", &module.mesh_propeller},
    {"Vorn\\Tarvik-Prop-Blurred", &module.mesh_propeller_blurred},
    {"Vorn\\Tarvik-Cpit_n", &module.mesh_cockpit_night},
    {"Vorn\\Tarvik-Cpit-Hor2", &module.mesh_horizon},
    {"Vorn\\Tarvik-Cpit-Yaw", &module.mesh_yaw_indicator},
};

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
using S = SurfaceType;
using H = HingeAxis;
const kit::ControlSurface<LightAircraft> kControlSurfaces[] = {
    {S::elevator,      7.0, 0.7, {0, 0, -17},       H::x_positive, &LightAircraft::anim_elevator},
    {S::rudder,        2.0, 0.5, {0, 2, -15},       H::y_positive, &LightAircraft::anim_rudder},
    {S::aileron,       4.8, 0.2, {17.8, 0, -17.8},  H::x_positive, &LightAircraft::anim_aileron_right},
    {S::aileron,       4.8, 0.2, {-17.8, 0, -17.8}, H::x_negative, &LightAircraft::anim_aileron_left},
    {S::elevator_trim, 5.0, 0.1, {0, 0, -15},       H::x_positive, &LightAircraft::anim_elevator},
    {S::flap,          5.0, 5.0, {0, 0, -1},        H::x_positive, &LightAircraft::anim_flaps},
};
// clang-format on

// The engine starts without thrust; the flight envelope gives it thrust from
// the first step on.
constexpr kit::Engine kEngine = {.tank_mass = 10000, .position = {0, 0, -5}, .isp = 50000};

// Wing-tip lights blue on the right and red on the left, red on the tail, all
// flashing together.
const kit::LightRow kLights[] = {
    {&module.beacon_right, {5.31316, 0.5186034, 1.567917}, {0.043, 0.161, 0.992}},
    {&module.beacon_left, {-5.31316, 0.5186034, 1.567917}, {0.988, 0.133, 0.133}},
    {&module.beacon_tail, {0, 1.506748, -3.371929}, {0.988, 0.133, 0.133}},
};
constexpr kit::LightLook kBeacon = {LightShape::star, 0.12, 0.6, 1.13, 0.05, 0.6};

// The meshes take the indices 0 to 4 in this order. The night cockpit and the
// blurred propeller are swapped in by the per-step systems.
using M = MeshVisibility;
const kit::AttachedMesh kMeshes[] = {
    {&module.mesh_exterior, nullptr, std::nullopt},
    {&module.mesh_cockpit, &tarvik::cockpit_offset, M::virtual_cockpit},
    {&module.mesh_propeller, &tarvik::propeller_offset, M::exterior_and_cockpit},
    {&module.mesh_horizon, &tarvik::horizon_offset, M::virtual_cockpit},
    {&module.mesh_yaw_indicator, &tarvik::yaw_offset, M::virtual_cockpit},
};

// Sound add-on: the engine wave replaces stock sound 10, and these options
// are switched off.
constexpr char kEngineWave[] = "Sound\\Tarvik\\Tarvik-Eng.wav";
constexpr int kEngineStockSound = 10;
constexpr int kOptionsOff[] = {6, 1, 13, 14, 16, 17};

}  // namespace

LightAircraft::LightAircraft(VesselHandle vessel, int flight_model)
    : VESSEL2(vessel, flight_model) {
    kit::load_meshes(kMeshFiles);
    DefineAnimations();
}

VESSEL* frame::create_vessel(VesselHandle vessel, int flight_model) {
    return kit::create_vessel<LightAircraft>(vessel, flight_model);
}

void frame::destroy_vessel(VESSEL* vessel) {
    kit::destroy_vessel<LightAircraft>(vessel);
}

void LightAircraft::clbkSetClassCaps(ConfigFileHandle /*config*/) {
    kit::define_airframe(*this, kAirframe);
    kit::create_airfoils(*this, kAirfoils);
    kit::create_control_surfaces(*this, kControlSurfaces);
    kit::create_main_engine(*this, kEngine, main_thruster);
    // The lights are shared: refilling them turns every light aircraft's
    // lights off until the next lights switch.
    kit::add_lights(*this, kLights, kBeacon);
    kit::attach_meshes(*this, kMeshes);
}

void LightAircraft::clbkPostCreation() {
    const int sound_id = ConnectToVelmoraSoundDLL3(GetHandle());
    ReplaceStockSound(sound_id, kEngineWave, kEngineStockSound);
    for (int option : kOptionsOff) SetSoundOption(sound_id, option, 0);
}
