// The stateful cockpit instruments of the airliner as plain values, so that
// their arithmetic can be checked without a host: the altimeter with its
// needle and five counter drums, and the three-hand clock.
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

// The cockpit clock: the fastest hand turns once in 5000 steps at time
// acceleration 1, and each full turn carries 0.016666666 to the next hand.
struct Clock {
    // Advances the clock by one step at time acceleration `warp`.
    void advance(double warp);

    double seconds = 0.0;
    double minutes = 0.0;
    double hours = 0.0;
};

// Engine sound playback frequency for a thrust level above 0.
double engine_frequency(double level);

}  // namespace olumbra
