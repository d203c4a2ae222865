// Elementary functions that give the same bits on every platform.
//
// The C libraries of Linux and Windows round sin, atan2, exp and the like
// differently in the last digit, and a flight integrated over thousands of
// steps turns one such digit into a different flight. These are built from
// +, -, *, / and sqrt only (exactly rounded by IEEE arithmetic everywhere) and
// from exact operations such as frexp, ldexp and nearbyint, so vmhost traces
// the same flight on both platforms. Accuracy is a few units in the last place.
#pragma once

namespace flight::pmath {

double sin(double x);
double cos(double x);
double atan(double x);
double atan2(double y, double x);
double asin(double x);
double exp(double x);
double log(double x);
double pow(double x, double y);  // for x >= 0; nan for negative x

}  // namespace flight::pmath
