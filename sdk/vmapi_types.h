// Host SDK: plain types shared by the host and its vessel plug-ins.
//
// Everything here is data the two sides exchange by value or by pointer. Records
// passed by pointer (light specs, exhaust specs, animation transforms, display
// placements) stay owned by the plug-in: the host keeps the pointer and reads
// the record in place for as long as the vessel lives. Handles are owned by the
// host. VMAPI marks what the host's library implements and exports;
// VMAPI_PLUGIN_EXPORT what a plug-in library exports to the host.
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

#if defined(_WIN32)
// The host's platform types are the system's own there.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UINT = unsigned int;
using HINSTANCE = void*;  // a loaded library (the plug-in's own module)
#endif

// Opaque handles. The host creates them and accepts them back unchanged; a
// plug-in stores them and never looks inside or releases them.
using OBJHANDLE = void*;   // a vessel of the host
using MESHHANDLE = void*;  // a globally loaded mesh
using SURFHANDLE = void*;  // a texture
using FILEHANDLE = void*;  // a configuration file the host opened
using THRUSTER_HANDLE = void*;
using PROPELLANT_HANDLE = void*;
using THGROUP_HANDLE = void*;
using ANIMATIONCOMPONENT_HANDLE = void*;

struct VECTOR3 {
    double x, y, z;
};

inline VECTOR3 _V(double x, double y, double z) {
    return VECTOR3{x, y, z};
}

// Control-surface types.
enum AIRCTRL_TYPE {
    AIRCTRL_ELEVATOR = 0,
    AIRCTRL_RUDDER = 1,
    AIRCTRL_AILERON = 2,
    AIRCTRL_FLAP = 3,
    AIRCTRL_ELEVATORTRIM = 4,
    AIRCTRL_RUDDERTRIM = 5,
};

// Control-surface hinge axes.
enum AIRCTRL_AXIS {
    AIRCTRL_AXIS_AUTO = 0,
    AIRCTRL_AXIS_YPOS = 1,
    AIRCTRL_AXIS_YNEG = 2,
    AIRCTRL_AXIS_XPOS = 3,
    AIRCTRL_AXIS_XNEG = 4,
};

// Which way an airfoil lifts.
enum AIRFOIL_ORIENTATION {
    LIFT_VERTICAL = 0,
    LIFT_HORIZONTAL = 1,
};

enum THGROUP_TYPE {
    THGROUP_MAIN = 0,
    THGROUP_RETRO = 1,
    THGROUP_HOVER = 2,
};

// Mesh visibility modes.
constexpr WORD MESHVIS_NEVER = 0;
constexpr WORD MESHVIS_EXTERNAL = 1;
constexpr WORD MESHVIS_COCKPIT = 2;
constexpr WORD MESHVIS_ALWAYS = MESHVIS_EXTERNAL | MESHVIS_COCKPIT;
constexpr WORD MESHVIS_VC = 4;

// Light shapes.
constexpr DWORD BEACONSHAPE_COMPACT = 0;
constexpr DWORD BEACONSHAPE_DIFFUSE = 1;
constexpr DWORD BEACONSHAPE_STAR = 2;

// A flashing light. The host reads the record, and the two vectors it points
// to, in place every frame; writing `active` switches the light.
struct BEACONLIGHTSPEC {
    DWORD shape;
    VECTOR3* pos;
    VECTOR3* col;
    double size;
    double falloff;
    double period;
    double duration;
    double tofs;
    bool active;
};

// An exhaust or contrail particle stream.
struct PARTICLESTREAMSPEC {
    DWORD flags;
    double srcsize;
    double srcrate;
    double v0;
    double srcspread;
    double lifetime;
    double growthrate;
    double atmslowdown;
    enum LTYPE { EMISSIVE = 0, DIFFUSE = 1 } ltype;
    enum LEVELMAP { LVL_FLAT = 0, LVL_LIN = 1, LVL_SQRT = 2, LVL_PLIN = 3, LVL_PSQRT = 4 } levelmap;
    double lmin, lmax;
    enum ATMSMAP { ATM_FLAT = 0, ATM_PLIN = 1, ATM_PLOG = 2 } atmsmap;
    double amin, amax;
    SURFHANDLE tex;
};

