// A test plug-in that breaks one rule of the host contract per key, so that
// each of the host's checks is seen to fire. It defines a small vessel
// correctly; only the keys misbehave.
//
// Keys: T sets the maximum thrust of the thruster the most recently created
// breaker got (another vessel's, or a deleted one's); A sets an animation id
// the vessel never created; M sets the visibility of a mesh index it never
// added; C sets the level of a control-surface type it never created; H
// attaches a thruster handle as a mesh; G reads a thruster handle as a
// thruster group; R changes a transform after handing it over; L switches
// its light (allowed) and moves it (not allowed); P passes a propellant
// resource of another vessel to a new thruster.
#include "vmapi.h"

namespace {

VECTOR3 light_pos = {0, 1, 0};
VECTOR3 light_col = {1, 1, 1};
BEACONLIGHTSPEC light = {LightShape::star, &light_pos, &light_col, 0.1, 0.5, 1, 0.1, 0, false};
unsigned groups[2] = {1, 2};
RotationTransform rotation(0, groups, 2, {0, 0, 0}, {1, 0, 0}, 1.0f);

// The most recent breaker's engine and tank, kept module-wide on purpose.
ThrusterHandle last_thruster = nullptr;
PropellantHandle last_tank = nullptr;

class Breaker : public VESSEL2 {
  public:
    Breaker(VesselHandle vessel, int flight_model) : VESSEL2(vessel, flight_model) {
        anim_ = CreateAnimation(0);
        AddAnimationComponent(anim_, 0, 1, &rotation);
    }

    void clbkSetClassCaps(ConfigFileHandle) override {
        tank_ = CreatePropellantResource(100);
        thruster_ = CreateThruster(VECTOR3{0, 0, -1}, VECTOR3{0, 0, 1}, 10, tank_, 1000);
        CreateControlSurface(SurfaceType::elevator, 1, 0.1, VECTOR3{0, 0, -2},
                             HingeAxis::x_positive, anim_);
        AddBeacon(&light);
        AddMesh(vmapiLoadMeshGlobal("Breaker"));
        prior_tank_ = last_tank;
        last_thruster = thruster_;
        last_tank = tank_;
    }

    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char*) override {
        if (!down) return 0;
        switch (key) {
            case 0x14:  // T
                SetThrusterMax0(last_thruster, 20);
                return 1;
            case 0x1E:  // A
                SetAnimation(anim_ + 1, 0.5);
                return 1;
            case 0x32:  // M
                SetMeshVisibilityMode(1, MeshVisibility::virtual_cockpit);
                return 1;
            case 0x2E:  // C
                SetControlSurfaceLevel(SurfaceType::rudder, 0.5);
                return 1;
            case 0x23:  // H
                AddMesh(thruster_);
                return 1;
            case 0x22:  // G
                GetThrusterGroupLevel(thruster_);
                return 1;
            case 0x13:  // R
                rotation.angle = 2.0f;
                return 1;
            case 0x26:  // L
                light.active = !light.active;
                light_pos.y = 2;
                return 1;
            case 0x19:  // P
                CreateThruster(VECTOR3{0, 0, 1}, VECTOR3{0, 0, -1}, 10, prior_tank_, 1000);
                return 1;
            default:
                return 0;
        }
    }

  private:
    unsigned anim_ = 0;
    PropellantHandle tank_ = nullptr;
    PropellantHandle prior_tank_ = nullptr;
    ThrusterHandle thruster_ = nullptr;
};

}  // namespace

VMAPI_PLUGIN_EXPORT VESSEL* vmvcInit(VesselHandle vessel, int flight_model) {
    return new Breaker(vessel, flight_model);
}

VMAPI_PLUGIN_EXPORT void vmvcExit(VESSEL* vessel) {
    delete static_cast<Breaker*>(vessel);
}

VMAPI_PLUGIN_EXPORT int GetModuleVersion() {
    return 1;
}
