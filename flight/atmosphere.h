// The standard atmosphere over a flat ground at sea level.
#pragma once

namespace flight {

constexpr double kGravity = 9.80665;  // m/s²

struct Air {
    double temperature;     // K
    double pressure;        // Pa
    double density;         // kg/m³
    double speed_of_sound;  // m/s
    double viscosity;       // Pa·s, dynamic
};

// The air at `altitude` metres (geopotential: over a flat ground with constant
// gravity the two altitudes agree). Below sea level the lowest layer continues
// down to -5000 m; above 86 km the air thins out to nothing by 200 km. Any
// input, nan and infinities included, gives finite values.
Air standard_air(double altitude);

}  // namespace flight
