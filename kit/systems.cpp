#include "kit.h"

namespace kit {

void cap_time_acceleration(double max_warp) {
    if (vmapiGetTimeAcceleration() > max_warp) vmapiSetTimeAcceleration(max_warp);
}

void apply_flight_envelope(const VESSEL& v, ThrusterHandle engine,
                           std::span<const EnvelopeRule> rules) {
    const double airspeed = v.GetAirspeed();
    const double altitude = v.GetAltitude();
    for (const EnvelopeRule& r : rules) {
        if (!within(r.airspeed, airspeed) || !within(r.altitude, altitude)) continue;
        const EnvelopeSetting& s = *r.setting;
        v.SetCW(s.forward, s.backward, s.lateral, s.vertical);
        v.SetThrusterMax0(engine, s.max_thrust);
    }
}

void steer_on_ground(const VESSEL& v, const GroundSteering& s, double max_warp) {
    const double airspeed = v.GetAirspeed();  // read before the rudder, as the trace shows
    const double force = airspeed * v.GetControlSurfaceLevel(SurfaceType::rudder) * s.gain;
    if (vmapiGetTimeAcceleration() > max_warp) return;
    // Equal and opposite: a pure turning moment about the vertical axis.
    v.AddForce({force, 0, 0}, {0, 0, s.arm});
    v.AddForce({-force, 0, 0}, {0, 0, -s.arm});
}

void spin_propeller(const VESSEL& v, ThrusterHandle engine, unsigned anim, double& phase,
                    const Propeller& p) {
    const double level = v.GetThrusterLevel(engine);
    const double airspeed = v.GetAirspeed();
    if (level >= p.running_level || airspeed > p.windmilling) {
        if (phase > 1) phase = 0;
        phase += p.turn;
        v.SetAnimation(anim, phase);
    }
    if (level == 0 && airspeed <= p.windmilling) v.SetAnimation(anim, 0);
}

void show_cockpit(const VESSEL& v, std::span<const CockpitMesh> meshes, unsigned first_index,
                  bool night) {
    unsigned index = first_index;
    for (const CockpitMesh& m : meshes) {
        const unsigned inserted = v.InsertMesh(night ? *m.night : *m.day, index++, &m.offset);
        v.SetMeshVisibilityMode(inserted, MeshVisibility::virtual_cockpit);
    }
}

void switch_lights(const VESSEL& v, double& request, double lights_on,
                   std::span<Light* const> lights, std::span<const CockpitMesh> cockpit,
                   unsigned first_index) {
    if (!take_request(request, lights_on)) return;
    const bool night = lights_on == 1.0;
    for (Light* l : lights) l->spec.active = night;
    show_cockpit(v, cockpit, first_index, night);
}

}  // namespace kit
