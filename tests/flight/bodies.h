// Bodies and coefficient functions shared by the flight-model tests.
#pragma once

#include <algorithm>
#include <numbers>

#include "body.h"

namespace test_bodies {

// A thin symmetric wing: lift grows 2π per radian up to the stall, drag is a
// profile drag plus the induced part.
inline void plain_wing(double aoa, double, double, double* cl, double* cm, double* cd) {
    const double a = std::clamp(aoa, -0.25, 0.25);
    *cl = 2 * std::numbers::pi * a;
    *cm = 0;
    *cd = 0.01 + 0.05 * *cl * *cl;
}

// An aircraft-like body in level flight: a wing at the centre of mass, a
// tail plane behind it for stability, and one control surface of each kind.
inline flight::Body flying_body() {
    flight::Body b;
    b.vessel.empty_mass = 3000;
    b.vessel.size = 6;
    b.vessel.pmi = {6, 8, 3};
    b.vessel.rot_drag = {1, 1, 1};
    using flight::Hinge, flight::Lift, flight::Surface;
    b.vessel.airfoils = {{Lift::vertical, {0, 0, 0}, plain_wing, 2, 40, 8},
                         {Lift::vertical, {0, 0, -8}, plain_wing, 1, 2, 4},
                         {Lift::horizontal, {0, 1, -8}, plain_wing, 1, 6, 2}};
    b.vessel.surfaces = {{Surface::elevator, 3, 0.8, {0, 0, -8}, Hinge::x_pos},
                         {Surface::rudder, 2, 0.5, {0, 1, -8}, Hinge::y_pos},
                         {Surface::aileron, 1, 0.3, {6, 0, -1}, Hinge::x_pos},
                         {Surface::aileron, 1, 0.3, {-6, 0, -1}, Hinge::x_neg},
                         {Surface::flap, 4, 0.8, {0, 0, 0}, Hinge::x_pos}};
    b.state.pos = {0, 3000, 0};
    b.state.vel = {0, 0, 80};
    return b;
}

}  // namespace test_bodies
