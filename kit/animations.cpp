#include "airfoil.h"
#include "kit.h"

namespace kit {
namespace {

// The host keeps the group list pointer but only reads through it.
unsigned* group_list(const Component& c) {
    return const_cast<unsigned*>(c.groups.list);
}

float radians(const Component& c) {
    return static_cast<float>(c.degrees * airfoil::RAD);
}

MGROUP_TRANSFORM* build_shared(const Component& c, SharedRecord& r) {
    if (c.kind == TransformKind::translation) {
        if (!r.translation) r.translation.emplace(c.mesh, group_list(c), c.groups.count, c.vector);
        return &*r.translation;
    }
    if (!r.rotation)
        r.rotation.emplace(c.mesh, group_list(c), c.groups.count, c.reference, c.vector,
                           radians(c));
    return &*r.rotation;
}

MGROUP_TRANSFORM* allocate(const Component& c) {
    if (c.kind == TransformKind::translation)
        return new (std::nothrow)
            TranslationTransform(c.mesh, group_list(c), c.groups.count, c.vector);
    return new (std::nothrow)
        RotationTransform(c.mesh, group_list(c), c.groups.count, c.reference, c.vector, radians(c));
}

// The slot of component i when its row is owned: owned rows take the slots
// in row order.
OwnedRecord* owned_slot(std::span<const Component> components, std::span<OwnedRecord* const> owned,
                        std::size_t i) {
    if (!components[i].own) return nullptr;
    std::size_t before = 0;
    for (std::size_t j = 0; j < i; ++j) before += components[j].own ? 1 : 0;
    return before < owned.size() ? owned[before] : nullptr;
}

}  // namespace

bool define_animations(VESSEL& v, std::span<const Animation> animations,
                       std::span<const Component> components, std::span<SharedRecord> shared,
                       std::span<OwnedRecord* const> owned) {
    if (shared.size() < components.size()) return false;
    bool whole = true;
    std::size_t next = 0;
    ComponentHandle previous = nullptr;
    for (std::size_t a = 0; a < animations.size(); ++a) {
        // A vessel's own records come into being as their animation is
        // created; the shared ones are built by the first vessel that needs them.
        for (std::size_t i = 0; i < components.size(); ++i) {
            OwnedRecord* slot = owned_slot(components, owned, i);
            if (slot && components[i].animation == static_cast<int>(a))
                slot->reset(allocate(components[i]));
        }
        *animations[a].id = v.CreateAnimation(animations[a].initial_state);

        // Every component whose animation now exists, in row order.
        for (; next < components.size() && components[next].animation <= static_cast<int>(a);
             ++next) {
            const Component& c = components[next];
            OwnedRecord* slot = owned_slot(components, owned, next);
            MGROUP_TRANSFORM* record = !c.own ? build_shared(c, shared[next])
                                       : slot ? slot->get()
                                              : nullptr;
            if (!record) {
                whole = false;
                previous = nullptr;
                continue;
            }
            previous = v.AddAnimationComponent(*animations[c.animation].id, c.state0, c.state1,
                                               record, c.child_of_previous ? previous : nullptr);
        }
    }
    return whole && next == components.size();
}

}  // namespace kit
