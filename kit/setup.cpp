#include "airfoil.h"
#include "kit.h"

namespace kit {

void load_meshes(std::span<const MeshFile> files) {
    for (const MeshFile& m : files) *m.handle = vmapiLoadMeshGlobal(m.path);
}

void attach_meshes(const VESSEL& v, std::span<const AttachedMesh> meshes) {
    for (const AttachedMesh& m : meshes) {
        const unsigned index = v.AddMesh(*m.mesh, m.offset);
        if (m.visibility) v.SetMeshVisibilityMode(index, *m.visibility);
    }
}

void attach_cockpit(const VESSEL& v, std::span<const CockpitMesh> meshes) {
    for (const CockpitMesh& m : meshes) {
        const unsigned index = v.AddMesh(*m.day, &m.offset);
        v.SetMeshVisibilityMode(index, MeshVisibility::virtual_cockpit);
    }
}

void define_airframe(const VESSEL& v, const Airframe& a) {
    v.SetSize(a.size);
    v.SetEmptyMass(a.empty_mass);
    v.SetCW(a.cw[0], a.cw[1], a.cw[2], a.cw[3]);
    v.SetWingAspect(a.wing_aspect);
    v.SetWingEffectiveness(a.wing_effectiveness);
    v.SetCrossSections(a.cross_sections);
    v.SetRotDrag(a.rot_drag);
    if (v.GetFlightModel() >= 1) {
        v.SetPitchMomentScale(a.moment_scale);
        v.SetBankMomentScale(a.moment_scale);
    }
    v.SetPMI(a.pmi);
    v.SetTrimScale(a.trim_scale);
    v.SetCameraOffset(a.camera);
    v.SetTouchdownPoints(a.touchdown[0], a.touchdown[1], a.touchdown[2]);
}

void create_airfoils(const VESSEL& v, std::span<const Airfoil> airfoils) {
    for (const Airfoil& f : airfoils)
        v.CreateAirfoil(f.direction, f.reference, f.coefficients, f.chord, f.area, f.aspect);
}

void create_main_engine(const VESSEL& v, const Engine& e, ThrusterHandle& thruster) {
    PropellantHandle tank = v.CreatePropellantResource(e.tank_mass, -1, 1.0);
    thruster = v.CreateThruster(e.position, {0, 0, 1}, e.max_thrust, tank, e.isp, 0, 101400);
    v.CreateThrusterGroup(&thruster, 1, ThrusterGroupType::main);
}

void add_lights(VESSEL& v, std::span<const LightRow> rows, const LightLook& look) {
    for (const LightRow& r : rows) {
        Light& l = *r.light;
        l.position = r.position;
        l.colour = r.colour;
        l.spec = {look.shape,  &l.position,   &l.colour,        look.size, look.falloff,
                  look.period, look.duration, look.time_offset, false};
        v.AddBeacon(&l.spec);
    }
}

void look_from(const VESSEL& v, const CockpitCamera& c) {
    v.SetCameraOffset(c.offset);
    v.SetCameraDefaultDirection({0, 0, 1});
    const double side = c.side_degrees * airfoil::RAD;
    const double vertical = c.vertical_degrees * airfoil::RAD;
    v.SetCameraRotationRange(side, side, vertical, vertical);
}

}  // namespace kit
