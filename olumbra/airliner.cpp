#include "airliner.h"

#include <new>

#include "plugin.h"

namespace {

// The class meshes, shared by every airliner of the process. A name ending in
// _n is the night version of the mesh without it.
MESHHANDLE mesh_ext, mesh_cpit, mesh_cpit_alt, mesh_cpit_aoa, mesh_cpit_direct, mesh_cpit_speed,
    mesh_cpit_bank, mesh_cpit_clock, mesh_cpit_n, mesh_cpit_alt_n, mesh_cpit_aoa_n,
    mesh_cpit_direct_n, mesh_cpit_speed_n, mesh_cpit_bank_n, mesh_cpit_clock_n;

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

}  // namespace

Airliner::Airliner(OBJHANDLE hVessel, int flightmodel) : VESSEL2(hVessel, flightmodel) {
    for (const MeshFile& m : mesh_files) *m.handle = vmapiLoadMeshGlobal(m.path);
}

VESSEL* frame::create_vessel(OBJHANDLE hVessel, int flightmodel) {
    return new (std::nothrow) Airliner(hVessel, flightmodel);
}

void frame::destroy_vessel(VESSEL* vessel) { delete static_cast<Airliner*>(vessel); }
