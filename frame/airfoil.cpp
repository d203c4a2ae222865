#include "airfoil.h"

#include <iterator>

#include "vmapi.h"

namespace airfoil {
namespace {

// Coefficients at airflow angles round the whole circle, one row per angle.
struct WingRow {
    double degrees, cl, cm;
};
struct FinRow {
    double degrees, cl;
};

// clang-format off
constexpr WingRow kWing[] = {
    // degrees  lift    moment
    {-180,      0.1,     0},
    {-165,      0.17,    0},
    {-150,      0.2,     0},
    {-135,      0.2,     0},
    {-120,      0.17,    0},
    {-105,      0.1,     0},
    { -90,      0,       0},
    { -75,     -0.11,    0},
    { -60,     -0.24,    0},
    { -45,     -0.38,    0.002},
    { -30,     -0.5,     0.004},
    { -15,     -0.5,     0.0025},
    {   0,     -0.02,    0.0012},
    {  15,      0.6355,  0},
    {  30,      0.63,   -0.0012},
    {  45,      0.46,   -0.0007},
    {  60,      0.28,    0},
    {  75,      0.13,    0},
    {  90,      0,       0},
    { 105,     -0.16,    0},
    { 120,     -0.26,    0},
    { 135,     -0.29,    0},
    { 150,     -0.24,    0},
    { 165,     -0.1,     0},
    { 180,      0.1,     0},
};

constexpr FinRow kFin[] = {
    // degrees  lift
    {-180,      0},
    {-157.5,    0.2},
    {-135,      0.3},
    {-112.5,    0.2},
    { -90,      0},
    { -67.5,   -0.2},
    { -45,     -0.3},
    { -22.5,   -0.2},
    {   0,      0},
    {  22.5,    0.2},
    {  45,      0.3},
    {  67.5,    0.2},
    {  90,      0},
    { 112.5,   -0.2},
    { 135,     -0.3},
    { 157.5,   -0.2},
    { 180,      0},
};
// clang-format on

// The lookup finds the row from the angle alone: the rows run from -180 to
// +180 degrees in equal steps.
template <class Row, std::size_t N>
constexpr bool evenly_round_the_circle(const Row (&rows)[N]) {
    for (std::size_t k = 0; k < N; ++k)
        if (rows[k].degrees != -180 + 360.0 / (N - 1) * static_cast<double>(k)) return false;
    return true;
}
static_assert(evenly_round_the_circle(kWing));
static_assert(evenly_round_the_circle(kFin));

constexpr double kWingStep = 360.0 / (std::size(kWing) - 1);  // degrees
constexpr double kFinStep = 360.0 / (std::size(kFin) - 1);
constexpr int kWingLastSegment = static_cast<int>(std::size(kWing)) - 2;
constexpr int kFinLastSegment = static_cast<int>(std::size(kFin)) - 2;

// Between the values at the two ends of a located segment.
double interpolate(double lo, double hi, Segment s) {
    return lo + s.fraction * (hi - lo);
}

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

void wing_lift_coeff(double aoa, double /*M*/, double /*Re*/, double* cl, double* cm, double* cd) {
    constexpr double inv_step = 1.0 / (kWingStep * RAD);
    const Segment s = locate(aoa, inv_step, kWingLastSegment);
    const WingRow& lo = kWing[s.index];
    const WingRow& hi = kWing[s.index + 1];
    *cl = interpolate(lo.cl, hi.cl, s);
    *cm = interpolate(lo.cm, hi.cm, s);
    *cd = vmapiGetInducedDrag(*cl, kWingAspect, kSpanEfficiency) + kWingProfileDrag;
}

void fin_lift_coeff(double beta, double /*M*/, double /*Re*/, double* cl, double* cm, double* cd) {
    constexpr double inv_step = 1.0 / (kFinStep * RAD);
    const Segment s = locate(beta, inv_step, kFinLastSegment);
    *cl = interpolate(kFin[s.index].cl, kFin[s.index + 1].cl, s);
    *cm = 0;
    *cd = vmapiGetInducedDrag(*cl, kFinAspect, kSpanEfficiency) + kFinProfileDrag;
}

}  // namespace airfoil
