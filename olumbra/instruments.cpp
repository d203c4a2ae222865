#include "instruments.h"

#include "altitude_text.h"
#include "kit.h"

namespace olumbra {

namespace {

// Altitudes from which the ones, tens, hundreds, thousands and ten-thousands
// drums turn.
constexpr double kDrumFrom[5] = {0.0, 10.0, 100.0, 1000.0, 10000.0};

// The digit at `pos` of the text, 0 for anything else: a sign, the point, an
// exponent, or a position at or past the end. The position comes from the
// previous step's altitude, so after a fall it may lie past this step's text.
int digit_at(const char* text, std::size_t n, std::size_t pos) {
    if (pos >= n) return 0;
    const char c = text[pos];
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

}  // namespace

double Altimeter::update(double altitude) {
    const std::size_t n = format_altitude(altitude, text, sizeof text);

    // Drum k finds its digit after as many leading digits as the previous
    // step's altitude had above k's decade.
    for (int k = 0; k < 5; ++k) {
        if (!(altitude >= kDrumFrom[k])) continue;
        double pos = 0.0;
        for (int j = k; j < 4; ++j) pos += digit_present[j];
        drum[k] = digit_at(text, n, static_cast<std::size_t>(pos)) * 0.1;
        if (k >= 1) digit_present[k - 1] = 1.0;
    }

    // Below a decade its drums show 0 and it counts as absent for the next step.
    for (int j = 0; j < 4; ++j) {
        if (!(altitude < kDrumFrom[j + 1])) continue;
        for (int i = j; i < 4; ++i) digit_present[i] = 0.0;
        for (int i = j + 1; i < 5; ++i) drum[i] = 0.0;
    }

    return kit::altimeter_needle(altitude, 0.01, turns_100);  // a turn per 100 m
}

double engine_frequency(double level) {
    return kit::limit(13000.0 + 6000.0 * level, 11500.0, 22500.0);
}

}  // namespace olumbra
