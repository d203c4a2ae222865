// The altitude as the altimeter counter reads it: text with six significant
// digits, the same on every platform and compiler.
//
// Magnitudes of 0 and from 0.1 up to below 1000000 (tested before rounding)
// are written in fixed notation with trailing zeros removed but the point
// kept: "12345.7", "12345.", "0.", "1000000." (999999.6 rounds up). All
// others in exponent notation with the point kept, a signed three-digit
// exponent and no trailing zeros: "1.23457e+006", "5.e-002". A negative value
// starts with '-'; -0.0 is written "0.". Non-finite values are "nan", "inf"
// and "-inf".
#pragma once

#include <cstddef>

namespace olumbra {

// The longest text format_altitude writes, without the terminating NUL.
inline constexpr std::size_t kAltitudeTextMax = 13;

// Writes the text of `altitude` into out[0..size) and terminates it with NUL,
// cutting the text short if it does not fit (nothing is written when size is
// 0). Returns the length of the text written, without the NUL.
std::size_t format_altitude(double altitude, char* out, std::size_t size);

}  // namespace olumbra
