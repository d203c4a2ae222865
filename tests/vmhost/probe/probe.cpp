// A test plug-in for vmhost's own scenarios: a vessel that does little on its
// own and, on keys, makes the host calls a test wants to see (including the
// malformed ones a careless plug-in could make). Independent of the aircraft,
// so its traces stay fixed while they evolve.
//
// Keys: L toggles light 0; W asks for time acceleration 10; R reads every
// vessel reading; F sets fuel 123 and flap level 0.5; M exercises AddMesh and
// InsertMesh; N passes null pointers and unknown handles; S connects to the
// sound add-on; D answers with its arguments: down + 2 shift + 4 ctrl + 8 alt.
// Flight model 99 makes vmvcInit return null, 98 an object the host did not
// see constructed for the vessel.
#include "platform.h"
#include "vmapi.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace {

VECTOR3 light_pos[2] = {{1, 2, 3}, {-1, 2, 3}};
VECTOR3 light_col = {1, 0.5, 0.25};
BEACONLIGHTSPEC lights[2] = {
    {LightShape::star, &light_pos[0], &light_col, 0.1, 0.5, 1, 0.1, 0, false},
    {LightShape{0}, &light_pos[1], &light_col, 0.2, 0.5, 2, 0.2, 0.5, true},
};
unsigned groups[2] = {3, 4};
RotationTransform rotation(0, groups, 2, {0, 0, 1}, {1, 0, 0}, 6.2831855f);
TranslationTransform translation(1, groups, 1, {0, 0, -0.1});
RotationTransform broken(0, nullptr, 2, {0, 0, 0}, {0, 1, 0}, 1.0f);
PARTICLESTREAMSPEC exhaust = {0,
                              0.8,
                              565,
                              119,
                              0.019,
                              0.121,
                              1.51,
                              1.11,
                              ExhaustLighting::diffuse,
                              ExhaustLevelMap::square_root_between_bounds,
                              0,
                              2,
                              ExhaustAtmosphereMap::logarithmic_between_bounds,
                              1e-4,
                              1,
                              nullptr};
VCMFDSPEC display = {1, 100};

// Lift = angle, moment = Mach number, drag = Reynolds number.
void coeff(double aoa, double M, double Re, double* cl, double* cm, double* cd) {
    *cl = aoa;
    *cm = M;
    *cd = Re;
}

int sound_call(const char* name, VesselHandle vessel) {
    const platform::Symbol f =
        platform::find_symbol(platform::find_loaded_module("VelmoraSound.dll"), name);
    if (!f) return -1;
    return reinterpret_cast<int (*)(VesselHandle)>(f)(vessel);
}

class Probe : public VESSEL2 {
  public:
    using VESSEL2::VESSEL2;

    void clbkSetClassCaps(ConfigFileHandle) override {
        SetSize(2);
        PropellantHandle ph = CreatePropellantResource(500);
        CreatePropellantResource(800);
        thruster_ = CreateThruster(VECTOR3{0, 0, -1}, VECTOR3{0, 0, 1}, 1000, ph, 3e4);
        group_ = CreateThrusterGroup(&thruster_, 1, ThrusterGroupType::main);
        AddExhaustStream(thruster_, VECTOR3{0, 0, -2}, &exhaust);
        CreateAirfoil(LiftDirection::vertical, VECTOR3{0, 0, 0}, coeff, 1, 2, 3);
        CreateAirfoil(LiftDirection::horizontal, VECTOR3{0, 0, -1}, nullptr, 1, 2, 3);
        AddBeacon(&lights[0]);
        AddBeacon(&lights[1]);
        const unsigned anim = CreateAnimation(0.5);
        ComponentHandle parent = AddAnimationComponent(anim, 0, 1, &rotation);
        AddAnimationComponent(anim, 0, 1, &translation, parent);
        mesh_ = vmapiLoadMeshGlobal("Probe\\Body");
        AddMesh(mesh_);
    }

