// Test plug-ins for `vmhost validate`, built from the frame: a small vessel
// (a thruster, an airfoil, a post-step that reads its altitude) with one
// fault chosen at build time, which the check about it must find (and, but
// for a crash in vmvcInit, which every check meets, no other check):
//   VM_FAULT_KEY_CRASH     crashes on key 0xE3 released with shift, ctrl and alt
//   VM_FAULT_NAN           hands the host nan from an ordinary negative altitude
//   VM_FAULT_STALE_HANDLE  uses the thruster of the vessel deleted last
//   VM_FAULT_ALLOCATION    allocates on the heap in its post-step
//   VM_FAULT_RANDOM_SIZE   its size depends on the process
//   VM_FAULT_HANG          hangs in its post-step after 60 s of simulated time
//   VM_FAULT_COEFFICIENT   a coefficient of nan for angles from 3 to 3.3 rad
//   VM_FAULT_EXIT          ends the process with exit(0) in its post-step after 60 s
//   VM_FAULT_QUICK_EXIT    the same with _Exit(0), which runs no exit handler
//   VM_FAULT_INIT_CRASH    crashes in vmvcInit
//   VM_FAULT_LEAK          leaks 16 KiB per vessel
//   VM_FAULT_THREAD        calls the host from a thread of its own while its first vessel lives
//   VM_FAULT_THROW         throws from key 0xE2 released with shift, ctrl and alt (the
//                          exception's text, and its standard error, hold escape sequences)
// and, for the tests of validate itself rather than one check:
//   VM_FAULT_FLOOD         floods the trace: 20 MB of host calls in every post-step
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

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
char* volatile g_leaked = nullptr;

// A field of an object that is not there: a fault no sanitizer reports
// before the processor does. (Its address is read at run time, so that no
// compiler judges it either.)
volatile std::uintptr_t g_nowhere = 16;
[[maybe_unused]] volatile int& null_field() {
    return *reinterpret_cast<volatile int*>(g_nowhere);
}

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
    ~Faulty() override {
        g_deleted_thruster = thruster_;
#if defined(VM_FAULT_THREAD)
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        if (own_.joinable()) own_.join();
#endif
    }

    void clbkSetClassCaps(ConfigFileHandle) override {
        double size = 2;
#if defined(VM_FAULT_RANDOM_SIZE)
        size += VM_PROCESS_ID % 1000 * 1e-3;
#endif
        SetSize(size);
        thruster_ = CreateThruster(VECTOR3{0, 0, -1}, VECTOR3{0, 0, 1}, 1000,
                                   CreatePropellantResource(100), 3e4);
        CreateAirfoil(LiftDirection::vertical, VECTOR3{0, 0, 0}, coeff, 1, 2, 3);
#if defined(VM_FAULT_LEAK)
        g_leaked = new char[16384];
        g_leaked[0] = 1;
#endif
    }

#if defined(VM_FAULT_THREAD)
    void clbkPostCreation() override {
        static bool started = false;  // one thread, for the first vessel
        if (std::exchange(started, true)) return;
        own_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            do {
                GetAltitude();
            } while (!wake_.wait_for(lock, std::chrono::milliseconds(1), [this] { return stop_; }));
        });
    }
#endif

    void clbkPostStep(double simt, double, double) override {
        const double altitude = GetAltitude();
#if defined(VM_FAULT_NAN)
        SetThrusterMax0(thruster_, 1000 * std::sqrt(altitude));
#else
        SetThrusterMax0(thruster_,
                        std::isfinite(altitude) ? 1000 * std::sqrt(std::fabs(altitude)) : 0);
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
#elif defined(VM_FAULT_EXIT)
        if (simt > 60) std::exit(0);
#elif defined(VM_FAULT_QUICK_EXIT)
        if (simt > 60) std::_Exit(0);
#else
        (void)simt;
#endif
#if defined(VM_FAULT_FLOOD)
        static const std::string date(1000, '#');
        for (int i = 0; i < 20000; ++i) Date2Int(date.c_str());
#endif
    }

    int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* key_state) override {
#if defined(VM_FAULT_KEY_CRASH)
        if (key == 0xE3 && !down && modifier_held(key_state, Modifier::shift) &&
            modifier_held(key_state, Modifier::control) && modifier_held(key_state, Modifier::alt))
            null_field() = 1;
#elif defined(VM_FAULT_THROW)
        if (key == 0xE2 && !down && modifier_held(key_state, Modifier::shift) &&
            modifier_held(key_state, Modifier::control) &&
            modifier_held(key_state, Modifier::alt)) {
            std::fputs("the key jams\x1b[2J\n", stderr);
            throw std::runtime_error("key 0xE2 jammed\x1b[2J");
        }
#else
        (void)key, (void)down, (void)key_state;
#endif
        return 0;
    }

  private:
    ThrusterHandle thruster_ = nullptr;
#if defined(VM_FAULT_THREAD)
    std::thread own_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
#endif
};

}  // namespace

VESSEL* frame::create_vessel(VesselHandle vessel, int flight_model) {
#if defined(VM_FAULT_INIT_CRASH)
    null_field() = flight_model;
#endif
    return new (std::nothrow) Faulty(vessel, flight_model);
}

void frame::destroy_vessel(VESSEL* vessel) {
    delete static_cast<Faulty*>(vessel);
}
