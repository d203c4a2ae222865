// Vessel records, handles and the settings a scenario makes.
#include "state.h"

#include <algorithm>

namespace host {

State& state() {
    // Never destroyed: plug-in libraries may still be unloading, and calling
    // back in, while static objects of the process are destroyed.
    static State* s = new State;
    return *s;
}

namespace {

// Handles found lately. A plug-in asks about the same few handles (its vessel,
// its thruster) in every call, and handles stay valid until reset(), so a
// small cache spares nearly every call the hash lookup.
struct Found {
    const void* handle;
    Object* object;
};
Found g_found[64] = {};

// Fibonacci hashing: neighbouring handles, 16 bytes apart, land far apart.
std::size_t found_slot(const void* handle) {
    return (reinterpret_cast<std::uintptr_t>(handle) * 0x9E3779B97F4A7C15u) >> 58;
}

}  // namespace

Object* find(const void* handle) {
    if (!handle) return nullptr;
    Found& f = g_found[found_slot(handle)];
    if (f.handle == handle) return f.object;
    State& s = state();
    auto it = s.handles.find(handle);
    if (it == s.handles.end()) return nullptr;
    f = Found{handle, it->second};
    return it->second;
}

Vessel* find_vessel(const void* handle) {
    Object* o = find(handle);
    return o && o->kind == Kind::vessel ? o->owner : nullptr;
}

Object* make_object(Kind kind, Vessel* owner) {
    State& s = state();
    Object& o = s.objects.emplace_back(Object{kind, ++s.counts[static_cast<int>(kind)], owner});
    s.handles.emplace(&o, &o);
    return &o;
}

namespace impl {

VesselHandle create_vessel(const char* name, int model) {
    State& s = state();
    Vessel& v = s.vessels.emplace_back();
    s.live.push_back(&v);
    v.self = Object{Kind::vessel, ++s.counts[static_cast<int>(Kind::vessel)], &v};
    v.name = name ? name : "";
    v.model = model;
    // Room for what a plug-in defines, so that attaching meshes and lights
    // rarely allocates.
    v.meshes.reserve(32);
    v.animations.reserve(64);
    v.lights.reserve(8);
    s.handles.emplace(&v.self, &v.self);
    return &v.self;
}

void delete_vessel(VesselHandle vessel) {
    if (Vessel* v = find_vessel(vessel)) {
        if (v->alive) {
            auto& live = state().live;
            live.erase(std::find(live.begin(), live.end(), v));
        }
        v->alive = false;
        release_records(v);
    }
}

VESSEL2* vessel_object(VesselHandle vessel, const VESSEL* returned) {
    const Vessel* v = find_vessel(vessel);
    if (!v || !returned || !v->object2 || v->object != returned) return nullptr;
    return v->object2;
}

void set_reading(VesselHandle vessel, Reading r, double value) {
    if (Vessel* v = find_vessel(vessel)) v->readings[static_cast<int>(r)] = value;
}

double reading(VesselHandle vessel, Reading r) {
    const Vessel* v = find_vessel(vessel);
    return v ? v->readings[static_cast<int>(r)] : 0.0;
}

AirfoilCoefficientFunction airfoil_function(VesselHandle vessel, long long index) {
    const Vessel* v = find_vessel(vessel);
    if (!v) return nullptr;
    const auto& airfoils = v->body.vessel.airfoils;
    if (index < 0 || index >= static_cast<long long>(airfoils.size())) return nullptr;
    return airfoils[static_cast<std::size_t>(index)].coeff;
}

int airfoil_count(VesselHandle vessel) {
    const Vessel* v = find_vessel(vessel);
    return v ? static_cast<int>(v->body.vessel.airfoils.size()) : 0;
}

void check_lights() {
    check_records();
    if (!trace::on()) return;
    // Only the live vessels: after many deletions most records are dead.
    for (Vessel* live : state().live) {
        Vessel& v = *live;
        for (std::size_t i = 0; i < v.lights.size(); ++i) {
            Light& l = v.lights[i];
            if (l.spec->active == l.seen) continue;
            l.seen = l.spec->active;
            trace::Line("*")
                .word("light")
                .word(v.name.c_str())
                .integer(static_cast<long long>(i))
                .word(l.seen ? "on" : "off");
        }
    }
}

void set_warp(double w) {
    State& s = state();
    s.warp = w;
    s.pending_warp.reset();
}

double warp() {
    return state().warp;
}

void apply_pending_warp() {
    State& s = state();
    if (s.pending_warp) s.warp = *s.pending_warp;
    s.pending_warp.reset();
}

void set_focus_heading(double heading) {
    state().heading = heading;
}
void clear_focus_heading() {
    state().heading.reset();
}

void begin_module_load() {
    trace::drive_from_this_thread();
    State& s = state();
    s.module = nullptr;
    s.loading_module = true;
}

void end_module_load() {
    state().loading_module = false;
}

void module_unloaded() {
    state().module = nullptr;
}

void reset() {
    state() = State{};
    trace::forget_driver();
    for (Found& f : g_found) f = Found{};
}

}  // namespace impl
}  // namespace host
