// Tests that drive the stand-in host in-process: each starts from a reset host
// that traces into a temporary file, and reads back what was written.
// AircraftTest adds aircraft of one class, created by the plug-in frame's
// create_vessel as vmvcInit does and stepped as vmhost steps them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host.h"
#include "plugin.h"

class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The lines written since the last call to any of these: all, all but the
    // "!" lines of broken contract rules, or only those.
    std::vector<std::string> trace();
    std::vector<std::string> lines();
    std::vector<std::string> broken();
    // The one line written since the last call, or "<N lines>".
    std::string line();

    std::FILE* trace_file() const { return out_; }

  private:
    std::FILE* out_ = nullptr;
    long read_ = 0;
    char buffer_[1 << 14];
};

// The state the last SetAnimation line of `trace` gave animation `id`; fails
// the test when there is none.
double last_animation(const std::vector<std::string>& trace, unsigned id);

template <class Aircraft>
class AircraftTest : public TraceTest {
  protected:
    void TearDown() override {
        while (!aircraft_.empty()) destroy(*aircraft_.front().aircraft);
        TraceTest::TearDown();
    }

    // A new aircraft with its class capabilities and post-creation done.
    Aircraft& create(const char* name, int model = 1) {
        VesselHandle handle = host::create_vessel(name, model);
        VESSEL* object = frame::create_vessel(handle, model);
        // Allocation failure is tested without this fixture's help.
        if (!host::vessel_object(handle, object)) std::abort();
        auto* aircraft = static_cast<Aircraft*>(object);
        aircraft->clbkSetClassCaps(nullptr);
        aircraft->clbkPostCreation();
        aircraft_.push_back({handle, aircraft});
        return *aircraft;
    }
    void destroy(Aircraft& aircraft) {
        auto it = std::find_if(aircraft_.begin(), aircraft_.end(),
                               [&](const Entry& e) { return e.aircraft == &aircraft; });
        if (it == aircraft_.end()) return;
        frame::destroy_vessel(it->aircraft);
        host::delete_vessel(it->handle);
        aircraft_.erase(it);
    }

    void set(const Aircraft& aircraft, host::Reading r, double value) {
        host::set_reading(aircraft.GetHandle(), r, value);
    }
    // One simulation step: the pending time acceleration, then every aircraft.
    void step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            host::apply_pending_warp();
            for (const Entry& e : aircraft_) e.aircraft->clbkPostStep(0, 0.02, 51544.5);
        }
    }
    // A key press (or release) with the modifiers of `key_state`.
    int key(Aircraft& aircraft, std::uint32_t code, bool down = true) {
        return aircraft.clbkConsumeBufferedKey(code, down, key_state);
    }

    char key_state[256] = {};

  private:
    struct Entry {
        VesselHandle handle;
        Aircraft* aircraft;
    };
    std::vector<Entry> aircraft_;
};
