// Olumbra: a twin-jet airliner with retractable gear, wingtip strobes, engine
// and gear sounds, and a virtual cockpit of separate day and night instrument
// meshes carrying two host displays.
//
// Where each behaviour lives:
//   airliner.cpp       construction, mesh loading, class and sound set-up
//   animations.cpp     the animations and their transform records
//   systems.cpp        the per-step systems, in their order
//   cockpit.cpp        the G and K keys and the virtual cockpit
//   instruments.cpp    the altimeter and the engine sound's pitch, and
//   altitude_text.cpp  the altimeter's text: arithmetic without the host
//   shared_state.h     the module-wide state
// Almost all of the aircraft's state is module-wide (shared_state.h) and
// shared by every airliner of the process; an object holds only what is its
// own: animation ids, its thruster and its sound id. What it does as the light
// aircraft does (class set-up from tables, clock, altimeter needle, heading,
// steering, cockpit swap) is the kit's (kit.h), called with the airliner's
// numbers; gear, strobes and the altitude text are its own.
#pragma once

#include "vmapi.h"

class Airliner : public VESSEL2 {
  public:
    Airliner(VesselHandle hVessel, int flightmodel);

    // Class set-up and sound set-up (airliner.cpp).
    void clbkSetClassCaps(ConfigFileHandle cfg) override;
    void clbkPostCreation() override;
    // Per-step systems (systems.cpp).
    void clbkPostStep(double simt, double simdt, double mjd) override;
    // G and K keys, virtual cockpit (cockpit.cpp).
    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* kstate) override;
    bool clbkLoadVC(int id) override;

  private:
    void DefineAnimations();

    // Animations the host or the per-step systems drive (animations.cpp).
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
};
