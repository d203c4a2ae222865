// VESSEL and VESSEL2 as the stand-in host implements them: every method traces
// itself and acts on the vessel record the object was constructed for. Nothing
// a plug-in passes (null pointers, unknown handles, indices out of range) may
// crash the host: such calls are traced, reported as broken contract rules
// ("! ..." after the call's line) and otherwise ignored.
#include "state.h"

namespace host {
namespace {

Vessel* record(OBJHANDLE h) {
    return find_vessel(h);
}

double get(OBJHANDLE h, Reading r) {
    const Vessel* v = record(h);
    return v ? v->readings[static_cast<int>(r)] : 0.0;
}

// The reading behind a control-surface type, or -1 for types the host does not
// keep (rudder trim and anything out of range).
int surface_reading(AIRCTRL_TYPE type) {
    const int t = static_cast<int>(type);
    return t >= 0 && t <= 4 ? static_cast<int>(Reading::elevator) + t : -1;
}

// The vessel owning a thruster or thruster group handle.
Vessel* owner_of(const void* h, Kind kind) {
    const Object* o = find(h);
    return o && o->kind == kind ? o->owner : nullptr;
}

}  // namespace
}  // namespace host

using host::Line;
using host::Reading;

VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel) : vessel_(hVessel), flight_model_(fmodel) {
    if (host::Vessel* v = host::record(vessel_)) {
        v->object = this;
        v->object2 = nullptr;
    }
}

VESSEL::~VESSEL() {
    host::Vessel* v = host::record(vessel_);
    if (v && v->object == this) {
        // What this object handed over goes with it.
        host::release_records(v);
        v->object = nullptr;
        v->object2 = nullptr;
    }
}

OBJHANDLE VESSEL::GetHandle() const {
    Line("GetHandle").result().handle(vessel_);
    return vessel_;
}

int VESSEL::GetFlightModel() const {
    const host::Vessel* v = host::record(vessel_);
    const int model = v ? v->model : flight_model_;
    Line("GetFlightModel").result().integer(model);
    return model;
}

double VESSEL::GetAirspeed() const {
    const double r = host::get(vessel_, Reading::airspeed);
    Line("GetAirspeed").result().real(r);
    return r;
}

double VESSEL::GetAltitude() const {
    const double r = host::get(vessel_, Reading::altitude);
    Line("GetAltitude").result().real(r);
    return r;
}

double VESSEL::GetPitch() const {
    const double r = host::get(vessel_, Reading::pitch);
    Line("GetPitch").result().real(r);
    return r;
}

double VESSEL::GetBank() const {
    const double r = host::get(vessel_, Reading::bank);
    Line("GetBank").result().real(r);
    return r;
}

double VESSEL::GetAOA() const {
    const double r = host::get(vessel_, Reading::aoa);
    Line("GetAOA").result().real(r);
    return r;
}

bool VESSEL::GroundContact() const {
    const bool r = host::get(vessel_, Reading::ground) != 0.0;
    Line("GroundContact").result().boolean(r);
    return r;
}

void VESSEL::SetSize(double size) const {
    if (host::Vessel* v = host::record(vessel_)) v->body.vessel.size = size;
    Line("SetSize").real(size);
}
void VESSEL::SetEmptyMass(double m) const {
    if (host::Vessel* v = host::record(vessel_)) v->body.vessel.empty_mass = m;
    Line("SetEmptyMass").real(m);
}

void VESSEL::SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const {
    if (host::Vessel* v = host::record(vessel_)) {
        flight::Vessel& d = v->body.vessel;
        d.cw_zpos = cw_z_pos;
        d.cw_zneg = cw_z_neg;
        d.cw_x = cw_x;
        d.cw_y = cw_y;
    }
    Line("SetCW").real(cw_z_pos).real(cw_z_neg).real(cw_x).real(cw_y);
}