// Where a host display is drawn in the virtual cockpit: a mesh index of the
// vessel and a group of that mesh.
struct VCMFDSPEC {
    DWORD nmesh;
    DWORD ngroup;
};

// Animation transforms. The host keeps the pointer passed to
// AddAnimationComponent and applies the transform scaled by the animation
// state; the record must outlive the vessel's use of it.
class MGROUP_TRANSFORM {
  public:
    enum TYPE { NULLTRANSFORM = 0, ROTATE = 1, TRANSLATE = 2 };

    MGROUP_TRANSFORM(UINT mesh_, UINT* grp_, UINT ngrp_) : mesh(mesh_), grp(grp_), ngrp(ngrp_) {}
    virtual ~MGROUP_TRANSFORM() = default;
    virtual TYPE Type() const { return NULLTRANSFORM; }

    UINT mesh;  // index of the vessel's mesh
    UINT* grp;  // group indices within that mesh
    UINT ngrp;  // number of entries in grp
};

class MGROUP_ROTATE : public MGROUP_TRANSFORM {
  public:
    MGROUP_ROTATE(UINT mesh_, UINT* grp_, UINT ngrp_, const VECTOR3& ref_, const VECTOR3& axis_,
                  float angle_)
        : MGROUP_TRANSFORM(mesh_, grp_, ngrp_), ref(ref_), axis(axis_), angle(angle_) {}
    TYPE Type() const override { return ROTATE; }

    VECTOR3 ref;   // a point on the rotation axis
    VECTOR3 axis;  // direction of the axis
    float angle;   // rotation at full animation state, radians
};

class MGROUP_TRANSLATE : public MGROUP_TRANSFORM {
  public:
    MGROUP_TRANSLATE(UINT mesh_, UINT* grp_, UINT ngrp_, const VECTOR3& shift_)
        : MGROUP_TRANSFORM(mesh_, grp_, ngrp_), shift(shift_) {}
    TYPE Type() const override { return TRANSLATE; }

    VECTOR3 shift;  // displacement at full animation state, metres
};

// Airfoil coefficient callback. The host calls it while integrating, any number
// of times per step, with the airflow angle (angle of attack for vertical lift,
// sideslip for horizontal lift, radians), Mach and Reynolds numbers; the
// function writes lift, moment and drag coefficients.
using AirfoilCoeffFunc = void (*)(double aoa, double M, double Re, double* cl, double* cm,
                                  double* cd);

// Key-state table passed with key events: 256 entries indexed by scan code,
// bit 0x80 set while that key is held.
constexpr DWORD OAPI_KEY_LSHIFT = 0x2A;
constexpr DWORD OAPI_KEY_RSHIFT = 0x36;
constexpr DWORD OAPI_KEY_LCONTROL = 0x1D;
constexpr DWORD OAPI_KEY_RCONTROL = 0x9D;
constexpr DWORD OAPI_KEY_LALT = 0x38;
constexpr DWORD OAPI_KEY_RALT = 0xB8;
constexpr DWORD OAPI_KEY_F = 0x21;
constexpr DWORD OAPI_KEY_G = 0x22;
constexpr DWORD OAPI_KEY_J = 0x24;
constexpr DWORD OAPI_KEY_K = 0x25;

inline bool KEYDOWN(const char* kstate, DWORD key) {
    return (kstate[key] & 0x80) != 0;
}
inline bool KEYMOD_SHIFT(const char* kstate) {
    return KEYDOWN(kstate, OAPI_KEY_LSHIFT) || KEYDOWN(kstate, OAPI_KEY_RSHIFT);
}
inline bool KEYMOD_CONTROL(const char* kstate) {
    return KEYDOWN(kstate, OAPI_KEY_LCONTROL) || KEYDOWN(kstate, OAPI_KEY_RCONTROL);
}
inline bool KEYMOD_ALT(const char* kstate) {
    return KEYDOWN(kstate, OAPI_KEY_LALT) || KEYDOWN(kstate, OAPI_KEY_RALT);
}
