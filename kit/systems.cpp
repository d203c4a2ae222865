#include "kit.h"

namespace kit {

void cap_time_acceleration(double max_warp) {
    if (vmapiGetTimeAcceleration() > max_warp) vmapiSetTimeAcceleration(max_warp);
}

void steer_on_ground(const VESSEL& v, const GroundSteering& s, double max_warp) {
    const double airspeed = v.GetAirspeed();  // read before the rudder, as the trace shows
    const double force = airspeed * v.GetControlSurfaceLevel(SurfaceType::rudder) * s.gain;
    if (vmapiGetTimeAcceleration() > max_warp) return;
    // Equal and opposite: a pure turning moment about the vertical axis.
    v.AddForce(VECTOR3{force, 0, 0}, VECTOR3{0, 0, s.arm});
    v.AddForce(VECTOR3{-force, 0, 0}, VECTOR3{0, 0, -s.arm});
}

void show_cockpit(const VESSEL& v, std::span<const CockpitMesh> meshes, unsigned first_index,
                  bool night) {
    unsigned index = first_index;
    for (const CockpitMesh& m : meshes) {
        const unsigned inserted = v.InsertMesh(night ? *m.night : *m.day, index++, &m.offset);
        v.SetMeshVisibilityMode(inserted, MeshVisibility::virtual_cockpit);
    }
}

}  // namespace kit
