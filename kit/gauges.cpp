#include "kit.h"

namespace kit {

void Clock::advance(double warp) {
    constexpr double kSecondsPerStep = 0.0002;  // at time acceleration 1
    constexpr double kCarry = 0.016666666;
    seconds += warp * kSecondsPerStep;
    // "Not at least 0" rather than "below 0", so that a nan time acceleration
    // cannot stop a hand for good: it restarts at 0.
    if (!(seconds >= 0.0)) {
        seconds = 0.0;
    } else if (seconds >= 1.0) {
        seconds = 0.0;
        minutes += kCarry;
    }
    if (!(minutes >= 0.0)) {
        minutes = 0.0;
    } else if (minutes >= 1.0) {
        minutes = 0.0;
        hours += kCarry;
    }
    if (!(hours >= 0.0) || hours >= 1.0) hours = 0.0;
}

void run_clock(const VESSEL& v, Clock& clock, const ClockHands& hands) {
    clock.advance(vmapiGetTimeAcceleration());
    v.SetAnimation(hands.seconds, clock.seconds);
    v.SetAnimation(hands.minutes, clock.minutes);
    v.SetAnimation(hands.hours, clock.hours);
}

void show_focus_heading(const VESSEL& v, unsigned anim, double& heading) {
    vmapiGetFocusHeading(&heading);
    v.SetAnimation(anim, heading * 0.16 + 0.001);
}

}  // namespace kit
