// VESSEL's visual side (meshes, lights, animations, camera) and VESSEL2's
// defaults, as the stand-in host implements them, in the order vessel.cpp
// describes: act on the vessel's record, trace, check.
#include "state.h"

using host::trace::Line;

namespace {

host::Vessel* record(VesselHandle h) {
    return host::find_vessel(h);
}

}  // namespace

// ---- Meshes -------------------------------------------------------------------

unsigned VESSEL::AddMesh(MeshHandle hMesh, const VECTOR3* ofs) const {
    host::Vessel* v = record(vessel_);
    unsigned idx = 0;
    if (v) {
        idx = static_cast<unsigned>(v->meshes.size());
        v->meshes.push_back(hMesh);
    }
    Line("AddMesh").handle(hMesh).vec(ofs).result().integer(idx);
    host::check_mesh("AddMesh", hMesh);
    return idx;
}

unsigned VESSEL::InsertMesh(MeshHandle hMesh, unsigned idx, const VECTOR3* ofs) const {
    // An existing index is replaced; the next free one appends. Any other index
    // names no mesh slot: nothing changes and the host answers with the
    // largest index value, which no mesh has.
    host::Vessel* v = record(vessel_);
    unsigned result = static_cast<unsigned>(-1);
    bool inserted = false;
    if (v && idx < v->meshes.size()) {
        v->meshes[idx] = hMesh;
        inserted = true;
    } else if (v && idx == v->meshes.size()) {
        v->meshes.push_back(hMesh);
        inserted = true;
    }
    if (inserted) result = idx;
    Line("InsertMesh").handle(hMesh).integer(idx).vec(ofs).result().integer(result);
    host::check_mesh("InsertMesh", hMesh);
    // The next free index appends; beyond it there is no mesh to replace.
    if (v && !inserted) host::check_mesh_index("InsertMesh", v, idx);
    return result;
}

void VESSEL::SetMeshVisibilityMode(unsigned idx, MeshVisibility mode) const {
    Line("SetMeshVisibilityMode").integer(idx).integer(static_cast<int>(mode));
    host::check_mesh_index("SetMeshVisibilityMode", record(vessel_), idx);
}

// ---- Lights and animations ------------------------------------------------------

void VESSEL::AddBeacon(BEACONLIGHTSPEC* bs) {
    host::Vessel* v = record(vessel_);
    if (v && bs) v->lights.push_back(host::Light{bs, bs->active});
    if (bs) host::keep_record(v, bs);
    Line("AddBeacon").light(bs);
    if (!bs) host::broken_rule().word("AddBeacon").word("null is no light");
}

unsigned VESSEL::CreateAnimation(double initial_state) const {
    host::Vessel* v = record(vessel_);
    unsigned id = 0;
    if (v) {
        id = static_cast<unsigned>(v->animations.size());
        v->animations.push_back(initial_state);
    }
    Line("CreateAnimation").real(initial_state).result().integer(id);
    return id;
}

ComponentHandle VESSEL::AddAnimationComponent(unsigned anim, double state0, double state1,
                                              MGROUP_TRANSFORM* trans, ComponentHandle parent) {
    host::Object* ac = host::make_object(host::Kind::component, record(vessel_));
    host::Vessel* v = ac->owner;
    if (trans) host::keep_record(v, trans);
    Line("AddAnimationComponent")
        .integer(anim)
        .real(state0)
        .real(state1)
        .transform(trans)
        .handle(parent)
        .result()
        .handle(ac);
    host::check_animation("AddAnimationComponent", v, anim);
    if (parent) host::check_handle("AddAnimationComponent", v, parent, host::Kind::component);
    if (!trans) host::broken_rule().word("AddAnimationComponent").word("null is no transform");
    return ac;
}

void VESSEL::SetAnimation(unsigned anim, double state) const {
    host::Vessel* v = record(vessel_);
    if (v && anim < v->animations.size()) v->animations[anim] = state;
    Line("SetAnimation").integer(anim).real(state);
    host::check_animation("SetAnimation", v, anim);
}

// ---- Camera: nothing the host keeps -------------------------------------------

void VESSEL::SetCameraOffset(const VECTOR3& co) const {
    Line("SetCameraOffset").vec(co);
}

void VESSEL::SetCameraDefaultDirection(const VECTOR3& cd) const {
    Line("SetCameraDefaultDirection").vec(cd);
}

void VESSEL::SetCameraRotationRange(double left, double right, double up, double down) const {
    Line("SetCameraRotationRange").real(left).real(right).real(up).real(down);
}

// ---- VESSEL2 ------------------------------------------------------------------

VESSEL2::VESSEL2(VesselHandle vessel, int flight_model) : VESSEL(vessel, flight_model) {
    Line("VESSEL2").handle(vessel).integer(flight_model);
    if (host::Vessel* v = record(vessel)) v->object2 = this;
}

// The host's defaults: nothing to do, nothing consumed or supported.
void VESSEL2::clbkSetClassCaps(ConfigFileHandle) {}
void VESSEL2::clbkPostCreation() {}
void VESSEL2::clbkPostStep(double, double, double) {}
int VESSEL2::clbkConsumeBufferedKey(std::uint32_t, bool, char*) {
    return 0;
}
bool VESSEL2::clbkLoadVC(int) {
    return false;
}
