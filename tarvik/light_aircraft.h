// Tarvik: a light single-engine propeller aircraft.
#pragma once

#include "vmapi.h"

class LightAircraft : public VESSEL2 {
public:
    LightAircraft(OBJHANDLE hVessel, int flightmodel);

    // The rotation this aircraft owns; freed when the vessel is deleted.
    MGROUP_ROTATE* horizon_pitch_rotation = nullptr;
};
