// Host SDK: plain types shared by the host and its vessel plug-ins.
//
// Everything here is data the two sides exchange by value or by pointer. Records
// passed by pointer (light specs, exhaust specs, animation transforms, display
// placements) stay owned by the plug-in: the host keeps the pointer and reads
// the record in place for as long as the vessel lives. Handles are owned by the
// host. VMAPI marks what the host's library implements and exports;
// VMAPI_PLUGIN_EXPORT what a plug-in library exports to the host.
//
// The host's codes are numbers with a role; the enumerations below name the
// roles in this SDK's own words (docs/sdk.md lists every name with its number).
#pragma once

#include <cstdint>

#if defined(_WIN32)
#if defined(VMAPI_BUILDING_HOST)
#define VMAPI __declspec(dllexport)
#else
#define VMAPI __declspec(dllimport)
#endif
#else
#define VMAPI __attribute__((visibility("default")))
#endif

// Plug-in exports use C linkage so the host finds them by their plain names.
#if defined(_WIN32)
#define VMAPI_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define VMAPI_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Opaque handles. The host creates them and accepts them back unchanged; a
// plug-in stores them and never looks inside or releases them.
using ModuleHandle = void*;         // a loaded library (the plug-in's own module)
using VesselHandle = void*;         // a vessel of the host
using MeshHandle = void*;           // a globally loaded mesh
using TextureHandle = void*;        // a texture
using ConfigFileHandle = void*;     // a configuration file the host opened
using ThrusterHandle = void*;       // a thruster of a vessel
using PropellantHandle = void*;     // a propellant resource (tank) of a vessel
using ThrusterGroupHandle = void*;  // a group of thrusters of a vessel
using ComponentHandle = void*;      // an animation component of a vessel

struct VECTOR3 {
    double x, y, z;
};

// Control-surface types.
enum class SurfaceType : int {
    elevator = 0,
    rudder = 1,
    aileron = 2,
    flap = 3,
    elevator_trim = 4,
};

// The axis a control surface hinges about.
enum class HingeAxis : int {
    y_positive = 1,
    x_positive = 3,
    x_negative = 4,
};

// Which way an airfoil lifts.
enum class LiftDirection : int {
    vertical = 0,
    horizontal = 1,
};

enum class ThrusterGroupType : int {
    main = 0,
};

// Where a mesh of the vessel is seen.
enum class MeshVisibility : std::uint16_t {
    exterior_and_cockpit = 3,
    virtual_cockpit = 4,
};

enum class LightShape : std::uint32_t {
    star = 2,
};

// A flashing light. The host reads the record, and the two vectors it points
// to, in place every frame; writing `active` switches the light.
struct BEACONLIGHTSPEC {
    LightShape shape;
    VECTOR3* position;
    VECTOR3* colour;  // red, green, blue, 0..1
    double size;
    double falloff;
    double period;       // s between the starts of two flashes
    double duration;     // s of one flash
    double time_offset;  // s from the start of the period to the flash
    bool active;
};

// How an exhaust's particles are lit.
enum class ExhaustLighting : int {
    diffuse = 1,
};

// How the thrust level maps to the particles' opacity.
enum class ExhaustLevelMap : int {
    square_root_between_bounds = 4,
};

// How the atmosphere's density maps to the particles' opacity.
enum class ExhaustAtmosphereMap : int {
    logarithmic_between_bounds = 2,
};

// An exhaust or contrail particle stream.
struct PARTICLESTREAMSPEC {
    std::uint32_t flags;
    double size;             // m, of a particle at creation
    double rate;             // particles per s
    double velocity;         // m/s, of emission
    double velocity_spread;  // fraction of the velocity
    double lifetime;         // s
    double growth_rate;      // m/s
    double atmosphere_slowdown;
    ExhaustLighting lighting;
    ExhaustLevelMap level_map;
    double level_min, level_max;
    ExhaustAtmosphereMap atmosphere_map;
    double density_min, density_max;
    TextureHandle texture;  // null: the host's default particle
};

// Where a host display is drawn in the virtual cockpit: a mesh index of the
// vessel and a group of that mesh.
struct VCMFDSPEC {
    std::uint32_t mesh;
    std::uint32_t group;
};

// The two kinds of MGROUP_TRANSFORM, as the host's query answers.
enum class TransformKind : int {
    rotation = 1,
    translation = 2,
};

// Animation transforms. The host keeps the pointer passed to
// AddAnimationComponent and applies the transform scaled by the animation
// state; the record, and its group list, must outlive the vessel's use of it.
class MGROUP_TRANSFORM {
  public:
    MGROUP_TRANSFORM(unsigned mesh_index, unsigned* group_list, unsigned count)
        : mesh(mesh_index), groups(group_list), group_count(count) {}
    virtual ~MGROUP_TRANSFORM() = default;
    virtual TransformKind kind() const = 0;

    unsigned mesh;         // index of the vessel's mesh
    unsigned* groups;      // group indices within that mesh
    unsigned group_count;  // number of entries in groups
};

class RotationTransform : public MGROUP_TRANSFORM {
  public:
    RotationTransform(unsigned mesh_index, unsigned* group_list, unsigned count,
                      const VECTOR3& reference_point, const VECTOR3& axis_direction,
                      float full_angle)
        : MGROUP_TRANSFORM(mesh_index, group_list, count),
          reference(reference_point),
          axis(axis_direction),
          angle(full_angle) {}
    TransformKind kind() const override { return TransformKind::rotation; }

    VECTOR3 reference;  // a point on the rotation axis
    VECTOR3 axis;       // direction of the axis
    float angle;        // rotation at full animation state, radians
};

class TranslationTransform : public MGROUP_TRANSFORM {
  public:
    TranslationTransform(unsigned mesh_index, unsigned* group_list, unsigned count,
                         const VECTOR3& full_shift)
        : MGROUP_TRANSFORM(mesh_index, group_list, count), shift(full_shift) {}
    TransformKind kind() const override { return TransformKind::translation; }

    VECTOR3 shift;  // displacement at full animation state, metres
};

// Airfoil coefficient callback. The host calls it while integrating, any number
// of times per step, with the airflow angle (angle of attack for vertical lift,
// sideslip for horizontal lift, radians), Mach and Reynolds numbers; the
// function writes lift, moment and drag coefficients.
using AirfoilCoefficientFunction = void (*)(double angle, double mach, double reynolds,
                                            double* lift, double* moment, double* drag);