void VESSEL::SetWingAspect(double aspect) const {
    Line("SetWingAspect").real(aspect);
}
void VESSEL::SetWingEffectiveness(double eff) const {
    Line("SetWingEffectiveness").real(eff);
}
void VESSEL::SetCrossSections(const VECTOR3& cs) const {
    if (host::Vessel* v = host::record(vessel_)) v->body.vessel.cross_sections = {cs.x, cs.y, cs.z};
    Line("SetCrossSections").vec(cs);
}
void VESSEL::SetRotDrag(const VECTOR3& rd) const {
    if (host::Vessel* v = host::record(vessel_)) v->body.vessel.rot_drag = {rd.x, rd.y, rd.z};
    Line("SetRotDrag").vec(rd);
}
void VESSEL::SetPMI(const VECTOR3& pmi) const {
    if (host::Vessel* v = host::record(vessel_)) v->body.vessel.pmi = {pmi.x, pmi.y, pmi.z};
    Line("SetPMI").vec(pmi);
}
void VESSEL::SetTrimScale(double scale) const {
    Line("SetTrimScale").real(scale);
}
void VESSEL::SetPitchMomentScale(double scale) const {
    Line("SetPitchMomentScale").real(scale);
}
void VESSEL::SetBankMomentScale(double scale) const {
    Line("SetBankMomentScale").real(scale);
}

void VESSEL::SetTouchdownPoints(const VECTOR3& pt1, const VECTOR3& pt2, const VECTOR3& pt3) const {
    if (host::Vessel* v = host::record(vessel_))
        v->body.vessel.touchdown = {
            {pt1.x, pt1.y, pt1.z}, {pt2.x, pt2.y, pt2.z}, {pt3.x, pt3.y, pt3.z}};
    Line("SetTouchdownPoints").vec(pt1).vec(pt2).vec(pt3);
}

void VESSEL::CreateAirfoil(AIRFOIL_ORIENTATION align, const VECTOR3& ref, AirfoilCoeffFunc cf,
                           double c, double S, double A) const {
    if (host::Vessel* v = host::record(vessel_))
        v->body.vessel.airfoils.push_back({align, {ref.x, ref.y, ref.z}, cf, c, S, A});
    Line("CreateAirfoil").integer(align).vec(ref).coeff(cf).real(c).real(S).real(A);
    if (host::Vessel* v = host::record(vessel_))
        v->airfoils.push_back(host::Airfoil{align, ref, cf, c, S, A});
}

void VESSEL::CreateControlSurface(AIRCTRL_TYPE type, double area, double dCl, const VECTOR3& ref,
                                  int axis, UINT anim) const {
    if (host::Vessel* v = host::record(vessel_))
        v->body.vessel.surfaces.push_back({type, area, dCl, {ref.x, ref.y, ref.z}, axis});
    Line("CreateControlSurface")
        .integer(type)
        .real(area)
        .real(dCl)
        .vec(ref)
        .integer(axis)
        .integer(anim);
    host::Vessel* v = host::record(vessel_);
    // UINT(-1): a surface that moves no animation.
    if (anim != static_cast<UINT>(-1)) host::check_animation("CreateControlSurface", v, anim);
    if (v) v->surfaces.push_back(host::ControlSurface{type, area, dCl, ref, axis, anim});
}

void VESSEL::SetControlSurfaceLevel(AIRCTRL_TYPE type, double level) const {
    Line("SetControlSurfaceLevel").integer(type).real(level);
    host::Vessel* v = host::record(vessel_);
    host::check_surface("SetControlSurfaceLevel", v, type);
    const int r = host::surface_reading(type);
    if (v && r >= 0) v->readings[r] = level;
}

double VESSEL::GetControlSurfaceLevel(AIRCTRL_TYPE type) const {
    const host::Vessel* v = host::record(vessel_);
    const int r = host::surface_reading(type);
    const double level = v && r >= 0 ? v->readings[r] : 0.0;
    Line("GetControlSurfaceLevel").integer(type).result().real(level);
    return level;
}

