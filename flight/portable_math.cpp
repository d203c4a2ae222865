#include "portable_math.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace flight::pmath {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;
constexpr double kHalfPi = kPi / 2;  // exact: halving only lowers the exponent
// pi/6 correctly rounded, one unit in the last place above kPi / 6.
constexpr double kSixthPi = 0.5235987755982988731;
constexpr double kSqrt3 = 1.732050807568877294;
constexpr double kTanTwelfthPi = 0.2679491924311227075;  // tan(pi/12)

// pi/2 and ln 2 in parts whose products with small integers are exact, so the
// reduced argument keeps its precision (Cody and Waite).
constexpr double kHalfPi1 = 1.57079632673412561417e+00;
constexpr double kHalfPi2 = 6.07710050630396597660e-11;
constexpr double kHalfPi3 = 2.02226624879595063154e-21;
constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kLn2 = 0.6931471805599453094;

// Taylor series on |r| <= pi/4, enough terms for double precision.
double sin_poly(double r) {
    const double r2 = r * r;
    double s = 1.0 / 355687428096000.0;  // 1/17!
    s = s * -r2 + 1.0 / 1307674368000.0;
    s = s * -r2 + 1.0 / 6227020800.0;
    s = s * -r2 + 1.0 / 39916800.0;
    s = s * -r2 + 1.0 / 362880.0;
    s = s * -r2 + 1.0 / 5040.0;
    s = s * -r2 + 1.0 / 120.0;
    s = s * -r2 + 1.0 / 6.0;
    return r - r * r2 * s;
}

double cos_poly(double r) {
    const double r2 = r * r;
    double c = 1.0 / 6402373705728000.0;  // 1/18!
    c = c * -r2 + 1.0 / 20922789888000.0;
    c = c * -r2 + 1.0 / 87178291200.0;
    c = c * -r2 + 1.0 / 479001600.0;
    c = c * -r2 + 1.0 / 3628800.0;
    c = c * -r2 + 1.0 / 40320.0;
    c = c * -r2 + 1.0 / 720.0;
    c = c * -r2 + 1.0 / 24.0;
    c = c * -r2 + 0.5;
    return 1.0 - r2 * c;
}

// sin (quadrant offset 0) or cos (offset 1) through the reduced argument.
double sin_cos(double x, int offset) {
    if (!std::isfinite(x)) return kNan;
    const double k = std::nearbyint(x / kHalfPi);
    const double r = ((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
    // Quadrant modulo 4 from k, which may exceed any integer type.
    const int q = static_cast<int>(std::fmod(std::fmod(k, 4.0) + 4.0, 4.0)) + offset;
    switch (q & 3) {
        case 0:
            return sin_poly(r);
        case 1:
            return cos_poly(r);
        case 2:
            return -sin_poly(r);
        default:
            return -cos_poly(r);
    }
}

// atan on |x| <= tan(pi/12) by its series.
double atan_small(double x) {
    const double x2 = x * x;
    double s = 0.0;
    for (int n = 29; n >= 3; n -= 2) s = (n % 4 == 1 ? 1.0 : -1.0) / n + x2 * s;
    return x + x * x2 * s;
}

}  // namespace

double sin(double x) {
    return sin_cos(x, 0);
}
double cos(double x) {
    return sin_cos(x, 1);
}

double atan(double x) {
    if (std::isnan(x)) return x;
    const bool negative = x < 0;
    double a = negative ? -x : x;
    double base = 0.0;
    bool inverted = false;
    if (a > 1.0) {
        a = 1.0 / a;  // inf gives 0 and so pi/2
        inverted = true;
    }
    if (a > kTanTwelfthPi) {
        a = (a * kSqrt3 - 1.0) / (a + kSqrt3);
        base = kSixthPi;
    }
    double r = base + atan_small(a);
    if (inverted) r = kHalfPi - r;
    return negative ? -r : r;
}

double atan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) return kNan;
    if (std::isinf(x) && std::isinf(y)) {
        const double a = x > 0 ? kPi / 4 : 3 * kPi / 4;
        return std::copysign(a, y);
    }
    if (x == 0.0) {
        if (y == 0.0) return std::signbit(x) ? std::copysign(kPi, y) : y;
        return std::copysign(kHalfPi, y);
    }
    const double a = atan(y / x);
    if (x > 0) return a;
    return std::signbit(y) ? a - kPi : a + kPi;
}

double asin(double x) {
    if (!(x >= -1.0 && x <= 1.0)) return kNan;
    return atan2(x, std::sqrt((1.0 - x) * (1.0 + x)));
}

double exp(double x) {
    if (std::isnan(x)) return x;
    if (x > 709.782712893384) return kInf;
    if (x < -745.1332191019412) return 0.0;
    const double k = std::nearbyint(x / kLn2);
    const double r = (x - k * kLn2Hi) - k * kLn2Lo;  // |r| <= ln2/2
    double s = 1.0;
    for (int n = 17; n >= 1; --n) s = 1.0 + s * r / n;
    return std::ldexp(s, static_cast<int>(k));
}

double log(double x) {
    if (std::isnan(x) || x < 0) return kNan;
    if (x == 0) return -kInf;
    if (std::isinf(x)) return x;
    int e = 0;
    double m = std::frexp(x, &e);  // x = m * 2^e, m in [0.5, 1)
    if (m < 0.7071067811865476) {
        m *= 2;
        --e;
    }
    // log m = 2 atanh(f) with f = (m - 1) / (m + 1), |f| < 0.172.
    const double f = (m - 1.0) / (m + 1.0);
    const double f2 = f * f;
    double s = 0.0;
    for (int n = 25; n >= 3; n -= 2) s = 1.0 / n + f2 * s;
    return e * kLn2 + 2.0 * (f + f * f2 * s);
}

double pow(double x, double y) {
    if (std::isnan(x) || std::isnan(y) || x < 0) return kNan;
    if (y == 0) return 1.0;
    if (x == 0) return y > 0 ? 0.0 : kInf;
    return exp(y * log(x));
}

}  // namespace flight::pmath
