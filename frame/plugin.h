// What the shared plug-in frame needs from the vessel class it is built with.
//
// Each plug-in library compiles the frame together with exactly one vessel
// class and defines these two functions for it, normally as one line each
// calling the kit's (kit::create_vessel, kit::destroy_vessel). The frame's
// exports call them.
#pragma once

#include "vmapi.h"

namespace frame {

// Allocates and constructs one vessel object; null when allocation fails.
VESSEL* create_vessel(VesselHandle vessel, int flight_model);

// Destroys an object that create_vessel returned (never null), releasing
// whatever the object owns besides itself.
void destroy_vessel(VESSEL* vessel);

}  // namespace frame