void VESSEL::AddForce(const VECTOR3& F, const VECTOR3& r) const {
    host::Vessel* v = host::record(vessel_);
    if (v && host::physics()) v->body.add_force({F.x, F.y, F.z}, {r.x, r.y, r.z});
    Line("AddForce").vec(F).vec(r);
}

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass,
                                                   double efficiency) const {
    host::Vessel* v = host::record(vessel_);
    host::Object* ph = host::make_object(host::Kind::propellant, v);
    if (v) {
        ph->index = static_cast<int>(v->body.vessel.propellants.size());
        v->body.vessel.propellants.push_back({maxmass, mass < 0 ? maxmass : mass, efficiency});
    }
    if (v && !v->has_propellant) {
        v->has_propellant = true;
        v->readings[static_cast<int>(Reading::fuel)] = maxmass;
    }
    Line("CreatePropellantResource").real(maxmass).real(mass).real(efficiency).result().handle(ph);
    return ph;
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3& pos, const VECTOR3& dir, double maxth0,
                                       PROPELLANT_HANDLE hp, double isp0, double isp_ref,
                                       double p_ref) const {
    host::Object* th = host::make_object(host::Kind::thruster, host::record(vessel_));
    if (host::Vessel* v = th->owner) {
        const host::Object* tank = host::find(hp);
        const int p =
            tank && tank->kind == host::Kind::propellant && tank->owner == v ? tank->index : -1;
        th->index = static_cast<int>(v->body.vessel.thrusters.size());
        v->body.vessel.thrusters.push_back(
            {{pos.x, pos.y, pos.z}, {dir.x, dir.y, dir.z}, maxth0, isp0, isp_ref, p_ref, p, 0.0});
    }
    Line("CreateThruster")
        .vec(pos)
        .vec(dir)
        .real(maxth0)
        .handle(hp)
        .real(isp0)
        .real(isp_ref)
        .real(p_ref)
        .result()
        .handle(th);
    if (hp) host::check_handle("CreateThruster", host::record(vessel_), hp, host::Kind::propellant);
    return th;
}

THGROUP_HANDLE VESSEL::CreateThrusterGroup(THRUSTER_HANDLE* th, int nth, THGROUP_TYPE type) const {
    host::Object* g = host::make_object(host::Kind::group, host::record(vessel_));
    Line("CreateThrusterGroup").handles(th, nth).integer(nth).integer(type).result().handle(g);
    if (nth < 0 || (nth > 0 && !th)) {
        host::violation().word("CreateThrusterGroup").word("has no list of").integer(nth).word(
            "thrusters");
    } else {
        for (int i = 0; i < nth; ++i)
            host::check_handle("CreateThrusterGroup", g->owner, th[i], host::Kind::thruster);
    }
    return g;
}

void VESSEL::AddExhaustStream(THRUSTER_HANDLE th, const VECTOR3& pos,
                              PARTICLESTREAMSPEC* pss) const {
    Line("AddExhaustStream").handle(th).vec(pos).exhaust(pss);
    host::check_handle("AddExhaustStream", host::record(vessel_), th, host::Kind::thruster);
}

void VESSEL::SetThrusterMax0(THRUSTER_HANDLE th, double maxth0) const {
    // The thruster's own vessel, whichever vessel's plug-in object asks.
    if (const host::Object* o = host::find(th); o && o->kind == host::Kind::thruster && o->owner)
        o->owner->body.vessel.thrusters[static_cast<std::size_t>(o->index)].max0 = maxth0;
    Line("SetThrusterMax0").handle(th).real(maxth0);
    host::check_handle("SetThrusterMax0", host::record(vessel_), th, host::Kind::thruster);
}

double VESSEL::GetThrusterLevel(THRUSTER_HANDLE th) const {
    const host::Vessel* owner = host::owner_of(th, host::Kind::thruster);
    const double level = owner ? owner->readings[static_cast<int>(Reading::thrust)] : 0.0;
    Line("GetThrusterLevel").handle(th).result().real(level);
    host::check_handle("GetThrusterLevel", host::record(vessel_), th, host::Kind::thruster);
    return level;
}

double VESSEL::GetThrusterGroupLevel(THGROUP_HANDLE thg) const {
    const host::Vessel* owner = host::owner_of(thg, host::Kind::group);
    const double level = owner ? owner->readings[static_cast<int>(Reading::thrust)] : 0.0;
    Line("GetThrusterGroupLevel").handle(thg).result().real(level);
    host::check_handle("GetThrusterGroupLevel", host::record(vessel_), thg, host::Kind::group);
    return level;
}

double VESSEL::GetFuelMass() const {
    const double m = host::get(vessel_, Reading::fuel);
    Line("GetFuelMass").result().real(m);
    return m;
}

void VESSEL::SetFuelMass(double m) const {
    Line("SetFuelMass").real(m);
    if (host::Vessel* v = host::record(vessel_)) v->readings[static_cast<int>(Reading::fuel)] = m;
}

UINT VESSEL::AddMesh(MESHHANDLE hMesh, const VECTOR3* ofs) const {
    host::Vessel* v = host::record(vessel_);
    UINT idx = 0;
    if (v) {
        idx = static_cast<UINT>(v->meshes.size());
        v->meshes.push_back(hMesh);
    }
    Line("AddMesh").handle(hMesh).vec(ofs).result().integer(idx);
    host::check_mesh("AddMesh", hMesh);
    return idx;
}

