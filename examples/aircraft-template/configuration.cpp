// The starter's construction and class capabilities.

#include "airfoil.h"
#include "plugin.h"
#include "starter.h"
#include "state.h"

using starter::module;

namespace {

// Mesh files in load order.
const kit::MeshFile kMeshFiles[] = {
    {"Vorn\\Starter", &module.mesh_exterior},
    {"Vorn\\Starter-Cockpit", &module.mesh_cockpit},
};

// Size is the half-length: the host's hull meets the ground that far ahead of,
// behind, beside and above the centre of mass. The main wheels stand ahead of
// the centre of mass and the tail wheel far behind it, so the trainer rolls
// nose high, its wing already lifting, and needs no rotation to take off.
const kit::Airframe kAirframe = {
    .size = 4,
    .empty_mass = 700,
    .cw = {0.3, 0.3, 0.6, 0.9},
    .wing_aspect = 7,
    .wing_effectiveness = 2.5,
    .cross_sections = {6, 16, 2},
    .rot_drag = {1, 1, 1},
    .moment_scale = 0.0001,
    .pmi = {2, 2.5, 1},
    .trim_scale = 0.05,
    .camera = {0, 0.6, 0.8},
    .touchdown = {{0, -0.3, -3.8}, {-1.2, -1.2, 0.5}, {1.2, -1.2, 0.5}},
};

// The frame's wing and fin tables. A coefficient function of your own must
// give the same bits on every platform: + - * / and kit::math only.
const kit::Airfoil kAirfoils[] = {
    {LiftDirection::vertical, {0, 0, -0.1}, airfoil::wing_lift_coeff, 1.5, 20, 7},
    {LiftDirection::horizontal, {0, 0, -4}, airfoil::fin_lift_coeff, 1, 2.5, 1.5},
};

// clang-format off
using S = SurfaceType;
using H = HingeAxis;
const kit::ControlSurface<Starter> kControlSurfaces[] = {
    {S::elevator,      2.5, 1.2, {0, 0, -4.5},    H::x_positive, &Starter::anim_elevator},
    {S::rudder,        1.0, 0.5, {0, 1, -4.5},    H::y_positive, &Starter::anim_rudder},
    {S::aileron,       1.0, 0.3, {4, 0, -0.5},    H::x_positive, &Starter::anim_aileron_right},
    {S::aileron,       1.0, 0.3, {-4, 0, -0.5},   H::x_negative, &Starter::anim_aileron_left},
    {S::elevator_trim, 1.0, 0.3, {0, 0, -4.5},    H::x_positive, &Starter::anim_elevator},
};
// clang-format on

// No thrust until the flight envelope gives it some, from the first step on.
constexpr kit::Engine kEngine = {.tank_mass = 100, .position = {0, 0, 1.5}, .isp = 40000};

// Red on the left wing tip, green on the right, white on the tail; steady.
const kit::LightRow kLights[] = {
    {&module.beacon_left, {-4.5, 0.2, -0.3}, {1, 0.1, 0.1}},
    {&module.beacon_right, {4.5, 0.2, -0.3}, {0.1, 1, 0.1}},
    {&module.beacon_tail, {0, 0.8, -4}, {1, 1, 1}},
};
constexpr kit::LightLook kNavigationLight = kit::steady(LightShape::star, 0.1, 0.5);

// Mesh 0 the exterior, 1 the cockpit, seen from the virtual cockpit only.
const kit::AttachedMesh kMeshes[] = {
    {&module.mesh_exterior, nullptr, std::nullopt},
    {&module.mesh_cockpit, &starter::cockpit_offset, MeshVisibility::virtual_cockpit},
};

}  // namespace

Starter::Starter(VesselHandle vessel, int flight_model) : VESSEL2(vessel, flight_model) {
    kit::load_meshes(kMeshFiles);
    DefineAnimations();
}

VESSEL* frame::create_vessel(VesselHandle vessel, int flight_model) {
    return kit::create_vessel<Starter>(vessel, flight_model);
}

void frame::destroy_vessel(VESSEL* vessel) {
    kit::destroy_vessel<Starter>(vessel);
}

void Starter::clbkSetClassCaps(ConfigFileHandle /*config*/) {
    kit::define_airframe(*this, kAirframe);
    kit::create_airfoils(*this, kAirfoils);
    kit::create_control_surfaces(*this, kControlSurfaces);
    kit::create_main_engine(*this, kEngine, main_thruster);
    kit::add_lights(*this, kLights, kNavigationLight);
    kit::attach_meshes(*this, kMeshes);
}
