// The airliner's construction, class capabilities and sound set-up.

#include "airfoil.h"
#include "olumbra.h"
#include "plugin.h"
#include "sound_client.h"
#include "state.h"

using olumbra::module;

namespace {

// Mesh files in load order.
const kit::MeshFile kMeshFiles[] = {
    {"Vorn\\Olumbra", &module.mesh_ext},
    {"Vorn\\Olumbra-Cpit", &module.mesh_cpit},
    {"Vorn\\Olumbra-Cpit-Alt", &module.mesh_cpit_alt},
    {"Vorn\\Olumbra-Cpit-AOA", &module.mesh_cpit_aoa},
    {"Vorn\\Olumbra-Cpit-Direct", &module.mesh_cpit_direct},
    {"Vorn\\Olumbra-Cpit_n", &module.mesh_cpit_n},
    {"Vorn\\Olumbra-Cpit-Alt_n", &module.mesh_cpit_alt_n},
    {"Vorn\\Olumbra-Cpit-AOA_n", &module.mesh_cpit_aoa_n},
    {"Vorn\\Olumbra-Cpit-Direct_n", &module.mesh_cpit_direct_n},
    {"Vorn\\Olumbra-Cpit-Speed", &module.mesh_cpit_speed},
    {"Vorn\\Olumbra-Cpit-Speed_n", &module.mesh_cpit_speed_n},
    {"Vorn\\Olumbra-Cpit-Bank", &module.mesh_cpit_bank},
    {"Vorn\\Olumbra-Cpit-Bank_n", &module.mesh_cpit_bank_n},
    {"Vorn\\Olumbra-Cpit-Clock", &module.mesh_cpit_clock},
    {"Vorn\\Olumbra-Cpit-Clock_n", &module.mesh_cpit_clock_n},
};

// Numbers as flown. The drag coefficients are replaced by the flight envelope
// every step.
const kit::Airframe kAirframe = {
    .size = 8.0,
    .empty_mass = 15000.0,
    .cw = {0.3, 0.3, 0.6, 0.9},
    .wing_aspect = 1.7,
    .wing_effectiveness = 3.1,
    .cross_sections = {5.0, 5.0, 15.0},
    .rot_drag = {3.5, 3.5, 3.5},
    .moment_scale = 1e-4,
    .pmi = {15.5, 22.1, 7.7},
    .trim_scale = 0.05,
    .camera = {-1.0, -3.5, 26.0},
    .touchdown = {{0.0, -9.3, 9.0}, {-4.0, -9.3, -5.0}, {4.0, -9.3, -5.0}},
};

// clang-format off
const kit::Airfoil kAirfoils[] = {
    {LiftDirection::vertical,   {0.0, 0.0, -0.2}, airfoil::wing_lift_coeff, 20.0, 270.0, 2.266},
    {LiftDirection::horizontal, {0.0, 0.0, -4.0}, airfoil::fin_lift_coeff,  20.0, 50.0,  1.5},
};

// The elevator animation serves both the elevator and its trim.
using S = SurfaceType;
using H = HingeAxis;
const kit::ControlSurface<Airliner> kControlSurfaces[] = {
    {S::elevator,      6.7, 0.67, {0.0, 0.0, -16.0},   H::x_positive, &Airliner::anim_elevator},
    {S::rudder,        2.0, 0.5,  {0.0, 2.0, -15.0},   H::y_positive, &Airliner::anim_rudder},
    {S::aileron,       4.0, 0.12, {14.0, 0.0, -14.0},  H::x_positive, &Airliner::anim_raileron},
    {S::aileron,       4.0, 0.12, {-14.0, 0.0, -14.0}, H::x_negative, &Airliner::anim_laileron},
    {S::elevator_trim, 5.0, 0.1,  {0.0, 0.0, -16.0},   H::x_positive, &Airliner::anim_elevator},
};
// clang-format on

// The one main thruster stands for both engines. It starts without thrust;
// the flight envelope gives it thrust from the first step on.
constexpr kit::Engine kEngine = {
    .tank_mass = 33000.0, .position = {0.0, 0.0, -2.0}, .isp = 50000.0};

// Both exhaust streams, one under each wing, share this record.
PARTICLESTREAMSPEC exhaust = {.flags = 0,
                              .size = 0.8,
                              .rate = 565.0,
                              .velocity = 119.0,
                              .velocity_spread = 0.019,
                              .lifetime = 0.121,
                              .growth_rate = 1.51,
                              .atmosphere_slowdown = 1.11,
                              .lighting = ExhaustLighting::diffuse,
                              .level_map = ExhaustLevelMap::square_root_between_bounds,
                              .level_min = 0.0,
                              .level_max = 2.0,
                              .atmosphere_map = ExhaustAtmosphereMap::logarithmic_between_bounds,
                              .density_min = 1e-4,
                              .density_max = 1.0,
                              .texture = nullptr};
constexpr VECTOR3 kExhaustPositions[] = {{-6.879716, -7.7, 2.0}, {6.879716, -7.7, 2.0}};

// Wingtip strobes, blue on the right and red on the left, flashing together.
const kit::LightRow kLights[] = {
    {&module.beacon_right, {24.40523, -4.54581, -5.953804}, {0.043, 0.161, 0.992}},
    {&module.beacon_left, {-24.40523, -4.54581, -5.953804}, {0.988, 0.133, 0.133}},
};
constexpr kit::LightLook kStrobe = {LightShape::star, 0.12, 0.6, 1.13, 0.05, 0.6};

// Mesh 0 the exterior with the host's default visibility; 1 to 7 the day
// cockpit (state.h), seen only from the virtual cockpit. The lights switch
// swaps these indices, and the displays live on mesh 1.
const kit::AttachedMesh kMeshes[] = {{&module.mesh_ext, nullptr, std::nullopt}};

constexpr char kEngineWave[] = "Sound\\Vessel\\Olumbra\\Olumbra-Eng.wav";
constexpr char kGearWave[] = "Sound\\Vessel\\Olumbra\\Olumbra-Gear.wav";
constexpr int kSoundType = 4;
// Add-on options the airliner switches off, in this order.
constexpr int kOptionsOff[] = {5, 6, 1, 13, 14, 16, 17};

}  // namespace

