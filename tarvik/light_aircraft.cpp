#include "light_aircraft.h"

#include <new>

#include "kit.h"
#include "plugin.h"
#include "state.h"

using namespace tarvik;

namespace {

// Mesh files in load order.
const kit::MeshFile mesh_files[] = {
    {"Vorn\\Tarvik", &mesh_exterior},
    {"Vorn\\Tarvik-Cpit", &mesh_cockpit},
    {"Vorn\\Tarvik-Prop", &mesh_propeller},
    {"Vorn\\Tarvik-Prop-Blurred", &mesh_propeller_blurred},
    {"Vorn\\Tarvik-Cpit_n", &mesh_cockpit_night},
    {"Vorn\\Tarvik-Cpit-Hor2", &mesh_horizon},
    {"Vorn\\Tarvik-Cpit-Yaw", &mesh_yaw_indicator},
};

}  // namespace

LightAircraft::LightAircraft(VesselHandle hVessel, int flightmodel)
    : VESSEL2(hVessel, flightmodel) {
    kit::load_meshes(mesh_files);
    DefineAnimations();
}

VESSEL* frame::create_vessel(VesselHandle hVessel, int flightmodel) {
    auto* aircraft = new (std::nothrow) LightAircraft(hVessel, flightmodel);
    // Without its horizon transform the aircraft is incomplete: no object at all.
    if (aircraft && !aircraft->horizon_pitch_rotation) {
        delete aircraft;
        return nullptr;
    }
    return aircraft;
}

void frame::destroy_vessel(VESSEL* vessel) {
    auto* aircraft = static_cast<LightAircraft*>(vessel);
    delete aircraft->horizon_pitch_rotation;
    delete aircraft;
}
