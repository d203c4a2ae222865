#include "autopilot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "portable_math.h"

namespace flight {
namespace {

// The response asked of each axis: natural frequency (rad/s), damping, and
// the integral gain that trims out a steady error.
constexpr double kFrequency = 2.5;
constexpr double kDamping = 0.9;
constexpr double kIntegral = 4.0;       // rad/s³ per rad·s
constexpr double kMaxIntegral = 0.5;    // rad·s
constexpr double kClimbGain = 0.02;     // rad of pitch per m/s of climb-rate error
constexpr double kMaxPitch = 1.2;       // rad, the steepest attitude a climb asks for
constexpr double kMinAuthority = 1e-3;  // rad/s² per level

double finite_or(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

// Angular acceleration (rad/s²) that level 1 of the surfaces of `type`
// gives about the vessel's x axis (pitch) or z axis (roll) right now.
double authority(const Body& body, Surface type, bool roll) {
    const Vessel& v = body.vessel;
    if (!v.air) return 0;
    const double rho = standard_air(body.state.pos.y).density;
    const double speed = norm(body.state.vel);
    const double q = 0.5 * rho * speed * speed;
    double moment = 0;
    for (const ControlSurface& s : v.surfaces) {
        if (s.type != type) continue;
        const double lever = roll ? s.ref.x : s.ref.z;
        moment += std::fabs(finite_or(s.dcl * s.area * lever, 0));
    }
    const double pmi = roll ? v.pmi.z : v.pmi.x;
    const double inertia = body.mass() * std::max(finite_or(pmi, 1.0), 1e-3);
    return moment * q / inertia;
}

// One axis: drive `angle` to `target` with the given rate, through surfaces
// giving `power` rad/s² per unit level.
double steer(double target, double angle, double rate, double power, double& integral, double dt,
             bool grounded) {
    const double error = std::remainder(target - angle, 2 * std::numbers::pi);
    const double demand =
        kFrequency * kFrequency * error - 2 * kDamping * kFrequency * rate + kIntegral * integral;
    const double level = demand / std::max(power, kMinAuthority);
    // Wind up the integral only in the air and while the surfaces have room
    // left: on the ground the wheels, not the trim, hold the attitude.
    if (!grounded && std::fabs(level) < 1) {
        integral = std::clamp(integral + error * dt, -kMaxIntegral, kMaxIntegral);
    }
    return std::clamp(finite_or(level, 0), -1.0, 1.0);
}

}  // namespace

void Autopilot::hold_pitch(double radians) {
    if (pitch_mode_ == Pitch::off) pitch_integral_ = 0;
    pitch_mode_ = Pitch::attitude;
    pitch_target_ = std::clamp(finite_or(radians, 0), -1.5, 1.5);
}

void Autopilot::hold_climb(double metres_per_second) {
    if (pitch_mode_ == Pitch::off) pitch_integral_ = 0;
    pitch_mode_ = Pitch::climb;
    climb_target_ = std::clamp(finite_or(metres_per_second, 0), -1000.0, 1000.0);
}

void Autopilot::hold_bank(double radians) {
    if (!bank_on_) bank_integral_ = 0;
    bank_on_ = true;
    bank_target_ = std::clamp(finite_or(radians, 0), -1.5, 1.5);
}

void Autopilot::pitch_off() {
    pitch_mode_ = Pitch::off;
}
void Autopilot::bank_off() {
    bank_on_ = false;
}
void Autopilot::off() {
    pitch_off();
    bank_off();
}

void Autopilot::fly(Body& body, double dt) {
    const Readings r = body.readings();
    const Vec3 w = body.state.omega;
    if (pitch_mode_ != Pitch::off) {
        double target = pitch_target_;
        if (pitch_mode_ == Pitch::climb) {
            // The attitude that gives the wanted flight path at the present
            // angle of attack, nudged by the climb-rate error.
            const double speed = std::max(r.airspeed, 1.0);
            const double path = pmath::asin(std::clamp(climb_target_ / speed, -1.0, 1.0));
            target =
                path + r.aoa * pmath::cos(r.bank) + kClimbGain * (climb_target_ - r.vertical_speed);
            target = std::clamp(target, -kMaxPitch, kMaxPitch);
            pitch_target_ = target;
        }
        // Nose-up pitch rate is a negative turn about x; in a bank a turn
        // about y (nose right) lowers the nose too.
        const double rate = -w.x * pmath::cos(r.bank) - w.y * pmath::sin(r.bank);
        body.vessel.level(Surface::elevator) =
            steer(target, r.pitch, rate, authority(body, Surface::elevator, false), pitch_integral_,
                  dt, r.ground_contact);
    }
    if (bank_on_) {
        body.vessel.level(Surface::aileron) =
            steer(bank_target_, r.bank, -w.z, authority(body, Surface::aileron, true),
                  bank_integral_, dt, r.ground_contact);
    }
}

}  // namespace flight
