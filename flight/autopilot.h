// A simple autopilot: it holds a pitch angle or a climb rate with the
// elevator, and a bank angle with the ailerons, by moving the control levels
// of the body it flies. Each axis is on or off on its own.
//
// Its gains follow the control power the vessel has at the moment (its
// surfaces' lift change, lever arm and the dynamic pressure, over its
// inertia), so the same settings fly a light aircraft and an airliner alike;
// a little integral action finds the trim. With too little airspeed the
// surfaces have no power and the autopilot simply gives full deflection.
#pragma once

#include "body.h"

namespace flight {

class Autopilot {
  public:
    enum class Pitch { off, attitude, climb };

    void hold_pitch(double radians);
    void hold_climb(double metres_per_second);
    void hold_bank(double radians);
    void pitch_off();
    void bank_off();
    void off();

    Pitch pitch_mode() const { return pitch_mode_; }
    bool bank_on() const { return bank_on_; }
    double pitch_target() const { return pitch_target_; }
    double climb_target() const { return climb_target_; }
    double bank_target() const { return bank_target_; }

    // Sets the elevator and aileron levels of `body` for
    // the next `dt` seconds; the axes that are off are left alone.
    void fly(Body& body, double dt);

  private:
    Pitch pitch_mode_ = Pitch::off;
    bool bank_on_ = false;
    double pitch_target_ = 0;
    double climb_target_ = 0;
    double bank_target_ = 0;
    double pitch_integral_ = 0;
    double bank_integral_ = 0;
};

}  // namespace flight
