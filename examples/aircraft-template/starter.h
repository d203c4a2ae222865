// Starter: the smallest complete aircraft built from the kit, for a plug-in
// author to copy (docs/adding-an-aircraft.md). A single-engine trainer with
// its control surfaces, three cockpit instruments (airspeed, altimeter,
// heading) and one key system: L switches the navigation lights on and off.
//
// Where each behaviour lives:
//   configuration.cpp  construction and class capabilities: meshes, airframe,
//                      wings, control surfaces, engine, lights
//   animations.cpp     the animations, as rows of components
//   systems.cpp        the per-step systems, in their order
//   cockpit.cpp        the lights key and the virtual-cockpit camera
//   state.h            what every vessel of the class shares
//   outline.h          its animations in creation order and its envelope's
//                      limits, which vmhost's aircraft table reads too
//   vmhost_row.inc     its row in vmhost's aircraft table, which
//                      vmhost/aircraft.cpp includes for every aircraft
//   package.txt        its paragraph of the package's text
//   CMakeLists.txt     its code (starter_aircraft) and its plug-in (Starter)
// and what goes outside this folder when the copy becomes aircraft NAME of
// the build (scripts/template-check.sh does exactly that):
//   fly.vms            its default flight, examples/fly-NAME.vms
//   tests/             its own tests, tests/NAME/
// Everything else it needs is the kit's (kit.h), called with its numbers.
#pragma once

#include "kit.h"
#include "vmapi.h"

class Starter : public VESSEL2 {
  public:
    Starter(VesselHandle vessel, int flight_model);

    void clbkSetClassCaps(ConfigFileHandle config) override;
    void clbkPostStep(double sim_time, double step_length, double date) override;
    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* key_state) override;
    bool clbkLoadVC(int id) override;

    // Animation ids, from CreateAnimation.
    unsigned anim_elevator = 0;
    unsigned anim_rudder = 0;
    unsigned anim_aileron_left = 0;
    unsigned anim_aileron_right = 0;
    unsigned anim_airspeed = 0;
    unsigned anim_altimeter = 0;
    unsigned anim_heading = 0;

    // This vessel's own engine, so that several starters never share one.
    ThrusterHandle main_thruster = nullptr;

  private:
    void DefineAnimations();
};