Airliner::Airliner(VesselHandle vessel, int flight_model) : VESSEL2(vessel, flight_model) {
    kit::load_meshes(kMeshFiles);
    DefineAnimations();
}

VESSEL* frame::create_vessel(VesselHandle vessel, int flight_model) {
    return kit::create_vessel<Airliner>(vessel, flight_model);
}

void frame::destroy_vessel(VESSEL* vessel) {
    kit::destroy_vessel<Airliner>(vessel);
}

void Airliner::clbkSetClassCaps(ConfigFileHandle /*config*/) {
    kit::define_airframe(*this, kAirframe);
    kit::create_airfoils(*this, kAirfoils);
    kit::create_control_surfaces(*this, kControlSurfaces);
    kit::create_main_engine(*this, kEngine, th_main);
    for (const VECTOR3& at : kExhaustPositions) AddExhaustStream(th_main, at, &exhaust);
    // The strobes are shared: refilling them darkens the strobes of every
    // airliner until the next lights switch.
    kit::add_lights(*this, kLights, kStrobe);
    kit::attach_meshes(*this, kMeshes);
    kit::attach_cockpit(*this, olumbra::kCockpitMeshes);
}

void Airliner::clbkPostCreation() {
    sound_id = ConnectToVelmoraSoundDLL3(GetHandle());
    LoadVesselWave(sound_id, olumbra::kEngineSlot, kEngineWave, kSoundType);
    LoadVesselWave(sound_id, olumbra::kGearSlot, kGearWave, kSoundType);
    for (int option : kOptionsOff) SetSoundOption(sound_id, option, 0);
}
