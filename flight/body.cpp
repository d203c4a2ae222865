#include "body.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "portable_math.h"

namespace flight {
namespace {

constexpr double kMinMass = 1.0;           // kg; lighter bodies are treated as this heavy
constexpr double kMaxSpeed = 1.0e5;        // m/s; keeps every product of the state finite
constexpr double kMaxSpin = 1.0e3;         // rad/s
constexpr double kMaxDistance = 1.0e12;    // m
constexpr double kMaxAdvance = 1.0;        // s per call; longer asks are cut short
constexpr double kMaxForce = 1.0e13;       // N, for any single input force
constexpr double kMaxCoefficient = 1.0e3;  // bound on what a coefficient function returns
constexpr double kGearSag = 0.1;           // m, wheels' compression with the whole weight shared
constexpr double kGearDamping = 0.6;       // fraction of critical damping
constexpr double kMaxDepth = 1.0;          // m, deeper does not push harder
constexpr double kRollingFriction = 0.02;
constexpr double kBrakeFriction = 0.8;
constexpr double kSideFriction = 0.8;  // tyres sideways
constexpr double kHullFriction = 0.5;  // hull sliding on the ground
constexpr double kMinFlow = 1.0;       // m/s; slower airflow has no angle of attack

double finite_or(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

// A non-negative finite amount, at most `limit`.
double amount(double v, double limit) {
    if (!(v > 0)) return 0;  // also nan
    return v > limit ? limit : v;
}

double level(double v, double lo, double hi) {
    if (std::isnan(v)) return 0;
    return std::clamp(v, lo, hi);
}

Vec3 finite_vec(Vec3 v) {
    return {std::clamp(finite_or(v.x, 0), -kMaxDistance, kMaxDistance),
            std::clamp(finite_or(v.y, 0), -kMaxDistance, kMaxDistance),
            std::clamp(finite_or(v.z, 0), -kMaxDistance, kMaxDistance)};
}

Vec3 limit_length(Vec3 v, double max) {
    if (!finite(v)) return {};
    const double n = norm(v);
    return n > max ? v * (max / n) : v;
}

Vec3 unit_or_zero(Vec3 v) {
    const double n = norm(v);
    return n > 1e-12 && std::isfinite(n) ? v * (1.0 / n) : Vec3{};
}

bool is_rudder(const ControlSurface& s) {
    return s.type == Surface::rudder || s.type == Surface::rudder_trim;
}

// Which way a control surface's lift change points for a positive level,
// relative to the lift direction of its airflow plane.
double surface_sign(const ControlSurface& s) {
    if (s.type == Surface::flap) return 1;  // flaps only ever add lift
    switch (s.axis) {
        case Hinge::y_pos:
            return 1;  // trailing edge right, force to the left
        case Hinge::y_neg:
            return -1;
        case Hinge::x_pos:
            return -1;  // trailing edge up, force down
        case Hinge::x_neg:
            return 1;
        default:
            return is_rudder(s) ? 1 : -1;
    }
}

bool hinged_vertically(const ControlSurface& s) {
    if (s.axis == Hinge::y_pos || s.axis == Hinge::y_neg) return true;
    if (s.axis == Hinge::x_pos || s.axis == Hinge::x_neg) return false;
    return is_rudder(s);
}

// Lift direction in the vessel frame for airflow `v` (vessel frame) in the
// y-z plane (vertical lift) or the x-z plane (horizontal lift); zero when the
// airflow has no component in that plane.
Vec3 lift_direction(Vec3 v, bool horizontal) {
    if (horizontal) return unit_or_zero({-v.z, 0, v.x});
    return unit_or_zero({0, v.z, -v.y});
}

// The hull: a few points at the vessel's size, which touch the ground only
// when the vessel is not standing on its wheels.
std::array<Vec3, 6> hull_points(double size) {
    const double s = amount(size, 1.0e4);
    return {{{0, 0, 0}, {0, 0, s}, {0, 0, -s}, {s, 0, 0}, {-s, 0, 0}, {0, s, 0}}};
}

}  // namespace

double Body::mass() const {
    double m = amount(vessel.empty_mass, 1.0e12);
    for (const Propellant& p : vessel.propellants) m += amount(p.mass, 1.0e12);
    return m < kMinMass ? kMinMass : m;
}

void Body::place_on_ground(double heading) {
    double low = 0;
    for (Vec3 r : vessel.touchdown) {
        if (std::isfinite(r.y)) low = std::min(low, std::max(r.y, -1.0e4));
    }
    state = State{};
    state.pos.y = -low;
    state.att = axis_angle({0, 1, 0}, finite_or(heading, 0));
    carry_ = 0;
}

void Body::add_force(Vec3 force, Vec3 at) {
    if (!finite(force) || !finite(at)) return;
    force = limit_length(force, kMaxForce);
    at = limit_length(at, 1.0e6);
    added_force_ += force;
    added_torque_ += cross(at, force);
}

void Body::advance(double dt) {
    carry_ += amount(dt, kMaxAdvance);
    while (carry_ >= kStep * (1 - 1e-9)) {
        substep();
        carry_ -= kStep;
    }
    if (carry_ < 0) carry_ = 0;
    added_force_ = {};
    added_torque_ = {};
}

double Body::effective_mass(Vec3 r, Vec3 dir_world) const {
    const double m = mass();
    const Vec3 d = unrotate(state.att, dir_world);
    const Vec3 w = cross(r, d);
    const Vec3 i{m * std::max(amount(vessel.pmi.x, 1e9), 1e-3),
                 m * std::max(amount(vessel.pmi.y, 1e9), 1e-3),
                 m * std::max(amount(vessel.pmi.z, 1e9), 1e-3)};
    return 1.0 / (1.0 / m + w.x * w.x / i.x + w.y * w.y / i.y + w.z * w.z / i.z);
}

// Force and torque of one contact point `r` (vessel frame) with the ground;
// `active` is the number of points touching, which share the work of
// stopping the body so that together they never reverse its motion.
void Body::contact(Vec3 r, bool wheel, double stiffness, double damping, int active, Vec3& force,
                   Vec3& torque) const {
    const Vec3 p = state.pos + rotate(state.att, r);
    if (!(p.y < 0)) return;
    const double depth = std::min(-p.y, kMaxDepth);
    const Vec3 v = state.vel + rotate(state.att, cross(state.omega, r));

    const double m_normal = effective_mass(r, {0, 1, 0});
    const double c = std::min(damping * std::sqrt(m_normal / mass()), m_normal / kStep);
    const double normal = std::max(0.0, stiffness * depth - c * v.y);
    Vec3 f{0, normal, 0};

    auto friction = [&](Vec3 dir, double mu) {
        const double along = dot(v, dir);
        const double stop = effective_mass(r, dir) * std::fabs(along) / (kStep * active);
        const double mag = std::min(mu * normal, stop);
        f += dir * (along > 0 ? -mag : mag);
    };
    const Vec3 nose = rotate(state.att, {0, 0, 1});
    const Vec3 roll = unit_or_zero({nose.x, 0, nose.z});
    if (wheel && norm(roll) > 0) {
        friction(roll, kRollingFriction + kBrakeFriction * level(vessel.brake, 0, 1));
        friction({roll.z, 0, -roll.x}, kSideFriction);
    } else {
        const Vec3 slide = unit_or_zero({v.x, 0, v.z});
        if (norm(slide) > 0) friction(slide, kHullFriction);
    }
    force += f;
    torque += cross(r, unrotate(state.att, f));
}

// The loads on the body over one internal step, and what they are worked out
// from: the state and mass the step begins with.
struct Body::Loads {
    double mass;
    Vec3 inertia;      // principal moments, kg m²
    Vec3 omega;        // spin, vessel frame
    Vec3 v_body;       // velocity, vessel frame
    Air air;           // at the centre of mass
    Vec3 force_body;   // vessel frame
    Vec3 force_world;  // world frame
    Vec3 torque;       // vessel frame
};

// One internal step. The whole step flies with the mass it begins with, even
// as thrust burns propellant. The loads are summed in this order, which the
// traces depend on to the last bit, and integrated last.
void Body::substep() {
    Loads l = gravity();
    add_thrust(l);
    add_aerodynamics(l);
    add_ground(l);
    integrate(l);
}

// The loads the step starts from: gravity and the plug-in's added forces.
Body::Loads Body::gravity() const {
    const double m = mass();
    return {m,
            {m * std::max(amount(vessel.pmi.x, 1e9), 1e-3),
             m * std::max(amount(vessel.pmi.y, 1e9), 1e-3),
             m * std::max(amount(vessel.pmi.z, 1e9), 1e-3)},
            state.omega,
            unrotate(state.att, state.vel),
            standard_air(state.pos.y),
            added_force_,
            {0, -kGravity * m, 0},
            added_torque_};
}

// Thrust, burning propellant.
void Body::add_thrust(Loads& l) {
    const double pressure = vessel.air ? l.air.pressure : 0.0;
    last_thrust_ = 0;
    for (const Thruster& t : vessel.thrusters) {
        const Vec3 dir = unit_or_zero(finite_vec(t.dir));
        const double isp = amount(t.isp, 1.0e9);
        const int pi = t.propellant;
        if (isp <= 0 || pi < 0 || pi >= static_cast<int>(vessel.propellants.size())) continue;
        Propellant& prop = vessel.propellants[static_cast<std::size_t>(pi)];
        const double f_vac = level(t.level, 0, 1) * amount(t.max0, kMaxForce);
        const double eff =
            prop.efficiency > 0 && std::isfinite(prop.efficiency) ? prop.efficiency : 1.0;
        const double burn = f_vac / (isp * eff) * kStep;
        const double have = amount(prop.mass, 1.0e12);
        if (burn <= 0 || have <= 0) continue;
        const double share = burn > have ? have / burn : 1.0;
        prop.mass = have - burn * share;
        double f = f_vac * share;
        const double p_ref = finite_or(t.p_ref, 0);
        if (t.isp_ref > 0 && std::isfinite(t.isp_ref) && p_ref > 0) {
            f *= std::max(0.0, 1.0 + (t.isp_ref / isp - 1.0) * pressure / p_ref);
        }
        const Vec3 at = limit_length(finite_vec(t.pos), 1.0e6);
        l.force_body += dir * f;
        l.torque += cross(at, dir * f);
        last_thrust_ += f;
    }
}

void Body::add_aerodynamics(Loads& l) const {
    if (!vessel.air || !(l.air.density > 0)) return;
    add_drag(l);
    add_airfoils(l);
    add_surfaces(l);
}

// Body drag and rotational drag.
void Body::add_drag(Loads& l) const {
    const double rho = l.air.density;
    const double m = l.mass;
    const double h = kStep;
    const Vec3 v_body = l.v_body;

    // Body drag, axis by axis, as the force that gives the exact slowing of
    // quadratic drag over the step, v / (1 + k·|v|·h): however large the
    // coefficient, it may stop the airflow but never turn it round.
    const Vec3 cs{amount(vessel.cross_sections.x, 1e9), amount(vessel.cross_sections.y, 1e9),
                  amount(vessel.cross_sections.z, 1e9)};
    auto drag = [&](double vel, double cw, double area) {
        if (!(cw > 0) || area == 0 || vel == 0) return 0.0;  // nan too
        const double kvh = 0.5 * rho * cw * area / m * std::fabs(vel) * h;
        return -m / h * vel * (1 - 1 / (1 + kvh));  // an endless kvh stops the flow
    };
    l.force_body += Vec3{drag(v_body.x, vessel.cw_x, cs.x), drag(v_body.y, vessel.cw_y, cs.y),
                         drag(v_body.z, v_body.z > 0 ? vessel.cw_zpos : vessel.cw_zneg, cs.z)};

    // Rotational drag: damping that grows with airspeed and with the spin.
    const double speed = norm(v_body);
    const double size = amount(vessel.size, 1.0e3);
    const double s4 = size * size * size * size;
    auto spin_drag = [&](double rate, double k, double inertia_axis) {
        const double f =
            0.5 * rho * amount(k, 1e9) * s4 * (speed + size * std::fabs(rate)) * std::fabs(rate);
        const double stop = inertia_axis * std::fabs(rate) / h;
        return rate > 0 ? -std::min(f, stop) : std::min(f, stop);
    };
    const Vec3 w = l.omega;
    l.torque += Vec3{spin_drag(w.x, vessel.rot_drag.x, l.inertia.x),
                     spin_drag(w.y, vessel.rot_drag.y, l.inertia.y),
                     spin_drag(w.z, vessel.rot_drag.z, l.inertia.z)};
}

// Lift, drag and moment of each airfoil, from its coefficient function at the
// airflow of its reference point.
void Body::add_airfoils(Loads& l) const {
    const double rho = l.air.density;
    for (const Airfoil& af : vessel.airfoils) {
        const Vec3 r = limit_length(finite_vec(af.ref), 1.0e6);
        const Vec3 vl = l.v_body + cross(l.omega, r);
        const double vs = norm(vl);
        if (!(vs > 1e-6) || af.coeff == nullptr) continue;
        const bool horizontal = af.orientation == Lift::horizontal;
        const double angle = horizontal ? pmath::atan2(vl.x, vl.z) : pmath::atan2(-vl.y, vl.z);
        double cl = 0, cm = 0, cd = 0;
        const double mach = vs / l.air.speed_of_sound;
        const double reynolds = rho * vs * amount(af.chord, 1e6) / l.air.viscosity;
        if (vessel.call_coeff) {
            vessel.call_coeff(af, angle, mach, reynolds, &cl, &cm, &cd);
        } else {
            af.coeff(angle, mach, reynolds, &cl, &cm, &cd);
        }
        cl = std::clamp(finite_or(cl, 0), -kMaxCoefficient, kMaxCoefficient);
        cm = std::clamp(finite_or(cm, 0), -kMaxCoefficient, kMaxCoefficient);
        cd = std::clamp(finite_or(cd, 0), -kMaxCoefficient, kMaxCoefficient);
        const double qs = 0.5 * rho * vs * vs * amount(af.area, 1e6);
        double drag_f = qs * cd;
        if (drag_f > 0)
            drag_f = std::min(drag_f,
                              effective_mass(r, rotate(state.att, vl * (1.0 / vs))) * vs / kStep);
        const Vec3 f = lift_direction(vl, horizontal) * (qs * cl) - vl * (drag_f / vs);
        l.force_body += f;
        l.torque += cross(r, f);
        const double moment = -cm * qs * amount(af.chord, 1e6);
        if (horizontal) {
            l.torque.y += moment;
        } else {
            l.torque.x += moment;
        }
    }
}

// The lift change of each control surface at its level.
void Body::add_surfaces(Loads& l) const {
    for (const ControlSurface& s : vessel.surfaces) {
        const int t = static_cast<int>(s.type);
        const int type = t >= 0 && t < kControlTypes ? t : 0;
        const double lvl = level(vessel.control[static_cast<std::size_t>(type)], -1, 1);
        if (lvl == 0) continue;
        const Vec3 r = limit_length(finite_vec(s.ref), 1.0e6);
        const Vec3 vl = l.v_body + cross(l.omega, r);
        const double qs = 0.5 * l.air.density * dot(vl, vl) * amount(s.area, 1e6);
        const double dcl = std::clamp(finite_or(s.dcl, 0), -kMaxCoefficient, kMaxCoefficient);
        const Vec3 f =
            lift_direction(vl, hinged_vertically(s)) * (surface_sign(s) * dcl * lvl * qs);
        l.force_body += f;
        l.torque += cross(r, f);
    }
}

// The wheels and, where they cannot carry the body, the hull on the ground.
void Body::add_ground(Loads& l) const {
    if (!vessel.ground) return;
    const double m = l.mass;
    const double n = static_cast<double>(std::max<std::size_t>(vessel.touchdown.size(), 1));
    const double k = m * kGravity / (n * kGearSag);
    const double damping = kGearDamping * 2.0 * std::sqrt(k * m);
    const std::array<Vec3, 6> hull = hull_points(vessel.size);
    int active = 0;
    auto touching = [&](Vec3 r) { return (state.pos + rotate(state.att, r)).y < 0; };
    for (Vec3 r : vessel.touchdown) active += touching(limit_length(finite_vec(r), 1e4)) ? 1 : 0;
    for (Vec3 r : hull) active += touching(r) ? 1 : 0;
    if (active == 0) return;
    Vec3 f{};
    Vec3 t{};
    for (Vec3 r : vessel.touchdown)
        contact(limit_length(finite_vec(r), 1e4), true, k, damping, active, f, t);
    for (Vec3 r : hull) contact(r, false, k, damping, active, f, t);
    l.force_world += f;
    l.torque += t;
}

// Velocities first, then positions with the new velocities.
void Body::integrate(const Loads& l) {
    const double h = kStep;
    const Vec3 w = l.omega;
    const Vec3 accel = (rotate(state.att, l.force_body) + l.force_world) * (1.0 / l.mass);
    state.vel = limit_length(state.vel + accel * h, kMaxSpeed);
    const Vec3 iw{l.inertia.x * w.x, l.inertia.y * w.y, l.inertia.z * w.z};
    const Vec3 net = l.torque - cross(w, iw);
    state.omega = limit_length(
        w + Vec3{net.x / l.inertia.x, net.y / l.inertia.y, net.z / l.inertia.z} * h, kMaxSpin);
    state.pos = finite_vec(state.pos + state.vel * h);

    const double spin = norm(state.omega);
    if (spin > 0) {
        state.att = normalized(state.att * axis_angle(state.omega * (1.0 / spin), spin * h));
    }
}

Readings Body::readings() const {
    Readings out;
    const Vec3 v_body = unrotate(state.att, state.vel);
    out.airspeed = norm(state.vel);
    out.altitude = state.pos.y;
    out.pos = state.pos;
    out.vel = state.vel;
    out.vertical_speed = state.vel.y;

    const Vec3 nose = rotate(state.att, {0, 0, 1});
    const Vec3 up = rotate(state.att, {0, 1, 0});
    const Vec3 right = rotate(state.att, {1, 0, 0});
    out.pitch = pmath::asin(std::clamp(nose.y, -1.0, 1.0));
    out.bank = pmath::atan2(-right.y, up.y);
    double heading = pmath::atan2(nose.x, nose.z);
    if (heading < 0) heading += 2 * std::numbers::pi;
    out.heading = heading;
    if (vessel.air) {
        out.mach = norm(v_body) / standard_air(state.pos.y).speed_of_sound;
        // Below walking pace the airflow has no direction worth reporting.
        if (norm(v_body) >= kMinFlow) {
            out.aoa = pmath::atan2(-v_body.y, v_body.z);
            out.slip = pmath::atan2(v_body.x, v_body.z);
        }
    }

    if (vessel.ground) {
        // Within a millimetre counts: a body just set down on its wheels has
        // not yet pressed them in.
        auto touching = [&](Vec3 r) { return (state.pos + rotate(state.att, r)).y < 1e-3; };
        for (Vec3 r : vessel.touchdown) {
            out.ground_contact = out.ground_contact || touching(finite_vec(r));
        }
        for (Vec3 r : hull_points(vessel.size)) {
            out.ground_contact = out.ground_contact || touching(r);
        }
    }
    out.mass = mass();
    for (const Propellant& p : vessel.propellants) out.fuel += amount(p.mass, 1.0e12);
    out.thrust = last_thrust_;
    return out;
}

}  // namespace flight
