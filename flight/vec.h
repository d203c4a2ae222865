// Small vector and rotation helpers for the flight model.
//
// All frames follow the host's convention: x right, y up, z forward (a
// left-handed frame). The cross product and the quaternion formulas are the
// usual component formulas; used consistently they describe the same physics
// in either handedness, only the sense in which a positive angle turns differs.
#pragma once

#include <cmath>

#include "portable_math.h"

namespace flight {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator-(Vec3 a) {
    return {-a.x, -a.y, -a.z};
}
inline Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator*(double s, Vec3 a) {
    return a * s;
}
inline Vec3& operator+=(Vec3& a, Vec3 b) {
    return a = a + b;
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(Vec3 a) {
    return std::sqrt(dot(a, a));
}
inline bool finite(Vec3 a) {
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

// A unit quaternion turning body-frame vectors into world-frame vectors.
struct Quat {
    double w = 1, x = 0, y = 0, z = 0;
};

inline Vec3 rotate(const Quat& q, Vec3 v) {
    const Vec3 u{q.x, q.y, q.z};
    const Vec3 t = 2.0 * cross(u, v);
    return v + q.w * t + cross(u, t);
}

inline Vec3 unrotate(const Quat& q, Vec3 v) {
    return rotate(Quat{q.w, -q.x, -q.y, -q.z}, v);
}

inline Quat operator*(const Quat& a, const Quat& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

// Rotation by `angle` about a unit axis (positive angles turn y towards z
// about x, z towards x about y and x towards y about z).
inline Quat axis_angle(Vec3 axis, double angle) {
    const double s = pmath::sin(angle / 2);
    return {pmath::cos(angle / 2), axis.x * s, axis.y * s, axis.z * s};
}

inline Quat normalized(const Quat& q) {
    const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (!(n > 0) || !std::isfinite(n)) return Quat{};
    return {q.w / n, q.x / n, q.y / n, q.z / n};
}

}  // namespace flight
