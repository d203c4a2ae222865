#include "atmosphere.h"

#include <array>
#include <cmath>

#include "portable_math.h"

namespace flight {
namespace {

constexpr double kGasConstant = 287.05287;  // J/(kg·K), dry air
constexpr double kGamma = 1.4;

// Layers of the standard atmosphere: base altitude (m), base temperature (K),
// base pressure (Pa), lapse rate (K/m).
struct Layer {
    double base, temperature, pressure, lapse;
};
constexpr std::array<Layer, 7> kLayers{{
    {0, 288.15, 101325.0, -0.0065},
    {11000, 216.65, 22632.06, 0.0},
    {20000, 216.65, 5474.889, 0.001},
    {32000, 228.65, 868.0187, 0.0028},
    {47000, 270.65, 110.9063, 0.0},
    {51000, 270.65, 66.93887, -0.0028},
    {71000, 214.65, 3.956420, -0.002},
}};
constexpr double kTop = 86000;      // where the table ends
constexpr double kVacuum = 200000;  // no air at all from here

double layer_pressure(const Layer& l, double h) {
    const double dh = h - l.base;
    if (l.lapse == 0) {
        return l.pressure * pmath::exp(-kGravity * dh / (kGasConstant * l.temperature));
    }
    const double t = l.temperature + l.lapse * dh;
    return l.pressure * pmath::pow(t / l.temperature, -kGravity / (kGasConstant * l.lapse));
}

}  // namespace

Air standard_air(double altitude) {
    double h = std::isnan(altitude) ? 0.0 : altitude;
    if (h < -5000) h = -5000;
    const double above_top = h > kTop ? h - kTop : 0.0;
    if (h > kTop) h = kTop;

    const Layer* layer = &kLayers[0];
    for (const Layer& l : kLayers) {
        if (h >= l.base) layer = &l;
    }
    Air air{};
    air.temperature = layer->temperature + layer->lapse * (h - layer->base);
    air.pressure = layer_pressure(*layer, h);
    if (above_top > 0) {
        // Thin out with the scale height of the top layer, then fade to zero.
        const double scale = kGasConstant * air.temperature / kGravity;
        const double fade = above_top >= kVacuum - kTop ? 0.0 : 1.0 - above_top / (kVacuum - kTop);
        air.pressure *= pmath::exp(-std::fmin(above_top, kVacuum) / scale) * fade;
    }
    air.density = air.pressure / (kGasConstant * air.temperature);
    air.speed_of_sound = std::sqrt(kGamma * kGasConstant * air.temperature);
    // Sutherland's law.
    air.viscosity =
        1.458e-6 * (air.temperature * std::sqrt(air.temperature)) / (air.temperature + 110.4);
    return air;
}

}  // namespace flight
