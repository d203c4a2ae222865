// Tabulated lift, moment and drag coefficients of the wing and the fin, shared
// by both aircraft. Registered with CreateAirfoil; the host calls them any
// number of times per step. Mach and Reynolds numbers are ignored.
#pragma once

namespace airfoil {

// pi cut to 15 digits, as every angle of the aircraft was written with it:
// their degrees become the radians the host has always been given, and the
// coefficient tables start at this -pi. Keep it for anything the aircraft
// show the host; new arithmetic uses std::numbers::pi.
inline constexpr double kPi = 3.14159265358979;
inline constexpr double RAD = kPi / 180.0;

// Wing (vertical lift): `aoa` is the angle of attack in radians.
void wing_lift_coeff(double aoa, double M, double Re, double* cl, double* cm, double* cd);

// Fin (horizontal lift): `beta` is the sideslip angle in radians. The moment
// coefficient is always 0.
void fin_lift_coeff(double beta, double M, double Re, double* cl, double* cm, double* cd);

// Tables cover the whole circle of airflow angles: entry k at -pi + k * step.
// Where an angle falls in such a table: segment start and fraction. Angles beyond
// -pi..pi extrapolate linearly from the end segment; nan gives segment 0 and a
// nan fraction, so nan propagates to the result.
struct Segment {
    int index;
    double fraction;
};
Segment locate(double angle, double inv_step, int last_segment);

}  // namespace airfoil
