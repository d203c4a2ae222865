// The host library's own state, shared by its source files, and the
// functions behind the control interface (namespace impl; control.cpp puts
// them in the table that host.h calls through).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "autopilot.h"
#include "body.h"
#include "control.h"
#include "trace.h"

namespace host {

enum class Kind { vessel, mesh, propellant, thruster, group, component, last = component };
inline constexpr int kKindCount = static_cast<int>(Kind::last) + 1;

// Host objects the plug-in gets handles to. A handle is the address of one of
// these; they live until reset(), so a stale handle still names its object.
struct Object {
    Kind kind;
    int number;            // mesh1, th1... numbered per kind from 1
    struct Vessel* owner;  // null for globally loaded meshes
    int index = -1;        // a thruster's or tank's place in its owner's flight model
};

struct Light {
    BEACONLIGHTSPEC* spec;
    bool seen;  // active flag as last reported
};

// What of a record must stay as it was handed over, bit for bit. The active
// flag of a light is the one field the plug-in may switch.
struct RecordImage {
    int type;
    unsigned mesh, group_count;
    const void* ptrs[2];  // group list; a light's position and colour
    double v[11];
    float angle;
};

struct KeptRecord {
    bool light = false;
    const void* ptr = nullptr;
    RecordImage image{};
    std::vector<unsigned> groups;  // a transform's group list as handed over
    int users = 0;                 // live vessels that handed it over; 0: a free entry
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
    // What the plug-in defined for the flight model (mass, drag, airfoils,
    // control surfaces, thrusters, tanks, wheels), kept there alone: the
    // flight model flies from it, and the host's checks and vmhost read it.
    // Moved while physics is on.
    flight::Body body;
    flight::Autopilot autopilot;
    bool placed = false;              // set on the ground for its first step with physics on
    std::vector<const void*> meshes;  // by mesh index
    std::vector<double> animations;   // state by animation id
    // The animation each of body.vessel.surfaces moves with its level, by
    // index; unsigned(-1) for none.
    std::vector<unsigned> surface_animations;
    std::vector<Light> lights;
    int phase = 0;                     // 0 constructed, 1 class caps set, 2 post-created
    std::vector<const void*> records;  // transforms and lights it handed over
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
    std::vector<Vessel*> live;   // the vessels not deleted, in creation order
    std::deque<Object> objects;
    std::unordered_map<const void*, Object*> handles;  // every handle given out
    std::map<std::string, Object*, std::less<>> meshes_by_path;
    int counts[kKindCount] = {};  // objects created per Kind
    bool physics = false;

    RecordNames transforms{"tf", {}};
    RecordNames lights{"bl", {}};
    RecordNames exhausts{"ex", {}};
    RecordNames displays{"mfd", {}};
    RecordNames coeffs{"cf", {}};

    double warp = 1.0;
    std::optional<double> pending_warp;
    std::optional<double> heading = 0.0;

    int violations = 0;            // broken contract rules
    std::vector<KeptRecord> kept;  // records the host reads in place

    ModuleHandle module = nullptr;
    bool loading_module = false;
};

State& state();

// The object a handle names, or null when the host never gave it out.
Object* find(const void* handle);
// The vessel record of a handle, or null.
Vessel* find_vessel(const void* handle);
// A new host object of `kind`, owned by `owner`.
Object* make_object(Kind kind, Vessel* owner);

// Counts one broken rule and starts its "!" line: broken_rule().word("...");
trace::Line broken_rule();

// Contract checks (contract.cpp). Each writes "! WHAT" and counts a broken
// rule when its check fails, and returns whether the check passed. `op` is the
// operation the plug-in called; `self` the calling vessel's record, which
// may be null when the object was built for no vessel the host knows.
bool check_handle(const char* op, const Vessel* self, const void* h, Kind kind);
bool check_mesh(const char* op, const void* mesh);
bool check_animation(const char* op, const Vessel* self, unsigned anim);
bool check_mesh_index(const char* op, const Vessel* self, unsigned idx);
bool check_surface(const char* op, const Vessel* self, SurfaceType type);
// The host keeps these records by pointer from now on; `v` handed them over.
void keep_record(Vessel* v, const MGROUP_TRANSFORM* t);
void keep_record(Vessel* v, const BEACONLIGHTSPEC* b);
// The vessel is gone; records no live vessel handed over are forgotten.
void release_records(Vessel* v);
// Reports every kept record whose contents changed.
void check_records();

// The control side, as host.h documents it under the same names.
namespace impl {
VesselHandle create_vessel(const char* name, int model);
void delete_vessel(VesselHandle vessel);
VESSEL2* vessel_object(VesselHandle vessel, const VESSEL* returned);
void set_reading(VesselHandle vessel, Reading r, double value);
double reading(VesselHandle vessel, Reading r);
AirfoilCoefficientFunction airfoil_function(VesselHandle vessel, long long index);
int airfoil_count(VesselHandle vessel);
void check_lights();
void calling(VesselHandle vessel, Callback c);
int violations();
void count_violation();
void set_warp(double warp);
double warp();
void apply_pending_warp();
void set_focus_heading(double heading);
void clear_focus_heading();
void set_physics(bool on);
bool physics();
void physics_step(double dt);
void autopilot_hold(VesselHandle vessel, Hold what, double target);
void autopilot_off(VesselHandle vessel, bool pitch_axis, bool bank_axis);
void set_brake(VesselHandle vessel, double level);
Flight flight_state(VesselHandle vessel);
int animation_count(VesselHandle vessel);
const double* animation_states(VesselHandle vessel);
void begin_module_load();
void end_module_load();
void module_unloaded();
void reset();
}  // namespace impl

}  // namespace host
