// Olumbra: a twin-jet airliner.
#pragma once

#include "vmapi.h"

class Airliner : public VESSEL2 {
public:
    Airliner(OBJHANDLE hVessel, int flightmodel);
};
