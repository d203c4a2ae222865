// Test plug-ins for `vmhost validate`, built from the frame: a small vessel
// (a thruster, an airfoil, a post-step that reads its altitude) with one
// fault chosen at build time, which exactly one check must find:
//   VM_FAULT_KEY_CRASH     crashes on key 0xE3 released with shift, ctrl and alt
//   VM_FAULT_NAN           hands the host nan from an ordinary negative altitude
//   VM_FAULT_STALE_HANDLE  uses the thruster of the vessel deleted last
//   VM_FAULT_ALLOCATION    allocates on the heap in its post-step
//   VM_FAULT_RANDOM_SIZE   its size depends on the process
//   VM_FAULT_HANG          hangs in its post-step after 60 s of simulated time
//   VM_FAULT_COEFFICIENT   a coefficient of nan for angles from 3 to 3.3 rad
#include <cmath>
#include <new>

#include "plugin.h"
#include "vmapi.h"

#if defined(_WIN32)
#include <process.h>
#define VM_PROCESS_ID _getpid()
#else
#include <unistd.h>
#define VM_PROCESS_ID getpid()
#endif

namespace {

ThrusterHandle g_deleted_thruster = nullptr;
volatile long g_spin = 0;

void coeff(double aoa, double, double, double* cl, double* cm, double* cd) {
    *cl = 0.5 * std::sin(2 * aoa);
#if defined(VM_FAULT_COEFFICIENT)
    if (aoa > 3 && aoa < 3.3) *cl = std::nan("");
#endif
    *cm = 0;
    *cd = 0.02 + 0.1 * *cl * *cl;
}

class Faulty : public VESSEL2 {
  public:
    using VESSEL2::VESSEL2;
    ~Faulty() override { g_deleted_thruster = thruster_; }

    void clbkSetClassCaps(ConfigFileHandle) override {
        double size = 2;
#if defined(VM_FAULT_RANDOM_SIZE)
        size += VM_PROCESS_ID % 1000 * 1e-3;
#endif
        SetSize(size);
        thruster_ = CreateThruster(VECTOR3{0, 0, -1}, VECTOR3{0, 0, 1}, 1000,
                                   CreatePropellantResource(100), 3e4);
        CreateAirfoil(LiftDirection::vertical, VECTOR3{0, 0, 0}, coeff, 1, 2, 3);
    }

    void clbkPostStep(double simt, double, double) override {
        const double altitude = GetAltitude();
#if defined(VM_FAULT_NAN)
        SetThrusterMax0(thruster_, 1000 * std::sqrt(altitude));
#else
        SetThrusterMax0(thruster_, 1000 * std::sqrt(std::fabs(altitude)));
#endif
#if defined(VM_FAULT_STALE_HANDLE)
        if (g_deleted_thruster) GetThrusterLevel(g_deleted_thruster);
#endif
#if defined(VM_FAULT_ALLOCATION)
        double* volatile scratch = new double[8];
        delete[] scratch;
#endif
#if defined(VM_FAULT_HANG)
        while (simt > 60) g_spin = g_spin + 1;
#else
        (void)simt;
#endif
    }

    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* key_state) override {
#if defined(VM_FAULT_KEY_CRASH)
        if (key == 0xE3 && !down && modifier_held(key_state, Modifier::shift) &&
            modifier_held(key_state, Modifier::control) && modifier_held(key_state, Modifier::alt))
            *static_cast<volatile int*>(nullptr) = 1;
#else
        (void)key, (void)down, (void)key_state;
#endif
        return 0;
    }

  private:
    ThrusterHandle thruster_ = nullptr;
};

}  // namespace

VESSEL* frame::create_vessel(VesselHandle vessel, int flight_model) {
    return new (std::nothrow) Faulty(vessel, flight_model);
}

void frame::destroy_vessel(VESSEL* vessel) {
    delete static_cast<Faulty*>(vessel);
}
