// One rigid body in six degrees of freedom over a flat, non-rotating ground.
//
// The host describes a vessel in `Vessel` (what the plug-in set: masses,
// drag, wings, control surfaces, thrusters, touchdown points) and sets the
// inputs of the moment (control levels, thrust levels, brake, the forces the
// plug-in added for this step); `advance` then moves the body on by whole
// internal steps of fixed length, and `readings` gives what the host reports
// back (airspeed, altitude, attitude, angle of attack, ground contact...).
//
// Frames: the vessel frame has x right, y up, z forward, origin at the centre
// of mass. The world frame has x east, y up (altitude above the ground), z
// north; the ground is the plane y = 0.
//
// Sign conventions of the inputs, chosen so that a positive level pitches the
// nose up (elevator, trim), rolls the right wing down (aileron), yaws the nose
// right (rudder) and adds lift (flap):
// - a surface hinged about +x raises its trailing edge as the level grows, so
//   its lift change points down; hinged about -x, up; a flap always adds lift;
// - a surface hinged about +y moves its trailing edge right, pushing its
//   reference point left; hinged about -y, the other way.
// Pitch is positive nose up, bank positive right wing down, heading 0 north
// and growing towards east, angle of attack positive with the airflow from
// below, sideslip positive with the airflow from the right (both 0 while the
// airflow is slower than 1 m/s).
//
// Nothing that can be passed in (nan, infinities, huge or negative numbers,
// null coefficient functions) makes the body crash; it keeps every state
// value finite. `advance` makes no heap allocation.
#pragma once

#include <array>
#include <vector>

#include "atmosphere.h"
#include "vec.h"

namespace flight {

// An airfoil's coefficient function: the airflow angle (angle of attack for
// vertical lift, sideslip for horizontal lift, radians), Mach and Reynolds
// numbers in; lift, moment and drag coefficients out. The same signature as
// the host's, so a host passes the plug-in's function on unchanged.
using CoeffFunc = void (*)(double angle, double mach, double reynolds, double* cl, double* cm,
                           double* cd);

// The numbering of these three is the host's: a host converts the numbers a
// plug-in passes as they are, and any other number is allowed (treated as
// the first type, or as automatic).
enum class Lift { vertical, horizontal };  // which way an airfoil lifts
enum class Surface {
    elevator,
    rudder,
    aileron,
    flap,
    elevator_trim,
    rudder_trim,
    last = rudder_trim
};
enum class Hinge { automatic, y_pos, y_neg, x_pos, x_neg };  // about which axis it turns

constexpr int kControlTypes = static_cast<int>(Surface::last) + 1;  // the named Surface types

struct Airfoil {
    Lift orientation = Lift::vertical;
    Vec3 ref;  // where its force acts, vessel frame
    CoeffFunc coeff = nullptr;
    double chord = 0;   // m, for the moment
    double area = 0;    // m²
    double aspect = 0;  // kept for the record; the coefficient function owns the drag
};

struct ControlSurface {
    Surface type = Surface::elevator;
    double area = 0;
    double dcl = 0;  // lift coefficient change at level 1
    Vec3 ref;
    Hinge axis = Hinge::automatic;
};

struct Propellant {
    double max_mass = 0;
    double mass = 0;
    double efficiency = 1;  // scales the specific impulse
};

struct Thruster {
    Vec3 pos;
    Vec3 dir{0, 0, 1};   // the way the thrust pushes the vessel
    double max0 = 0;     // maximum thrust in vacuum, N
    double isp = 0;      // specific impulse, m/s
    double isp_ref = 0;  // specific impulse at p_ref; 0: the same at every pressure
    double p_ref = 101400;
    int propellant = -1;  // index into Vessel::propellants; none gives no thrust
    double level = 0;     // 0..1
};

struct Vessel {
    double empty_mass = 1000;
    double size = 1;     // mean radius; also places the hull's contact points
    Vec3 pmi{1, 1, 1};   // principal moments of inertia per unit mass, m²
    double cw_zpos = 0;  // drag coefficients for airflow along +z, -z, x, y
    double cw_zneg = 0;
    double cw_x = 0;
    double cw_y = 0;
    Vec3 cross_sections;  // m², seen along x, y and z
    Vec3 rot_drag;
    std::vector<Vec3> touchdown;  // wheels; the first one steers nothing, all roll along z
    std::vector<Airfoil> airfoils;
    std::vector<ControlSurface> surfaces;
    std::vector<Thruster> thrusters;
    std::vector<Propellant> propellants;

    // Inputs.
    std::array<double, kControlTypes> control{};  // level of each Surface type, -1..1
    double brake = 0;                             // wheel brakes, 0..1
    double& level(Surface s) { return control[static_cast<std::size_t>(s)]; }

    // How the body calls an airfoil's coefficient function; null calls it
    // directly. A host uses it to watch the calls.
    void (*call_coeff)(const Airfoil& airfoil, double angle, double mach, double reynolds,
                       double* cl, double* cm, double* cd) = nullptr;

    // Switches for tests and special scenarios.
    bool air = true;     // false: no atmosphere (no drag, no lift)
    bool ground = true;  // false: no ground at all
};

struct State {
    Vec3 pos;    // world, m; pos.y is the altitude of the centre of mass
    Vec3 vel;    // world, m/s
    Quat att;    // vessel to world
    Vec3 omega;  // angular velocity, vessel frame, rad/s
};

struct Readings {
    double airspeed = 0;  // m/s
    double altitude = 0;  // m, centre of mass above the ground
    double pitch = 0;
    double bank = 0;
    double heading = 0;  // 0..2π
    double aoa = 0;
    double slip = 0;
    double mach = 0;
    double vertical_speed = 0;
    bool ground_contact = false;
    Vec3 pos;
    Vec3 vel;
    double mass = 0;
    double fuel = 0;    // all propellant
    double thrust = 0;  // total thrust of the last internal step, N
};

class Body {
  public:
    static constexpr double kStep = 0.005;  // s, the internal time step

    Vessel vessel;
    State state;

    // Sets the body at rest on the ground with the given heading, level, its
    // lowest touchdown point (or its centre, without any) just touching.
    void place_on_ground(double heading = 0);

    // A force for the next `advance` only, at point `at` (vessel frame).
    void add_force(Vec3 force, Vec3 at);

    // Moves the body on by `dt` seconds (at most one second per call) in whole
    // internal steps; a remainder is carried to the next call, so the same
    // sequence of calls always gives the same result. Forces from add_force
    // are used and then dropped.
    void advance(double dt);

    Readings readings() const;
    double mass() const;

  private:
    struct Loads;
    void substep();
    Loads gravity() const;
    void add_thrust(Loads& l);
    void add_aerodynamics(Loads& l) const;
    void add_drag(Loads& l) const;
    void add_airfoils(Loads& l) const;
    void add_surfaces(Loads& l) const;
    void add_ground(Loads& l) const;
    void integrate(const Loads& l);
    void contact(Vec3 r, bool wheel, double stiffness, double damping, int active, Vec3& force,
                 Vec3& torque) const;
    double effective_mass(Vec3 r, Vec3 dir_world) const;

    Vec3 added_force_;
    Vec3 added_torque_;
    double carry_ = 0;
    double last_thrust_ = 0;
};

}  // namespace flight