    void clbkPostStep(double, double, double) override { vmapiGetTimeAcceleration(); }

    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* key_state) override {
        switch (key) {
            case 0x26:  // L
                lights[0].active = !lights[0].active;
                return 1;
            case 0x11:  // W
                vmapiSetTimeAcceleration(10);
                return 1;
            case 0x13:  // R
                read_all();
                return 1;
            case key_code("F"):
                SetFuelMass(123);
                SetControlSurfaceLevel(SurfaceType::flap, 0.5);
                return 1;
            case 0x32:  // M
                meshes();
                return 1;
            case 0x31:  // N
                misuse();
                return 1;
            case 0x1F:  // S
                sound_call("GetVesselSoundID3", GetHandle());
                return 1;
            case 0x20:  // D
                return (down ? 1 : 0) + (modifier_held(key_state, Modifier::shift) ? 2 : 0) +
                       (modifier_held(key_state, Modifier::control) ? 4 : 0) +
                       (modifier_held(key_state, Modifier::alt) ? 8 : 0);
            default:
                return 0;
        }
    }

    bool clbkLoadVC(int id) override {
        if (id != 0) return false;
        vmapiVCRegisterMFD(0, &display);
        return true;
    }

  private:
    void read_all() {
        GetAirspeed();
        GetAltitude();
        GetPitch();
        GetBank();
        GetAOA();
        GroundContact();
        GetFuelMass();
        GetThrusterLevel(thruster_);
        GetThrusterGroupLevel(group_);
        for (int t = 0; t <= 4; ++t) GetControlSurfaceLevel(static_cast<SurfaceType>(t));
        double heading = -1;
        vmapiGetFocusHeading(&heading);
    }

    void meshes() {
        MeshHandle other = vmapiLoadMeshGlobal("Probe\\Other");
        AddMesh(other, &light_col);
        InsertMesh(other, 0);
        InsertMesh(mesh_, 2);
        InsertMesh(mesh_, 7);
    }

    void misuse() {
        int junk = 0;
        void* unknown = &junk;
        AddMesh(nullptr);
        AddMesh(unknown);
        InsertMesh(unknown, 4000000000u, nullptr);
        CreateThrusterGroup(nullptr, 3, ThrusterGroupType::main);
        CreateThrusterGroup(&unknown, -1, ThrusterGroupType::main);
        AddAnimationComponent(77, 0, 1, nullptr, unknown);
        AddAnimationComponent(0, 0, 1, &broken);
        AddBeacon(nullptr);
        AddExhaustStream(nullptr, VECTOR3{0, 0, 0}, nullptr);
        SetThrusterMax0(unknown, 1);
        GetThrusterLevel(nullptr);
        GetThrusterGroupLevel(thruster_);
        SetControlSurfaceLevel(static_cast<SurfaceType>(7), 1);
        GetControlSurfaceLevel(static_cast<SurfaceType>(6));
        SetAnimation(1000000, 0.5);
        vmapiVCRegisterMFD(-1, nullptr);
        vmapiLoadMeshGlobal(nullptr);
        Date2Int(nullptr);
        Date2Int("Foo 1 2000");
        vmapiGetFocusHeading(nullptr);
    }

    ThrusterHandle thruster_ = nullptr;
    ThrusterGroupHandle group_ = nullptr;
    MeshHandle mesh_ = nullptr;
};

#if !defined(_WIN32)
__attribute__((constructor)) void on_load() {
    InitLib(platform::own_module());
}
#endif

}  // namespace

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) InitLib(module);
    return TRUE;
}
#endif

VMAPI_PLUGIN_EXPORT VESSEL* vmvcInit(VesselHandle vessel, int flight_model) {
    if (flight_model == 99) return nullptr;
    if (flight_model == 98) return new Probe(nullptr, flight_model);
    return new Probe(vessel, flight_model);
}

VMAPI_PLUGIN_EXPORT void vmvcExit(VESSEL* vessel) {
    delete static_cast<Probe*>(vessel);
}

VMAPI_PLUGIN_EXPORT int GetModuleVersion() {
    return Date2Int("Jan  2 2024");
}
