// Tarvik: a light single-engine propeller aircraft.
//
// Where each behaviour lives:
//   configuration.cpp  construction, class capabilities and sound set-up
//   animations.cpp     the animations, as rows of components
//   systems.cpp        the per-step systems, in their order
//   cockpit.cpp        keyboard commands and the virtual-cockpit camera
//   state.h            everything it shares with the other light aircraft
//   outline.h          its animations in creation order and its envelope's
//                      limits, which vmhost's aircraft table reads too
// What it has in common with other aircraft (set-up from tables, animations
// from rows, flight envelope, clock, altimeter needles, heading, steering,
// propeller, lights switch) is the kit's (kit.h), called with this aircraft's
// numbers; flaps, fuel and the artificial horizon are its own.
#pragma once

#include "kit.h"
#include "vmapi.h"

class LightAircraft : public VESSEL2 {
  public:
    LightAircraft(VesselHandle vessel, int flight_model);

    void clbkSetClassCaps(ConfigFileHandle config) override;
    void clbkPostCreation() override;
    void clbkPostStep(double sim_time, double step_length, double date) override;
    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* key_state) override;
    bool clbkLoadVC(int id) override;

    // Whether the object got the transform it owns (kit::create_vessel).
    bool whole() const { return horizon_pitch_rotation != nullptr; }

    // Animation ids, from CreateAnimation.
    unsigned anim_wheels = 0;
    unsigned anim_flaps = 0;
    unsigned anim_fuel_gauge = 0;
    unsigned anim_rudder = 0;
    unsigned anim_elevator = 0;
    unsigned anim_aileron_left = 0;
    unsigned anim_aileron_right = 0;
    unsigned anim_propeller = 0;
    unsigned anim_altimeter_100 = 0;
    unsigned anim_altimeter_1000 = 0;
    unsigned anim_pitch_gauge = 0;
    unsigned anim_heading = 0;
    unsigned anim_airspeed = 0;
    unsigned anim_horizon_bank = 0;
    unsigned anim_horizon_pitch = 0;
    unsigned anim_throttle = 0;
    unsigned anim_clock_seconds = 0;
    unsigned anim_clock_minutes = 0;
    unsigned anim_clock_hours = 0;

    // The rotation of the artificial horizon's pitch, which this aircraft owns
    // (every other transform record is shared) and which goes with it.
    kit::OwnedRecord horizon_pitch_rotation;

    // This aircraft's own engine. Each aircraft keeps the thruster its
    // clbkSetClassCaps created, so several light aircraft never address one
    // another's engine, and deleting one leaves the others' handles valid.
    ThrusterHandle main_thruster = nullptr;

  private:
    void DefineAnimations();
};
