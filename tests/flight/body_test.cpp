#include "body.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <numbers>

#include "bodies.h"
#include "counting_new.h"

using flight::Body;
using flight::Vec3;

namespace {

using test_bodies::flying_body;
using test_bodies::plain_wing;

constexpr double g = 9.80665;
constexpr double kHostStep = 0.02;
constexpr double kInf = std::numeric_limits<double>::infinity();

void nan_wing(double, double, double, double* cl, double* cm, double* cd) {
    *cl = std::nan("");
    *cm = kInf;
    *cd = -kInf;
}

bool finite_state(const Body& b) {
    const auto& s = b.state;
    return flight::finite(s.pos) && flight::finite(s.vel) && flight::finite(s.omega) &&
           std::isfinite(s.att.w + s.att.x + s.att.y + s.att.z);
}

void fly(Body& b, int steps) {
    for (int i = 0; i < steps; ++i) b.advance(kHostStep);
}

// A 10-tonne body standing on a low, wide tricycle gear around its centre of
// mass (wide enough not to tip over while its tyres grip sideways).
Body standing_body() {
    Body b;
    b.vessel.empty_mass = 10000;
    b.vessel.size = 4;
    b.vessel.pmi = {4, 5, 2};
    b.vessel.touchdown = {{0, -1, 3}, {-3, -1, -2}, {3, -1, -2}};
    b.place_on_ground();
    return b;
}

TEST(Body, FallsFreelyWithoutAirOrGround) {
    Body b;
    b.vessel.air = false;
    b.vessel.ground = false;
    b.vessel.empty_mass = 500;
    b.state.pos = {10, 1000, -20};
    b.state.vel = {3, 0, 0};
    fly(b, 500);  // 10 s
    const double t = 10;
    EXPECT_NEAR(1000 - b.readings().altitude, g * t * t / 2, 0.001 * g * t * t / 2);
    EXPECT_NEAR(b.state.vel.y, -g * t, 1e-9);
    EXPECT_NEAR(b.state.pos.x, 10 + 3 * t, 1e-9);  // no force sideways
    EXPECT_DOUBLE_EQ(b.state.pos.z, -20);
    EXPECT_FALSE(b.readings().ground_contact);
}

TEST(Body, ThrustAcceleratesAsForceOverMassAndBurnsAtThrustOverIsp) {
    Body b;
    b.vessel.air = false;
    b.vessel.ground = false;
    b.vessel.empty_mass = 1000;
    b.vessel.propellants = {{1000, 1000, 1}};
    const double thrust = 20000;
    const double isp = 5000;
    b.vessel.thrusters = {{{0, 0, -2}, {0, 0, 1}, thrust, isp, 0, 101400, 0, 1.0}};

    b.advance(kHostStep);
    EXPECT_NEAR(b.state.vel.z / kHostStep, thrust / 2000, 0.01 * thrust / 2000);
    EXPECT_NEAR(b.readings().thrust, thrust, 1e-6);

    fly(b, 499);  // 10 s in all
    const double burnt = thrust / isp * 10;
    EXPECT_NEAR(b.readings().fuel, 1000 - burnt, 1e-6);
    EXPECT_NEAR(b.readings().mass, 2000 - burnt, 1e-6);
    // The rocket equation: the speed gained is isp · ln(m0 / m).
    EXPECT_NEAR(b.state.vel.z, isp * std::log(2000 / (2000 - burnt)), 0.05);
    EXPECT_NEAR(b.state.vel.y, -g * 10, 1e-9);   // thrust along z only
    EXPECT_NEAR(norm(b.state.omega), 0, 1e-12);  // through the centre of mass

    // Half level, half the thrust and half the burn.
    b.vessel.thrusters[0].level = 0.5;
    const double fuel = b.readings().fuel;
    fly(b, 50);
    EXPECT_NEAR(fuel - b.readings().fuel, thrust / 2 / isp, 1e-6);

    // The tank runs dry within a step: the thrust stops, the tank stays at 0.
    b.vessel.propellants[0].mass = 0.01;
    fly(b, 2);
    EXPECT_EQ(b.readings().fuel, 0);
    const double v = b.state.vel.z;
    fly(b, 10);
    EXPECT_EQ(b.state.vel.z, v);
    EXPECT_EQ(b.readings().thrust, 0);
}

TEST(Body, ThrusterWithoutPropellantOrIspGivesNoThrust) {
    Body b;
    b.vessel.air = false;
    b.vessel.ground = false;
    b.vessel.propellants = {{100, 100, 1}};
    b.vessel.thrusters = {{{}, {0, 0, 1}, 1000, 3000, 0, 101400, -1, 1.0},
                          {{}, {0, 0, 1}, 1000, 0, 0, 101400, 0, 1.0},
                          {{}, {0, 0, 1}, 1000, 3000, 0, 101400, 7, 1.0}};
    fly(b, 10);
    EXPECT_EQ(b.state.vel.z, 0);
    EXPECT_EQ(b.readings().fuel, 100);
}

TEST(Body, HugeDragBringsTheAirflowToRestWithoutReversingIt) {
    for (double cw : {999.0, 555.0, 1e300, kInf, std::nan("")}) {
        Body b;
        b.vessel.ground = false;
        b.vessel.empty_mass = 22000;
        b.vessel.cross_sections = {5, 5, 15};
        b.vessel.cw_zpos = b.vessel.cw_zneg = b.vessel.cw_x = b.vessel.cw_y = cw;
        b.state.pos = {0, 7000, 0};
        b.state.vel = {20, 0, 177};
        for (int i = 0; i < 500; ++i) {
            b.advance(kHostStep);
            ASSERT_TRUE(finite_state(b)) << cw;
            ASSERT_GE(b.state.vel.z, 0) << cw << " step " << i;
            ASSERT_GE(b.state.vel.x, 0) << cw << " step " << i;
        }
        if (cw > 1) {
            // The airflow along z has all but died away, and the body falls at
            // the speed where the drag carries its weight.
            const double rho = flight::standard_air(b.state.pos.y).density;
            EXPECT_LT(b.state.vel.z, 1) << cw;
            EXPECT_NEAR(-b.state.vel.y, std::sqrt(22000 * g / (0.5 * rho * cw * 5)), 0.1) << cw;
        }
    }

    // Quadratic drag slows the airflow like 1 / (1 + k·v0·t), k = ρ·cw·A / 2m.
    Body b;
    b.vessel.air = true;
    b.vessel.ground = false;
    b.vessel.empty_mass = 22000;
    b.vessel.cross_sections = {5, 5, 15};
    b.vessel.cw_zpos = 999;
    b.state.pos = {0, 7000, 0};
    b.state.vel = {0, 0, 177};
    const double k = 0.5 * flight::standard_air(7000).density * 999 * 15 / 22000;
    double last = 177;
    for (int i = 1; i <= 50; ++i) {
        b.advance(kHostStep);
        ASSERT_LE(b.state.vel.z, last);
        ASSERT_GT(b.state.vel.z, 0);
        last = b.state.vel.z;
    }
    EXPECT_NEAR(b.state.vel.z, 177 / (1 + k * 177 * 1.0), 0.05);

    // A drag beyond all measure stops the airflow within one step.
    for (double cw : {1e300, kInf}) {
        b.state.vel = {0, 0, 177};
        b.vessel.cw_zpos = cw;
        b.advance(kHostStep);
        EXPECT_LT(b.state.vel.z, 1e-9) << cw;
        EXPECT_GE(b.state.vel.z, 0) << cw;
    }
}

TEST(Body, GroundContactHoldsABodyAtRest) {
    Body b = standing_body();
    fly(b, 500);
    const auto r = b.readings();
    EXPECT_TRUE(r.ground_contact);
    EXPECT_LT(norm(b.state.vel), 1e-3);
    EXPECT_LT(norm(b.state.omega), 1e-3);
    // The nose wheel carries more than each main wheel and gives a little more.
    EXPECT_LT(r.pitch, 0);
    EXPECT_GT(r.pitch, -0.01);
    EXPECT_NEAR(r.bank, 0, 1e-6);
    EXPECT_GT(r.altitude, 0.85);
    EXPECT_LT(r.altitude, 1.0);

    // A body dropped from a few metres bounces to rest on its wheels.
    Body d = standing_body();
    d.state.pos.y += 3;
    fly(d, 1000);
    EXPECT_TRUE(d.readings().ground_contact);
    EXPECT_LT(norm(d.state.vel), 1e-3);
    EXPECT_NEAR(d.readings().altitude, r.altitude, 1e-3);
}

TEST(Body, WheelsRollFreelyButBrakeAndHoldSideways) {
    Body rolling = standing_body();
    fly(rolling, 100);
    rolling.state.vel = {0, 0, 20};
    fly(rolling, 50);  // 1 s: rolling friction takes a little away
    EXPECT_GT(rolling.state.vel.z, 19.5);
    EXPECT_LT(rolling.state.vel.z, 20);

    Body braking = rolling;
    braking.vessel.brake = 1;
    fly(braking, 250);
    EXPECT_LT(norm(braking.state.vel), 1e-3);  // stopped, and stays stopped

    Body sliding = standing_body();
    fly(sliding, 100);
    sliding.state.vel = {5, 0, 0};
    fly(sliding, 100);  // 0.8 g of grip stops it within 0.7 s
    EXPECT_LT(std::fabs(sliding.state.vel.x), 1e-3);
}

TEST(Body, RestsOnItsHullWhenItsWheelsCannotCarryIt) {
    // All wheels ahead of the centre of mass: the body tips back onto its
    // tail, where the hull meets the ground at its size behind the centre.
    Body b;
    b.vessel.empty_mass = 20000;
    b.vessel.size = 5;
    b.vessel.pmi = {15, 20, 8};
    b.vessel.touchdown = {{0, -1.5, 2.8}, {-1.2, -1.4, 1.2}, {1.2, -1.4, 1.2}};
    b.place_on_ground();
    fly(b, 1000);
    const auto r = b.readings();
    EXPECT_TRUE(r.ground_contact);
    EXPECT_LT(norm(b.state.vel), 1e-2);
    EXPECT_NEAR(r.pitch, std::atan2(1.4, 6.2), 0.02);
}

TEST(Body, ControlSurfacesTurnTheBodyTheWayTheirLevelsSay) {
    using flight::Surface;
    struct Case {
        Surface type;
        double level;
        const char* what;
    };
    const Body trimmed = flying_body();
    for (const Case c :
         {Case{Surface::elevator, 1, "elevator up"}, Case{Surface::aileron, 1, "aileron right"},
          Case{Surface::rudder, 1, "rudder right"}, Case{Surface::flap, 1, "flap down"}}) {
        Body b = trimmed;
        Body ref = trimmed;
        b.vessel.level(c.type) = c.level;
        fly(b, 10);
        fly(ref, 10);
        const auto r = b.readings();
        const auto base = ref.readings();
        switch (c.type) {
            case Surface::elevator:
                EXPECT_GT(r.pitch, base.pitch + 1e-3) << c.what;
                break;
            case Surface::aileron:
                EXPECT_GT(r.bank, base.bank + 1e-3) << c.what;
                break;
            case Surface::rudder:
                EXPECT_GT(r.heading, base.heading + 1e-4) << c.what;
                EXPECT_LT(r.heading, 1) << c.what;
                break;
            default:
                EXPECT_GT(b.state.vel.y, ref.state.vel.y + 1e-2) << c.what;
                break;
        }
    }
}

TEST(Body, ReportsAttitudeAndAirflowAngles) {
    Body b = flying_body();
    b.vessel.air = true;
    // Nose 0.1 rad up and heading east, moving level northwards-east.
    b.state.att =
        flight::axis_angle({0, 1, 0}, std::numbers::pi / 2) * flight::axis_angle({1, 0, 0}, -0.1);
    b.state.vel = {80, 0, 0};
    auto r = b.readings();
    EXPECT_NEAR(r.pitch, 0.1, 1e-12);
    EXPECT_NEAR(r.heading, std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(r.bank, 0, 1e-12);
    EXPECT_NEAR(r.aoa, 0.1, 1e-12);
    EXPECT_NEAR(r.slip, 0, 1e-12);
    EXPECT_NEAR(r.airspeed, 80, 1e-12);

    // Right wing down: turning about the nose so that +x goes below.
    b.state.att = flight::axis_angle({0, 0, 1}, -0.3);
    b.state.vel = {0, 0, 50};
    r = b.readings();
    EXPECT_NEAR(r.bank, 0.3, 1e-12);
    EXPECT_NEAR(r.pitch, 0, 1e-12);

    // Sliding right: the airflow comes from the right.
    b.state.att = {};
    b.state.vel = {5, 0, 50};
    EXPECT_NEAR(b.readings().slip, std::atan2(5, 50), 1e-12);
}

TEST(Body, WingAndFinKeepTheBodyPointedIntoTheAirflow) {
    Body b = flying_body();
    b.state.att = flight::axis_angle({0, 1, 0}, 0.1);  // nose 0.1 rad right of the airflow
    fly(b, 200);
    const auto r = b.readings();
    EXPECT_LT(std::fabs(r.slip), 0.02);
    EXPECT_TRUE(finite_state(b));
}

TEST(Body, SameInputsGiveTheSameFlight) {
    auto run = [] {
        Body b = flying_body();
        b.vessel.level(flight::Surface::elevator) = 0.3;
        b.vessel.level(flight::Surface::aileron) = -0.2;
        for (int i = 0; i < 300; ++i) {
            b.add_force({100, 0, 0}, {0, 0, 1});
            b.advance(kHostStep);
        }
        return b.state;
    };
    const auto a = run();
    const auto c = run();
    EXPECT_EQ(std::memcmp(&a, &c, sizeof a), 0);
}

TEST(Body, AddedForcesLastOneAdvance) {
    Body b;
    b.vessel.air = false;
    b.vessel.ground = false;
    b.vessel.empty_mass = 100;
    b.add_force({1000, 0, 0}, {0, 0, 0});
    b.add_force({1000, 0, 0}, {0, 0, 0});
    b.advance(kHostStep);
    EXPECT_NEAR(b.state.vel.x, 20 * kHostStep, 1e-12);
    b.advance(kHostStep);
    EXPECT_NEAR(b.state.vel.x, 20 * kHostStep, 1e-12);

    // An off-centre pair of opposite forces turns the body without moving it.
    b.add_force({1000, 0, 0}, {0, 0, 1});
    b.add_force({-1000, 0, 0}, {0, 0, -1});
    b.advance(kHostStep);
    EXPECT_NEAR(b.state.vel.x, 20 * kHostStep, 1e-12);
    EXPECT_GT(b.state.omega.y, 0);  // nose towards +x
}

TEST(Body, AnyInputLeavesTheStateFinite) {
    const double bad[] = {std::nan(""), kInf, -kInf, 1e308, -1e308, 0, -5};
    for (double x : bad) {
        Body b = flying_body();
        b.vessel.touchdown = {{0, -2, 3}, {x, x, x}, {2, -2, -2}};
        b.vessel.empty_mass = x;
        b.vessel.size = x;
        b.vessel.pmi = {x, 1, x};
        b.vessel.cw_zpos = x;
        b.vessel.cross_sections = {x, x, x};
        b.vessel.rot_drag = {x, x, x};
        b.vessel.airfoils.push_back({flight::Lift::vertical, {x, 0, 0}, nan_wing, x, x, x});
        b.vessel.airfoils.push_back({flight::Lift::vertical, {}, nullptr, 1, 1, 1});
        // Numbers a plug-in may pass that name no type and no hinge.
        b.vessel.surfaces.push_back({flight::Surface{7}, x, x, {0, x, 0}, flight::Hinge{9}});
        b.vessel.propellants = {{x, x, x}};
        b.vessel.thrusters = {{{x, 0, 0}, {x, 1, x}, x, x, x, x, 0, x}};
        b.vessel.control = {x, x, x, x, x, x};
        b.vessel.brake = x;
        b.add_force({x, x, x}, {x, 1, 1});
        b.state.pos.y = 10;
        for (int i = 0; i < 300; ++i) {
            b.advance(x == 0 ? kHostStep : x);
            b.advance(kHostStep);
            ASSERT_TRUE(finite_state(b)) << x << " step " << i;
        }
        const auto r = b.readings();
        EXPECT_TRUE(std::isfinite(r.airspeed + r.altitude + r.pitch + r.bank + r.aoa + r.heading +
                                  r.mach + r.fuel + r.mass + r.thrust))
            << x;
    }
}

TEST(Body, AdvancingAllocatesNothing) {
    Body b = flying_body();
    b.vessel.touchdown = {{0, -2, 3}, {-2, -2, -2}, {2, -2, -2}};
    b.vessel.propellants = {{1000, 1000, 1}};
    b.vessel.thrusters = {{{0, 0, -2}, {0, 0, 1}, 20000, 5000, 0, 101400, 0, 1.0}};
    b.state.pos.y = 50;
    const std::size_t before = counting_new::allocations();
    for (int i = 0; i < 2000; ++i) {
        b.add_force({10, 0, 0}, {0, 0, 1});
        b.advance(kHostStep);
        (void)b.readings();
    }
    EXPECT_EQ(counting_new::allocations(), before);
}

}  // namespace

namespace {

int g_hook_calls = 0;
void counting_hook(const flight::Airfoil& af, double angle, double mach, double re, double* cl,
                   double* cm, double* cd) {
    ++g_hook_calls;
    EXPECT_GT(mach, 0);
    EXPECT_GT(re, 0);
    af.coeff(angle, mach, re, cl, cm, cd);
}

TEST(Body, CoefficientFunctionsAreCalledThroughTheHostsHook) {
    Body direct = test_bodies::flying_body();
    Body hooked = test_bodies::flying_body();
    hooked.vessel.call_coeff = counting_hook;
    g_hook_calls = 0;
    direct.advance(0.02);
    hooked.advance(0.02);
    // Three airfoils, four internal steps; the flight is the same.
    EXPECT_EQ(g_hook_calls, 12);
    EXPECT_EQ(std::memcmp(&direct.state, &hooked.state, sizeof direct.state), 0);
}

}  // namespace
