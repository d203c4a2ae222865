// VESSEL and VESSEL2 as the stand-in host implements them. Each method acts
// on the record of the vessel the object was constructed for, and does its
// parts in one order:
//   1. act: the host's bookkeeping (meshes, animations, lights, readings,
//      handles; state.h), and what the plug-in defines for flying, which is
//      kept in the flight model's definition of the vessel alone (model());
//   2. trace: the call's line, with its result (trace.h);
//   3. check: what the plug-in passed against the host contract
//      (contract.cpp); each broken rule is a "!" line after the call's line.
// Nothing a plug-in passes (null pointers, unknown handles, indices out of
// range) may crash the host: such calls are traced, reported and otherwise
// ignored.
#include "state.h"

namespace host {
namespace {

Vessel* record(VesselHandle h) {
    return find_vessel(h);
}

// What the flight model flies from; null for a vessel the host does not know.
flight::Vessel* model(VesselHandle h) {
    Vessel* v = find_vessel(h);
    return v ? &v->body.vessel : nullptr;
}

flight::Vec3 vec(const VECTOR3& v) {
    return {v.x, v.y, v.z};
}

double get(VesselHandle h, Reading r) {
    const Vessel* v = record(h);
    return v ? v->readings[static_cast<int>(r)] : 0.0;
}

// The reading behind a control-surface type, or -1 for types the host does not
// keep (rudder trim and anything out of range).
int surface_reading(SurfaceType type) {
    const int t = static_cast<int>(type);
    return t >= 0 && t < kSurfaceReadings ? static_cast<int>(Reading::elevator) + t : -1;
}

// The vessel owning a thruster or thruster group handle.
Vessel* owner_of(const void* h, Kind kind) {
    const Object* o = find(h);
    return o && o->kind == kind ? o->owner : nullptr;
}

}  // namespace
}  // namespace host

using host::Reading;
using host::trace::Line;

