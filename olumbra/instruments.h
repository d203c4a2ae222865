// The airliner's own instruments as plain values, so that their arithmetic
// can be checked without a host: the altimeter with its needle and five
// counter drums, and the engine sound's pitch.
#pragma once

namespace olumbra {

// The altimeter: a needle that turns once per 100 m and five counter drums
// (ones to ten-thousands) that show the digits of the altitude text.
struct Altimeter {
    // Feeds one step's altitude (m); updates the drums and returns the needle
    // state for this step.
    double update(double altitude);

    char text[36] = {};  // this step's altitude as text
    // Whether the previous step's altitude reached 10, 100, 1000, 10000 m:
    // where the drums find their digits in the text.
    double digit_present[4] = {};
    double drum[5] = {};     // drum states, ones first; each a digit times 0.1
    double turns_100 = 0.0;  // whole needle turns counted so far, never negative
};

// Engine sound playback frequency for a thrust level above 0.
double engine_frequency(double level);

}  // namespace olumbra
