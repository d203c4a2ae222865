// The host contract as the host sees it from its side: every handle, id and
// index a plug-in passes back must be one the host gave that vessel, and still
// alive; records the host keeps by pointer must not change behind its back;
// callbacks arrive in their documented order. A broken rule is written to the
// trace as "! WHAT" where it happens and counted, so that vmhost can fail the
// run. None of these checks allocates once the vessel is defined.
#include <algorithm>
#include <cstring>

#include "state.h"

namespace host {
namespace {

const char* kind_name(Kind k) {
    switch (k) {
        case Kind::vessel:
            return "vessel";
        case Kind::mesh:
            return "mesh";
        case Kind::propellant:
            return "propellant resource";
        case Kind::thruster:
            return "thruster";
        case Kind::group:
            return "thruster group";
        case Kind::component:
            return "animation component";
    }
    return "handle";
}

RecordImage blank() {
    RecordImage im;
    std::memset(&im, 0, sizeof im);  // padding too: images compare with memcmp
    return im;
}

RecordImage image_of(const MGROUP_TRANSFORM* t) {
    RecordImage im = blank();
    im.type = static_cast<int>(t->kind());
    im.mesh = t->mesh;
    im.group_count = t->group_count;
    im.ptrs[0] = t->groups;
    if (t->kind() == TransformKind::rotation) {
        const auto* r = static_cast<const RotationTransform*>(t);
        const double v[6] = {r->reference.x, r->reference.y, r->reference.z,
                             r->axis.x,      r->axis.y,      r->axis.z};
        std::copy(v, v + 6, im.v);
        im.angle = r->angle;
    } else if (t->kind() == TransformKind::translation) {
        const auto* s = static_cast<const TranslationTransform*>(t);
        const double v[3] = {s->shift.x, s->shift.y, s->shift.z};
        std::copy(v, v + 3, im.v);
    }
    return im;
}

RecordImage image_of(const BEACONLIGHTSPEC* b) {
    RecordImage im = blank();
    im.type = static_cast<int>(b->shape);
    im.ptrs[0] = b->position;
    im.ptrs[1] = b->colour;
    const VECTOR3 none{0, 0, 0};
    const VECTOR3& p = b->position ? *b->position : none;
    const VECTOR3& c = b->colour ? *b->colour : none;
    const double v[11] = {p.x,     p.y,        p.z,       c.x,         c.y,           c.z,
                          b->size, b->falloff, b->period, b->duration, b->time_offset};
    std::copy(v, v + 11, im.v);
    return im;
}

bool same(const RecordImage& a, const RecordImage& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

namespace {

void fill(KeptRecord& r) {
    if (r.light) {
        const auto* b = static_cast<const BEACONLIGHTSPEC*>(r.ptr);
        r.image = image_of(b);
    } else {
        const auto* t = static_cast<const MGROUP_TRANSFORM*>(r.ptr);
        r.image = image_of(t);
        r.groups.assign(t->groups ? t->groups : nullptr,
                        t->groups ? t->groups + t->group_count : nullptr);
    }
}

bool unchanged(const KeptRecord& r) {
    if (r.light) {
        return same(r.image, image_of(static_cast<const BEACONLIGHTSPEC*>(r.ptr)));
    }
    const auto* t = static_cast<const MGROUP_TRANSFORM*>(r.ptr);
    return same(r.image, image_of(t)) &&
           (!t->groups || std::equal(r.groups.begin(), r.groups.end(), t->groups));
}

// Records are few (a vessel class hands over a few dozen, mostly shared), so
// a plain list serves. Released entries are reused rather than erased, so that
// deleting a vessel frees no memory of the host.
void keep(Vessel* v, const void* ptr, bool light) {
    if (!v || !ptr) return;
    for (const void* p : v->records)
        if (p == ptr) return;  // handed over again by the same vessel
    v->records.push_back(ptr);
    KeptRecord* free_slot = nullptr;
    for (KeptRecord& r : state().kept) {
        if (r.users > 0 && r.ptr == ptr) {
            ++r.users;
            return;
        }
        if (r.users == 0 && !free_slot) free_slot = &r;
    }
    KeptRecord& r = free_slot ? *free_slot : state().kept.emplace_back();
    r.light = light;
    r.ptr = ptr;
    r.users = 1;
    fill(r);
}

}  // namespace

trace::Line broken_rule() {
    impl::count_violation();
    return trace::Line("!");
}

bool check_handle(const char* op, const Vessel* self, const void* h, Kind kind) {
    const Object* o = find(h);
    if (!o || o->kind != kind) {
        broken_rule()
            .word(op)
            .handle(h)
            .word("is no")
            .word(kind_name(kind))
            .word("the host gave out");
        return false;
    }
    if (!self || o->owner == self) return true;
    if (!o->owner->alive) {
        broken_rule()
            .word(op)
            .handle(h)
            .word("belongs to deleted vessel")
            .word(o->owner->name.c_str());
    } else {
        broken_rule()
            .word(op)
            .handle(h)
            .word("belongs to")
            .word(o->owner->name.c_str())
            .word("not")
            .word(self->name.c_str());
    }
    return false;
}

bool check_mesh(const char* op, const void* mesh) {
    const Object* o = find(mesh);
    if (o && o->kind == Kind::mesh) return true;
    broken_rule().word(op).handle(mesh).word("is no mesh the host gave out");
    return false;
}

bool check_animation(const char* op, const Vessel* self, unsigned anim) {
    if (!self || anim < self->animations.size()) return true;
    broken_rule().word(op).word(self->name.c_str()).word("has no animation").integer(anim);
    return false;
}

bool check_mesh_index(const char* op, const Vessel* self, unsigned idx) {
    if (!self || idx < self->meshes.size()) return true;
    broken_rule().word(op).word(self->name.c_str()).word("has no mesh index").integer(idx);
    return false;
}

bool check_surface(const char* op, const Vessel* self, SurfaceType type) {
    if (!self) return true;
    for (const flight::ControlSurface& c : self->body.vessel.surfaces)
        if (static_cast<int>(c.type) == static_cast<int>(type)) return true;
    broken_rule()
        .word(op)
        .word(self->name.c_str())
        .word("has no control surface of type")
        .integer(static_cast<int>(type));
    return false;
}

void keep_record(Vessel* v, const MGROUP_TRANSFORM* t) {
    keep(v, t, false);
}

void keep_record(Vessel* v, const BEACONLIGHTSPEC* b) {
    keep(v, b, true);
}

void release_records(Vessel* v) {
    for (const void* p : v->records)
        for (KeptRecord& r : state().kept)
            if (r.users > 0 && r.ptr == p) --r.users;
    v->records.clear();
}

void check_records() {
    for (KeptRecord& r : state().kept) {
        if (r.users == 0 || unchanged(r)) continue;
        const void* ptr = r.ptr;
        trace::Line line = broken_rule();
        line.word("record");
        if (r.light) {
            line.light(static_cast<const BEACONLIGHTSPEC*>(ptr));
        } else {
            line.transform(static_cast<const MGROUP_TRANSFORM*>(ptr));
        }
        line.word("changed after the host took it");
        fill(r);  // report each change once
    }
}

namespace impl {

int violations() {
    return state().violations + trace::foreign_calls();
}

void count_violation() {
    ++state().violations;
}

void calling(VesselHandle vessel, Callback c) {
    Vessel* v = find_vessel(vessel);
    if (!v) return;
    static const char* const names[] = {"clbkSetClassCaps", "clbkPostCreation",
                                        "clbkPostStep",     "clbkConsumeBufferedKey",
                                        "clbkLoadVC",       "vmvcExit"};
    const char* name = names[static_cast<int>(c)];
    const char* missing = nullptr;
    if (!v->alive) {
        broken_rule().word(name).word("on deleted vessel").word(v->name.c_str());
        return;
    }
    switch (c) {
        case Callback::set_class_caps:
            if (v->phase != 0) missing = "(again)";
            break;
        case Callback::post_creation:
            if (v->phase != 1) missing = v->phase == 0 ? "before clbkSetClassCaps" : "(again)";
            break;
        case Callback::exit:
            break;
        default:
            if (v->phase != 2) missing = "before clbkPostCreation";
            break;
    }
    if (missing) {
        broken_rule().word(name).word(missing).word("on").word(v->name.c_str());
    } else if (c == Callback::set_class_caps || c == Callback::post_creation) {
        ++v->phase;
    }
}

}  // namespace impl
}  // namespace host