VESSEL::VESSEL(VesselHandle vessel, int flight_model)
    : vessel_(vessel), flight_model_(flight_model) {
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

// ---- Identity and readings --------------------------------------------------

VesselHandle VESSEL::GetHandle() const {
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

// ---- Shape and mass -----------------------------------------------------------

void VESSEL::SetSize(double size) const {
    if (flight::Vessel* d = host::model(vessel_)) d->size = size;
    Line("SetSize").real(size);
}

void VESSEL::SetEmptyMass(double m) const {
    if (flight::Vessel* d = host::model(vessel_)) d->empty_mass = m;
    Line("SetEmptyMass").real(m);
}

void VESSEL::SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const {
    if (flight::Vessel* d = host::model(vessel_)) {
        d->cw_zpos = cw_z_pos;
        d->cw_zneg = cw_z_neg;
        d->cw_x = cw_x;
        d->cw_y = cw_y;
    }
    Line("SetCW").real(cw_z_pos).real(cw_z_neg).real(cw_x).real(cw_y);
}

void VESSEL::SetCrossSections(const VECTOR3& cs) const {
    if (flight::Vessel* d = host::model(vessel_)) d->cross_sections = host::vec(cs);
    Line("SetCrossSections").vec(cs);
}

void VESSEL::SetRotDrag(const VECTOR3& rd) const {
    if (flight::Vessel* d = host::model(vessel_)) d->rot_drag = host::vec(rd);
    Line("SetRotDrag").vec(rd);
}

void VESSEL::SetPMI(const VECTOR3& pmi) const {
    if (flight::Vessel* d = host::model(vessel_)) d->pmi = host::vec(pmi);
    Line("SetPMI").vec(pmi);
}

void VESSEL::SetTouchdownPoints(const VECTOR3& pt1, const VECTOR3& pt2, const VECTOR3& pt3) const {
    if (flight::Vessel* d = host::model(vessel_))
        d->touchdown = {host::vec(pt1), host::vec(pt2), host::vec(pt3)};
    Line("SetTouchdownPoints").vec(pt1).vec(pt2).vec(pt3);
}

// The flight model has no use for these; the trace keeps them.
void VESSEL::SetWingAspect(double aspect) const {
    Line("SetWingAspect").real(aspect);
}
void VESSEL::SetWingEffectiveness(double eff) const {
    Line("SetWingEffectiveness").real(eff);
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

// ---- Aerodynamics -------------------------------------------------------------

void VESSEL::CreateAirfoil(LiftDirection align, const VECTOR3& ref, AirfoilCoefficientFunction cf,
                           double c, double S, double A) const {
    if (flight::Vessel* d = host::model(vessel_))
        d->airfoils.push_back({static_cast<flight::Lift>(align), host::vec(ref), cf, c, S, A});
    Line("CreateAirfoil")
        .integer(static_cast<int>(align))
        .vec(ref)
        .coeff(cf)
        .real(c)
        .real(S)
        .real(A);
}

void VESSEL::CreateControlSurface(SurfaceType type, double area, double dCl, const VECTOR3& ref,
                                  HingeAxis axis, unsigned anim) const {
    host::Vessel* v = host::record(vessel_);
    if (v) {
        v->body.vessel.surfaces.push_back({static_cast<flight::Surface>(type), area, dCl,
                                           host::vec(ref), static_cast<flight::Hinge>(axis)});
        v->surface_animations.push_back(anim);
    }
    Line("CreateControlSurface")
        .integer(static_cast<int>(type))
        .real(area)
        .real(dCl)
        .vec(ref)
        .integer(static_cast<int>(axis))
        .integer(anim);
    // unsigned(-1): a surface that moves no animation.
    if (anim != static_cast<unsigned>(-1)) host::check_animation("CreateControlSurface", v, anim);
}

void VESSEL::SetControlSurfaceLevel(SurfaceType type, double level) const {
    host::Vessel* v = host::record(vessel_);
    const int r = host::surface_reading(type);
    if (v && r >= 0) v->readings[r] = level;
    Line("SetControlSurfaceLevel").integer(static_cast<int>(type)).real(level);
    host::check_surface("SetControlSurfaceLevel", v, type);
}

double VESSEL::GetControlSurfaceLevel(SurfaceType type) const {
    const host::Vessel* v = host::record(vessel_);
    const int r = host::surface_reading(type);
    const double level = v && r >= 0 ? v->readings[r] : 0.0;
    Line("GetControlSurfaceLevel").integer(static_cast<int>(type)).result().real(level);
    return level;
}

void VESSEL::AddForce(const VECTOR3& F, const VECTOR3& r) const {
    host::Vessel* v = host::record(vessel_);
    if (v && host::state().physics) v->body.add_force(host::vec(F), host::vec(r));
    Line("AddForce").vec(F).vec(r);
}

// ---- Propulsion ---------------------------------------------------------------

PropellantHandle VESSEL::CreatePropellantResource(double maxmass, double mass,
                                                  double efficiency) const {
    host::Vessel* v = host::record(vessel_);
    host::Object* ph = host::make_object(host::Kind::propellant, v);
    if (v) {
        auto& tanks = v->body.vessel.propellants;
        ph->index = static_cast<int>(tanks.size());
        tanks.push_back({maxmass, mass < 0 ? maxmass : mass, efficiency});
        // The first tank is the one the fuel reading shows.
        if (!v->has_propellant) v->readings[static_cast<int>(Reading::fuel)] = maxmass;
        v->has_propellant = true;
    }
    Line("CreatePropellantResource").real(maxmass).real(mass).real(efficiency).result().handle(ph);
    return ph;
}

ThrusterHandle VESSEL::CreateThruster(const VECTOR3& pos, const VECTOR3& dir, double maxth0,
                                      PropellantHandle hp, double isp0, double isp_ref,
                                      double p_ref) const {
    host::Vessel* v = host::record(vessel_);
    host::Object* th = host::make_object(host::Kind::thruster, v);
    if (v) {
        const host::Object* tank = host::find(hp);
        const int p =
            tank && tank->kind == host::Kind::propellant && tank->owner == v ? tank->index : -1;
        auto& thrusters = v->body.vessel.thrusters;
        th->index = static_cast<int>(thrusters.size());
        thrusters.push_back({host::vec(pos), host::vec(dir), maxth0, isp0, isp_ref, p_ref, p, 0.0});
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
    if (hp) host::check_handle("CreateThruster", v, hp, host::Kind::propellant);
    return th;
}

ThrusterGroupHandle VESSEL::CreateThrusterGroup(ThrusterHandle* th, int nth,
                                                ThrusterGroupType type) const {
    host::Object* g = host::make_object(host::Kind::group, host::record(vessel_));
    Line("CreateThrusterGroup")
        .handles(th, nth)
        .integer(nth)
        .integer(static_cast<int>(type))
        .result()
        .handle(g);
    if (nth < 0 || (nth > 0 && !th)) {
        host::broken_rule()
            .word("CreateThrusterGroup")
            .word("has no list of")
            .integer(nth)
            .word("thrusters");
    } else {
        for (int i = 0; i < nth; ++i)
            host::check_handle("CreateThrusterGroup", g->owner, th[i], host::Kind::thruster);
    }
    return g;
}

void VESSEL::AddExhaustStream(ThrusterHandle th, const VECTOR3& pos,
                              PARTICLESTREAMSPEC* pss) const {
    Line("AddExhaustStream").handle(th).vec(pos).exhaust(pss);
    host::check_handle("AddExhaustStream", host::record(vessel_), th, host::Kind::thruster);
}

void VESSEL::SetThrusterMax0(ThrusterHandle th, double maxth0) const {
    // The thruster's own vessel, whichever vessel's plug-in object asks.
    if (host::Vessel* owner = host::owner_of(th, host::Kind::thruster)) {
        const auto i = static_cast<std::size_t>(host::find(th)->index);
        owner->body.vessel.thrusters[i].max0 = maxth0;
    }
    Line("SetThrusterMax0").handle(th).real(maxth0);
    host::check_handle("SetThrusterMax0", host::record(vessel_), th, host::Kind::thruster);
}

double VESSEL::GetThrusterLevel(ThrusterHandle th) const {
    const host::Vessel* owner = host::owner_of(th, host::Kind::thruster);
    const double level = owner ? owner->readings[static_cast<int>(Reading::thrust)] : 0.0;
    Line("GetThrusterLevel").handle(th).result().real(level);
    host::check_handle("GetThrusterLevel", host::record(vessel_), th, host::Kind::thruster);
    return level;
}

double VESSEL::GetThrusterGroupLevel(ThrusterGroupHandle thg) const {
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
    if (host::Vessel* v = host::record(vessel_)) v->readings[static_cast<int>(Reading::fuel)] = m;
    Line("SetFuelMass").real(m);
}
