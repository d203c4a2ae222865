#include "airfoil.h"

#include "vmapi.h"

namespace airfoil {
namespace {

// Lift coefficients from -180 to +180 degrees in 15-degree steps.
constexpr double wing_cl_table[25] = {
    0.1,  0.17, 0.2,  0.2,  0.17, 0.1,  0,     -0.11, -0.24, -0.38, -0.5,  -0.5, -0.02,
    0.6355, 0.63, 0.46, 0.28, 0.13, 0, -0.16, -0.26, -0.29, -0.24, -0.1, 0.1};

// Moment coefficients at the same angles.
constexpr double wing_cm_table[25] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0.002, 0.004, 0.0025, 0.0012,
    0, -0.0012, -0.0007, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Lift coefficients from -180 to +180 degrees in 22.5-degree steps.
constexpr double fin_cl_table[17] = {0,   0.2, 0.3,  0.2,  0,    -0.2, -0.3, -0.2, 0,
                                     0.2, 0.3, 0.2,  0,    -0.2, -0.3, -0.2, 0};

constexpr double kWingAspect = 2.266;
constexpr double kFinAspect = 1.5;
constexpr double kSpanEfficiency = 0.6;
constexpr double kWingProfileDrag = 0.06;
constexpr double kFinProfileDrag = 0.02;

}  // namespace

Segment locate(double angle, double inv_step, int last_segment) {
    const double t = (angle + kPi) * inv_step;
    // Clamp before converting: converting nan, an infinity or a huge value to
    // int is undefined. The negated test also sends nan to segment 0.
    int i;
    if (t >= last_segment)
        i = last_segment;
    else if (!(t >= 0))
        i = 0;
    else
        i = static_cast<int>(t);
    return {i, t - i};
}

double interpolate(const double* table, Segment s) {
    const double lo = table[s.index];
    return lo + s.fraction * (table[s.index + 1] - lo);
}

void wing_lift_coeff(double aoa, double /*M*/, double /*Re*/, double* cl, double* cm,
                     double* cd) {
    static const double step = 15 * RAD;
    static const double inv_step = 1.0 / step;
    const Segment s = locate(aoa, inv_step, 23);
    *cl = interpolate(wing_cl_table, s);
    *cm = interpolate(wing_cm_table, s);
    *cd = vmapiGetInducedDrag(*cl, kWingAspect, kSpanEfficiency) + kWingProfileDrag;
}

void fin_lift_coeff(double beta, double /*M*/, double /*Re*/, double* cl, double* cm,
                    double* cd) {
    static const double step = 22.5 * RAD;
    static const double inv_step = 1.0 / step;
    const Segment s = locate(beta, inv_step, 15);
    *cl = interpolate(fin_cl_table, s);
    *cm = 0;
    *cd = vmapiGetInducedDrag(*cl, kFinAspect, kSpanEfficiency) + kFinProfileDrag;
}

}  // namespace airfoil
