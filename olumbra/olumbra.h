// Olumbra: a twin-jet airliner with retractable gear, wingtip strobes, engine
// and gear sounds, and a virtual cockpit of separate day and night instrument
// meshes carrying two host displays.
//
// Where each behaviour lives:
//   configuration.cpp  construction, class capabilities and sound set-up
//   animations.cpp     the animations, as rows of components
//   systems.cpp        the per-step systems, in their order
//   cockpit.cpp        keyboard commands and the virtual cockpit
//   instruments.cpp    the altimeter and the engine sound's pitch, and
//   altitude_text.cpp  the altimeter's text: arithmetic without the host
//   state.h            everything it shares with the other airliners
//   outline.h          its animations in creation order and its envelope's
//                      limits, which vmhost's aircraft table reads too
// What it has in common with other aircraft (set-up from tables, animations
// from rows, flight envelope, clock, altimeter needle, heading, steering,
// lights switch) is the kit's (kit.h), called with this aircraft's numbers;
// gear, engine sound and the altimeter drums are its own.
#pragma once

#include "kit.h"
#include "vmapi.h"

class Airliner : public VESSEL2 {
  public:
    Airliner(VesselHandle vessel, int flight_model);

    void clbkSetClassCaps(ConfigFileHandle config) override;
    void clbkPostCreation() override;
    void clbkPostStep(double sim_time, double step_length, double date) override;
    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* key_state) override;
    bool clbkLoadVC(int id) override;

    // Animation ids, from CreateAnimation.
    unsigned anim_wheels = 0;
    unsigned anim_gear = 0;
    unsigned anim_gear_lever = 0;
    unsigned anim_rudder = 0;
    unsigned anim_elevator = 0;
    unsigned anim_laileron = 0;  // left aileron and both control yokes
    unsigned anim_raileron = 0;
    unsigned anim_alt_needle = 0;
    unsigned anim_alt_digit[5] = {};  // drums: ones, tens, hundreds, thousands, ten-thousands
    unsigned anim_aoa = 0;
    unsigned anim_heading = 0;
    unsigned anim_airspeed = 0;
    unsigned anim_bank = 0;
    unsigned anim_clock_sec = 0;
    unsigned anim_clock_min = 0;
    unsigned anim_clock_hour = 0;
    unsigned anim_throttle = 0;

    // This vessel's sound add-on id; -1 without sound.
    int sound_id = -1;

    // The one main thruster standing for both engines. Each airliner keeps its
    // own, so several airliners, and deleting any of them, stay safe.
    ThrusterHandle th_main = nullptr;

  private:
    void DefineAnimations();
};