UINT VESSEL::InsertMesh(MESHHANDLE hMesh, UINT idx, const VECTOR3* ofs) const {
    // An existing index is replaced; the next free one appends. Any other index
    // names no mesh slot: nothing changes and the host answers with the
    // largest index value, which no mesh has.
    host::Vessel* v = host::record(vessel_);
    UINT result = static_cast<UINT>(-1);
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

void VESSEL::SetMeshVisibilityMode(UINT idx, WORD mode) const {
    Line("SetMeshVisibilityMode").integer(idx).integer(mode);
    host::check_mesh_index("SetMeshVisibilityMode", host::record(vessel_), idx);
}

void VESSEL::AddBeacon(BEACONLIGHTSPEC* bs) {
    Line("AddBeacon").light(bs);
    host::Vessel* v = host::record(vessel_);
    if (!bs) {
        host::violation().word("AddBeacon").word("null is no light");
        return;
    }
    if (v) v->lights.push_back(host::Light{bs, bs->active});
    host::keep_record(v, bs);
}

UINT VESSEL::CreateAnimation(double initial_state) const {
    host::Vessel* v = host::record(vessel_);
    UINT id = 0;
    if (v) {
        id = static_cast<UINT>(v->animations.size());
        v->animations.push_back(initial_state);
    }
    Line("CreateAnimation").real(initial_state).result().integer(id);
    return id;
}

ANIMATIONCOMPONENT_HANDLE VESSEL::AddAnimationComponent(UINT anim, double state0, double state1,
                                                        MGROUP_TRANSFORM* trans,
                                                        ANIMATIONCOMPONENT_HANDLE parent) {
    host::Object* ac = host::make_object(host::Kind::component, host::record(vessel_));
    Line("AddAnimationComponent")
        .integer(anim)
        .real(state0)
        .real(state1)
        .transform(trans)
        .handle(parent)
        .result()
        .handle(ac);
    host::Vessel* v = ac->owner;
    host::check_animation("AddAnimationComponent", v, anim);
    if (parent) host::check_handle("AddAnimationComponent", v, parent, host::Kind::component);
    if (trans) {
        host::keep_record(v, trans);
    } else {
        host::violation().word("AddAnimationComponent").word("null is no transform");
    }
    return ac;
}

void VESSEL::SetAnimation(UINT anim, double state) const {
    Line("SetAnimation").integer(anim).real(state);
    host::Vessel* v = host::record(vessel_);
    host::check_animation("SetAnimation", v, anim);
    if (v && anim < v->animations.size()) v->animations[anim] = state;
}

void VESSEL::SetCameraOffset(const VECTOR3& co) const {
    Line("SetCameraOffset").vec(co);
}

void VESSEL::SetCameraDefaultDirection(const VECTOR3& cd) const {
    Line("SetCameraDefaultDirection").vec(cd);
}

void VESSEL::SetCameraRotationRange(double left, double right, double up, double down) const {
    Line("SetCameraRotationRange").real(left).real(right).real(up).real(down);
}

VESSEL2::VESSEL2(OBJHANDLE hVessel, int fmodel) : VESSEL(hVessel, fmodel) {
    Line("VESSEL2").handle(hVessel).integer(fmodel);
    if (host::Vessel* v = host::record(hVessel)) v->object2 = this;
}

// The host's defaults: nothing to do, nothing consumed or supported.
void VESSEL2::clbkSetClassCaps(FILEHANDLE) {}
void VESSEL2::clbkPostCreation() {}
void VESSEL2::clbkPostStep(double, double, double) {}
int VESSEL2::clbkConsumeBufferedKey(DWORD, bool, char*) {
    return 0;
}
bool VESSEL2::clbkLoadVC(int) {
    return false;
}
void VESSEL2::clbkPreStep(double, double, double) {}
void VESSEL2::clbkSaveState(FILEHANDLE) {}
void VESSEL2::clbkLoadStateEx(FILEHANDLE, void*) {}
void VESSEL2::clbkVisualCreated(void*, int) {}
void VESSEL2::clbkVisualDestroyed(void*, int) {}
void VESSEL2::clbkFocusChanged(bool, OBJHANDLE, OBJHANDLE) {}
bool VESSEL2::clbkLoadPanel(int) {
    return false;
}
bool VESSEL2::clbkDrawHUD(int, const void*, void*) {
    return false;
}
int VESSEL2::clbkConsumeDirectKey(char*) {
    return 0;
}
