// Construction and the one-time definition of the airliner: class set-up and
// sound set-up.
#include "airliner.h"

#include <new>

#include "airfoil.h"
#include "plugin.h"
#include "shared_state.h"
#include "sound_client.h"

using namespace olumbra;

namespace {

// Mesh files in load order.
struct MeshFile {
    const char* path;
    MESHHANDLE* handle;
};
const MeshFile mesh_files[] = {
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

// Control surfaces in creation order. The elevator animation serves both the
// elevator and its trim.
struct ControlSurface {
    AIRCTRL_TYPE type;
    double area;
    double dCl;
    VECTOR3 ref;
    int axis;
    UINT Airliner::*anim;
};

// Both exhaust streams, one under each wing, share this record.
PARTICLESTREAMSPEC exhaust = {.flags = 0,
                              .srcsize = 0.8,
                              .srcrate = 565.0,
                              .v0 = 119.0,
                              .srcspread = 0.019,
                              .lifetime = 0.121,
                              .growthrate = 1.51,
                              .atmslowdown = 1.11,
                              .ltype = PARTICLESTREAMSPEC::DIFFUSE,
                              .levelmap = PARTICLESTREAMSPEC::LVL_PSQRT,  // sqrt of level
                              .lmin = 0.0,
                              .lmax = 2.0,
                              .atmsmap = PARTICLESTREAMSPEC::ATM_PLOG,  // log of density
                              .amin = 1e-4,
                              .amax = 1.0,
                              .tex = nullptr};

// Refills a strobe record completely, dark, before it is registered.
void fill_strobe(BEACONLIGHTSPEC& light, VECTOR3& pos, VECTOR3& col, const VECTOR3& position,
                 const VECTOR3& colour) {
    pos = position;
    col = colour;
    light = {BEACONSHAPE_STAR, &pos, &col, 0.12, 0.6, 1.13, 0.05, 0.6, false};
}

constexpr char kEngineWave[] = "Sound\\Vessel\\Olumbra\\Olumbra-Eng.wav";
constexpr char kGearWave[] = "Sound\\Vessel\\Olumbra\\Olumbra-Gear.wav";
constexpr int kSoundType = 4;
// Add-on options the airliner switches off, in this order.
constexpr int kOptionsOff[] = {5, 6, 1, 13, 14, 16, 17};

}  // namespace

Airliner::Airliner(OBJHANDLE hVessel, int flightmodel) : VESSEL2(hVessel, flightmodel) {
    for (const MeshFile& m : mesh_files) *m.handle = vmapiLoadMeshGlobal(m.path);
    DefineAnimations();
}

void Airliner::clbkSetClassCaps(FILEHANDLE) {
    SetSize(8.0);
    SetEmptyMass(15000.0);
    SetCW(0.3, 0.3, 0.6, 0.9);
    SetWingAspect(1.7);
    SetWingEffectiveness(3.1);
    SetCrossSections(_V(5.0, 5.0, 15.0));
    SetRotDrag(_V(3.5, 3.5, 3.5));
    if (GetFlightModel() >= 1) {
        SetPitchMomentScale(1e-4);
        SetBankMomentScale(1e-4);
    }
    SetPMI(_V(15.5, 22.1, 7.7));
    SetTrimScale(0.05);
    SetCameraOffset(_V(-1.0, -3.5, 26.0));
    SetTouchdownPoints(_V(0.0, -9.3, 9.0), _V(-4.0, -9.3, -5.0), _V(4.0, -9.3, -5.0));

    CreateAirfoil(LIFT_VERTICAL, _V(0.0, 0.0, -0.2), airfoil::wing_lift_coeff, 20.0, 270.0, 2.266);
    CreateAirfoil(LIFT_HORIZONTAL, _V(0.0, 0.0, -4.0), airfoil::fin_lift_coeff, 20.0, 50.0, 1.5);

    static const ControlSurface surfaces[] = {
        {AIRCTRL_ELEVATOR,
         6.7,
         0.67,
         {0.0, 0.0, -16.0},
         AIRCTRL_AXIS_XPOS,
         &Airliner::anim_elevator},
        {AIRCTRL_RUDDER, 2.0, 0.5, {0.0, 2.0, -15.0}, AIRCTRL_AXIS_YPOS, &Airliner::anim_rudder},
        {AIRCTRL_AILERON,
         4.0,
         0.12,
         {14.0, 0.0, -14.0},
         AIRCTRL_AXIS_XPOS,
         &Airliner::anim_raileron},
        {AIRCTRL_AILERON,
         4.0,
         0.12,
         {-14.0, 0.0, -14.0},
         AIRCTRL_AXIS_XNEG,
         &Airliner::anim_laileron},
        {AIRCTRL_ELEVATORTRIM,
         5.0,
         0.1,
         {0.0, 0.0, -16.0},
         AIRCTRL_AXIS_XPOS,
         &Airliner::anim_elevator},
    };
    for (const ControlSurface& s : surfaces)
        CreateControlSurface(s.type, s.area, s.dCl, s.ref, s.axis, this->*s.anim);

    // Maximum thrust 0 until the first step's flight envelope sets it.
    PROPELLANT_HANDLE fuel = CreatePropellantResource(33000.0, -1.0, 1.0);
    th_main =
        CreateThruster(_V(0.0, 0.0, -2.0), _V(0.0, 0.0, 1.0), 0.0, fuel, 50000.0, 0.0, 101400.0);
    CreateThrusterGroup(&th_main, 1, THGROUP_MAIN);
    AddExhaustStream(th_main, _V(-6.879716, -7.7, 2.0), &exhaust);
    AddExhaustStream(th_main, _V(6.879716, -7.7, 2.0), &exhaust);

    // Shared by every airliner: refilling them darkens the strobes of all.
    fill_strobe(beacon_right, beacon_right_pos, beacon_right_col, _V(24.40523, -4.54581, -5.953804),
                _V(0.043, 0.161, 0.992));
    AddBeacon(&beacon_right);
    fill_strobe(beacon_left, beacon_left_pos, beacon_left_col, _V(-24.40523, -4.54581, -5.953804),
                _V(0.988, 0.133, 0.133));
    AddBeacon(&beacon_left);

    // Mesh 0 the exterior with the host's default visibility; 1 to 7 the day
    // cockpit, seen only from the virtual cockpit. The lights switch swaps
    // these indices, and the displays live on mesh 1.
    AddMesh(mesh_ext);
    for (const CockpitMesh& m : cockpit_meshes) {
        const UINT index = AddMesh(*m.day, &m.offset);
        SetMeshVisibilityMode(index, MESHVIS_VC);
    }
}

void Airliner::clbkPostCreation() {
    sound_id = ConnectToVelmoraSoundDLL3(GetHandle());
    LoadVesselWave(sound_id, kEngineSlot, kEngineWave, kSoundType);
    LoadVesselWave(sound_id, kGearSlot, kGearWave, kSoundType);
    for (int option : kOptionsOff) SetSoundOption(sound_id, option, 0);
}

VESSEL* frame::create_vessel(OBJHANDLE hVessel, int flightmodel) {
    return new (std::nothrow) Airliner(hVessel, flightmodel);
}

void frame::destroy_vessel(VESSEL* vessel) {
    delete static_cast<Airliner*>(vessel);
}
