// Builds of one small test plug-in for `vmhost compare`, built from the
// frame: a vessel with two meshes and two animations, a gauge that follows
// its altitude and a flap lever that F sets. Each build is the base with at
// most one change, chosen at build time:
//   VM_CHANGE_SCALE      the gauge's scale differs by a relative 1e-9
//   VM_CHANGE_EXTRA      a GetBank every hundredth post-step
//   VM_CHANGE_SWAP       the two animations set in the other order
//   VM_CHANGE_KEY        F sets the lever to 0.5 rather than 1
//   VM_CHANGE_MESH       a mesh loaded first, so every mesh after it is
//                        numbered one more
//   VM_CHANGE_CRASH      crashes on F
#include <cstdint>
#include <new>

#include "plugin.h"
#include "vmapi.h"

namespace {

#if defined(VM_CHANGE_SCALE)
constexpr double kGaugeScale = 1e-3 * (1 + 1e-9);
#else
constexpr double kGaugeScale = 1e-3;
#endif

#if defined(VM_CHANGE_KEY)
constexpr double kLever = 0.5;
#else
constexpr double kLever = 1;
#endif

// A field of an object that is not there, its address read at run time.
[[maybe_unused]] volatile std::uintptr_t g_nowhere = 16;

class Variant : public VESSEL2 {
  public:
    using VESSEL2::VESSEL2;

    void clbkSetClassCaps(ConfigFileHandle) override {
        SetSize(3);
#if defined(VM_CHANGE_MESH)
        vmapiLoadMeshGlobal("Variant/Extra");
#endif
        AddMesh(vmapiLoadMeshGlobal("Variant/Body"));
        AddMesh(vmapiLoadMeshGlobal("Variant/Cockpit"));
        gauge_ = CreateAnimation(0);
        lever_ = CreateAnimation(0);
    }

    void clbkPostStep(double, double, double) override {
        const double gauge = kGaugeScale * GetAltitude();
#if defined(VM_CHANGE_EXTRA)
        if (++steps_ % 100 == 0) GetBank();
#endif
#if defined(VM_CHANGE_SWAP)
        SetAnimation(lever_, lever_state_);
        SetAnimation(gauge_, gauge);
#else
        SetAnimation(gauge_, gauge);
        SetAnimation(lever_, lever_state_);
#endif
    }

    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char*) override {
        if (key != key_code("F") || !down) return 0;
#if defined(VM_CHANGE_CRASH)
        *reinterpret_cast<volatile int*>(g_nowhere) = 1;
#endif
        lever_state_ = kLever;
        return 1;
    }

  private:
    unsigned gauge_ = 0, lever_ = 0;
    double lever_state_ = 0;
    [[maybe_unused]] long steps_ = 0;
};

}  // namespace

VESSEL* frame::create_vessel(VesselHandle vessel, int flight_model) {
    return new (std::nothrow) Variant(vessel, flight_model);
}

void frame::destroy_vessel(VESSEL* vessel) {
    delete static_cast<Variant*>(vessel);
}
