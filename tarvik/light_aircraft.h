// Tarvik: a light single-engine propeller aircraft.
//
// Where each behaviour lives:
//   light_aircraft.cpp  construction, mesh loading, creation and deletion
//   configuration.cpp   class capabilities and sound set-up
//   animations.cpp      the animations and their transform records
//   systems.cpp         the per-step systems, in their order
//   cockpit.cpp         keyboard commands and the virtual-cockpit camera
//   state.h             everything it shares with the other light aircraft
// What it does as the airliner does (class set-up from tables, clock,
// altimeter needles, heading, steering, cockpit swap) is the kit's (kit.h),
// called with this aircraft's numbers; flaps, propeller, envelope and fuel
// are its own.
#pragma once

#include "vmapi.h"

class LightAircraft : public VESSEL2 {
  public:
    LightAircraft(VesselHandle hVessel, int flightmodel);

    void clbkSetClassCaps(ConfigFileHandle cfg) override;
    void clbkPostCreation() override;
    void clbkPostStep(double simt, double simdt, double mjd) override;
    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* kstate) override;
    bool clbkLoadVC(int id) override;

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
    // (every other transform record is shared). Freed when the vessel is
    // deleted; null only if it could not be allocated.
    RotationTransform* horizon_pitch_rotation = nullptr;

    // This aircraft's own engine. Each aircraft keeps the thruster its
    // clbkSetClassCaps created, so several light aircraft never address one
    // another's engine, and deleting one leaves the others' handles valid.
    ThrusterHandle main_thruster = nullptr;

  private:
    void DefineAnimations();
};
