// Construction and the one-time definition of the airliner: class set-up and
// sound set-up.
#include "airliner.h"

#include <new>

#include "airfoil.h"
#include "kit.h"
#include "plugin.h"
#include "shared_state.h"
#include "sound_client.h"

using namespace olumbra;

namespace {

// Mesh files in load order.
const kit::MeshFile mesh_files[] = {
    {"Vorn\\Olumbra", &mesh_ext},
    {"Vorn\\Olumbra-Cpit", &mesh_cpit},
    {"Vorn\\Olumbra-Cpit-Alt", &mesh_cpit_alt},
    {"Vorn\\Olumbra-Cpit-AOA", &mesh_cpit_aoa},
    {"Vorn\\Olumbra-Cpit-Direct", &mesh_cpit_direct},
    {"Vorn\\Olumbra-Cpit_n", &mesh_cpit_n},
    {"Vorn\\Olumbra-Cpit-Alt_n", &mesh_cpit_alt_n},
    {"Vorn\\Olumbra-Cpit-AOA_n", &mesh_cpit_aoa_n},
    {"Vorn\\Olumbra-Cpit-Direct_n", &mesh_cpit_direct_n},
    {"Vorn\\Olumbra-Cpit-Speed", &mesh_cpit_speed},
    {"Vorn\\Olumbra-Cpit-Speed_n", &mesh_cpit_speed_n},
    {"Vorn\\Olumbra-Cpit-Bank", &mesh_cpit_bank},
    {"Vorn\\Olumbra-Cpit-Bank_n", &mesh_cpit_bank_n},
    {"Vorn\\Olumbra-Cpit-Clock", &mesh_cpit_clock},
    {"Vorn\\Olumbra-Cpit-Clock_n", &mesh_cpit_clock_n},
};

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
// clang-format on

// The one main thruster stands for both engines.
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

constexpr char kEngineWave[] = "Sound\\Vessel\\Olumbra\\Olumbra-Eng.wav";
constexpr char kGearWave[] = "Sound\\Vessel\\Olumbra\\Olumbra-Gear.wav";
constexpr int kSoundType = 4;
// Add-on options the airliner switches off, in this order.
constexpr int kOptionsOff[] = {5, 6, 1, 13, 14, 16, 17};

}  // namespace

Airliner::Airliner(VesselHandle hVessel, int flightmodel) : VESSEL2(hVessel, flightmodel) {
    kit::load_meshes(mesh_files);
    DefineAnimations();
}

void Airliner::clbkSetClassCaps(ConfigFileHandle) {
    kit::define_airframe(*this, kAirframe);
    kit::create_airfoils(*this, kAirfoils);

    // In creation order. The elevator animation serves both the elevator and
    // its trim.
    // clang-format off
    static const kit::ControlSurface<Airliner> surfaces[] = {
        {SurfaceType::elevator,     6.7, 0.67, {0.0, 0.0, -16.0},   HingeAxis::x_positive, &Airliner::anim_elevator},
        {SurfaceType::rudder,       2.0, 0.5,  {0.0, 2.0, -15.0},   HingeAxis::y_positive, &Airliner::anim_rudder},
        {SurfaceType::aileron,      4.0, 0.12, {14.0, 0.0, -14.0},  HingeAxis::x_positive, &Airliner::anim_raileron},
        {SurfaceType::aileron,      4.0, 0.12, {-14.0, 0.0, -14.0}, HingeAxis::x_negative, &Airliner::anim_laileron},
        {SurfaceType::elevator_trim, 5.0, 0.1,  {0.0, 0.0, -16.0},   HingeAxis::x_positive, &Airliner::anim_elevator},
    };
    // clang-format on
    kit::create_control_surfaces(*this, surfaces);

    kit::create_main_engine(*this, kEngine, th_main);
    AddExhaustStream(th_main, VECTOR3{-6.879716, -7.7, 2.0}, &exhaust);
    AddExhaustStream(th_main, VECTOR3{6.879716, -7.7, 2.0}, &exhaust);

    // Shared by every airliner: refilling them darkens the strobes of all.
    kit::add_light(*this, beacon_right, &beacon_right_pos, &beacon_right_col);
    kit::add_light(*this, beacon_left, &beacon_left_pos, &beacon_left_col);

    // Mesh 0 the exterior with the host's default visibility; 1 to 7 the day
    // cockpit, seen only from the virtual cockpit. The lights switch swaps
    // these indices, and the displays live on mesh 1.
    AddMesh(mesh_ext);
    for (const kit::CockpitMesh& m : cockpit_meshes) {
        const unsigned index = AddMesh(*m.day, &m.offset);
        SetMeshVisibilityMode(index, MeshVisibility::virtual_cockpit);
    }
}

void Airliner::clbkPostCreation() {
    sound_id = ConnectToVelmoraSoundDLL3(GetHandle());
    LoadVesselWave(sound_id, kEngineSlot, kEngineWave, kSoundType);
    LoadVesselWave(sound_id, kGearSlot, kGearWave, kSoundType);
    for (int option : kOptionsOff) SetSoundOption(sound_id, option, 0);
}

VESSEL* frame::create_vessel(VesselHandle hVessel, int flightmodel) {
    return new (std::nothrow) Airliner(hVessel, flightmodel);
}

void frame::destroy_vessel(VESSEL* vessel) {
    delete static_cast<Airliner*>(vessel);
}
