// The host library's own state, shared by its source files.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host.h"

namespace host {

enum class Kind { vessel, mesh, propellant, thruster, group, component };

// Host objects the plug-in gets handles to. A handle is the address of one of
// these; they live until reset(), so a stale handle still names its object.
struct Object {
    Kind kind;
    int number;            // mesh1, th1... numbered per kind from 1
    struct Vessel* owner;  // null for globally loaded meshes
};

// What the plug-in defined, kept for hosts that simulate (nothing reads the
// parameters yet; the trace has them).
struct Airfoil {
    AIRFOIL_ORIENTATION align;
    VECTOR3 ref;
    AirfoilCoeffFunc cf;
    double c, S, A;
};

struct ControlSurface {
    AIRCTRL_TYPE type;
    double area, dCl;
    VECTOR3 ref;
    int axis;
    UINT anim;
};

struct Light {
    BEACONLIGHTSPEC* spec;
    bool seen;  // active flag as last reported
};

struct Vessel {
    Object self;  // first member: a vessel's handle is the record's address
    std::string name;
    int model = 1;
    bool alive = true;
    const VESSEL* object = nullptr;  // the plug-in's object, while it exists
    VESSEL2* object2 = nullptr;
    double readings[kReadingCount] = {};
    bool has_propellant = false;
    std::vector<const void*> meshes;  // by mesh index
    std::vector<double> animations;   // state by animation id
    std::vector<Airfoil> airfoils;
    std::vector<ControlSurface> surfaces;
    std::vector<Light> lights;
};

// Names of records passed by pointer, given the first time a pointer is seen.
struct RecordNames {
    const char* prefix;
    std::unordered_map<std::uintptr_t, int> numbers;
    int number_of(std::uintptr_t key) {
        auto it = numbers.find(key);
        if (it != numbers.end()) return it->second;
        const int n = static_cast<int>(numbers.size()) + 1;
        numbers.emplace(key, n);
        return n;
    }
};

struct State {
    std::deque<Vessel> vessels;  // creation order; deque keeps addresses stable
    std::deque<Object> objects;
    std::unordered_map<const void*, Object*> handles;  // every handle given out
    std::map<std::string, Object*, std::less<>> meshes_by_path;
    int counts[6] = {};  // objects created per Kind

    RecordNames transforms{"tf", {}};
    RecordNames lights{"bl", {}};
    RecordNames exhausts{"ex", {}};
    RecordNames displays{"mfd", {}};
    RecordNames coeffs{"cf", {}};

    double warp = 1.0;
    std::optional<double> pending_warp;
    std::optional<double> heading = 0.0;

    HINSTANCE module = nullptr;
    bool loading_module = false;
};

State& state();

// The object a handle names, or null when the host never gave it out.
Object* find(const void* handle);
// The vessel record of a handle, or null.
Vessel* find_vessel(const void* handle);
// A new host object of `kind`, owned by `owner`.
Object* make_object(Kind kind, Vessel* owner);

}  // namespace host
