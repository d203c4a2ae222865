// Light aircraft driven in-process through the stand-in host: created by the
// plug-in frame's create_vessel as vmvcInit does, stepped as vmhost steps
// them, with the host's trace captured for the assertions.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host.h"
#include "light_aircraft.h"

class AircraftTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A new light aircraft with its class capabilities and post-creation done.
    LightAircraft& create(const char* name, int model = 1);
    void destroy(LightAircraft& aircraft);

    void set(const LightAircraft& aircraft, host::Reading r, double value);
    // One simulation step: the pending time acceleration, then every aircraft.
    void step(int n = 1);
    int key(LightAircraft& aircraft, DWORD code, bool down = true);

    // Trace lines written since the last call.
    std::vector<std::string> trace();

  private:
    struct Entry {
        OBJHANDLE handle;
        LightAircraft* aircraft;
    };
    std::vector<Entry> aircraft_;
    std::FILE* trace_file_ = nullptr;
    long trace_read_ = 0;
};

// The state the last SetAnimation line of `trace` gave animation `id`; fails
// the test when there is none.
double last_animation(const std::vector<std::string>& trace, UINT id);

// Every module-wide value back to its state at library load.
void reset_module_state();
