// One aircraft plug-in (PLUGIN: its scenario name, its folder's) driven by a
// byte string through vmhost's runner (its typed commands, no scenario text)
// and the stand-in host, with the trace off: readings of any value (nan,
// infinities, denormals, huge), keys of any code with any modifiers, cockpit
// views of any id, airfoil calls at any angle, time acceleration and heading,
// creates with any flight model and deletes of up to 4 vessels, deletes of
// null, and steps. Every decoded action is one a host may take, so the runner
// refusing one, a crash, a sanitizer report, a leak or a broken host contract
// (the host checks it with the trace off too) is a finding.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "host.h"
#include "keep_loaded.h"
#include "runner.h"

namespace {

// Vessels alive at once: enough for the aircraft's shared resources to be
// shared, and for one to go while others stay.
constexpr int kVessels = 4;
const char* const kNames[kVessels] = {"v0", "v1", "v2", "v3"};

// The work one input may ask for, in calls into the plug-in: a post-step of
// one vessel or a key is one, a new vessel as much as sixteen. The host's
// contract checks after every call cost more than most calls, so this keeps
// the fuzzer at thousands of inputs a second; the rest of a longer input is
// left unread.
constexpr int kWork = 40;
constexpr int kCreateWork = 16;

// clang-format off
const double kSpecial[] = {
    0.0, -0.0, 1.0, -1.0, 0.5,
    std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::max(),
    -std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::min(), 1e300, -1e300, 3.14159265358979, 1e-9,
};
const std::uint32_t kModifiers[] = {key_code("LeftShift"), key_code("RightShift"), key_code("LeftCtrl"),
                                    key_code("RightCtrl"), key_code("LeftAlt"), key_code("RightAlt")};
// clang-format on

// A double of any kind: a special value, any bit pattern, or one in the
// range a flight sees.
double real(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return in.PickValueInArray(kSpecial);
        case 1: {
            const auto bits = in.ConsumeIntegral<std::uint64_t>();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        default:
            return in.ConsumeFloatingPointInRange(-20000.0, 20000.0);
    }
}

// clang-format off
enum class Op { create, remove, step, warp, heading, version, reading, key, vc, airfoil,
                kMaxValue = airfoil };
// clang-format on

// Takes the actions `in` decodes into.
void run(FuzzedDataProvider& in, vmhost::Runner& runner) {
    namespace cmd = vmhost::cmd;
    bool alive[kVessels] = {};
    int live = 0;
    int work = 0;
    runner.run(cmd::Load{PLUGIN});
    while (in.remaining_bytes() > 0 && work < kWork) {
        const Op op = in.ConsumeEnum<Op>();
        const int i = in.ConsumeIntegralInRange(0, kVessels - 1);
        switch (op) {
            case Op::create: {
                const int model =
                    in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0, 2);
                if (alive[i] || work + kCreateWork > kWork) continue;
                runner.run(cmd::Create{kNames[i], model});
                alive[i] = true;
                ++live;
                work += kCreateWork;
                continue;
            }
            case Op::remove:
                runner.run(alive[i] ? cmd::Delete{kNames[i]} : cmd::Delete{});
                live -= alive[i];
                alive[i] = false;
                ++work;
                continue;
            case Op::step: {
                int n = in.ConsumeIntegralInRange(1, 32);
                if (live > 0) n = std::min(n, (kWork - work + live - 1) / live);
                runner.run(cmd::Step{n});
                work += n * live;
                continue;
            }
            case Op::warp:
                runner.run(cmd::SetWarp{real(in)});
                continue;
            case Op::heading:
                runner.run(in.ConsumeBool() ? cmd::SetHeading{} : cmd::SetHeading{real(in)});
                continue;
            case Op::version:
                runner.run(cmd::Version{});
                ++work;
                continue;
            default:
                break;
        }
        if (!alive[i]) continue;  // the rest address a live vessel
        vmhost::Vessel& v = runner.vessel(kNames[i]);
        ++work;
        switch (op) {
            case Op::reading: {
                const auto r = static_cast<host::Reading>(
                    in.ConsumeIntegralInRange(0, host::kReadingCount - 1));
                // ground is 0 or 1: the reader refuses anything else
                runner.run(cmd::SetReading{
                    kNames[i], r, r == host::Reading::ground ? in.ConsumeBool() : real(in)});
                break;
            }
            case Op::key: {
                const auto code = in.ConsumeIntegral<std::uint8_t>();
                const bool down = in.ConsumeBool();
                const auto mods = in.ConsumeIntegral<std::uint8_t>();
                char key_state[256] = {};
                for (int m = 0; m < 6; ++m)
                    if (mods >> m & 1) key_state[kModifiers[m]] = static_cast<char>(0x80);
                runner.press_key(v, code, down, key_state);
                break;
            }
            case Op::vc:
                runner.run(cmd::Vc{kNames[i], in.ConsumeBool() ? in.ConsumeIntegral<int>()
                                                               : in.ConsumeIntegralInRange(-1, 4)});
                break;
            case Op::airfoil: {
                const int count = host::airfoil_count(v.handle);
                if (count == 0) break;
                const int index = in.ConsumeIntegralInRange(0, count - 1);
                const double angle = real(in), mach = real(in), re = real(in);
                runner.run(cmd::Airfoil{kNames[i], index, angle, mach, re});
                break;
            }
            default:
                break;
        }
    }
    runner.finish();
}

// Runs one input from a reset host; the number of broken contract rules.
int run(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    host::reset();
    vmhost::Messages messages(stderr, "fuzz");
    vmhost::Runner runner({}, messages);
    try {
        run(in, runner);
    } catch (const vmhost::Error& e) {
        std::fprintf(stderr, "the runner refused a valid action: %s\n", e.what.c_str());
        std::abort();
    }
    const int broken = host::violations();
    // Nothing of this input stays allocated, or libFuzzer would look for a
    // leak after it.
    host::reset();
    return broken;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keep_plugins_loaded();
    // The sound add-on, present as a scenario's `sound full` makes it: the
    // plug-in's sound client is connected and plays. (Without it, every new
    // vessel's client would search the disk for the add-on, a slow system
    // call the scenario tests cover.)
    keep_loaded("sound-full/VelmoraSound.dll");
    return 0;
}

// Speed: the host compares its records' images with memcmp after every call
// into the plug-in (the plug-ins call no memcmp of their own), and 8 frames
// of an allocation's stack find its place.
extern "C" const char* __asan_default_options() {
    return "intercept_memcmp=0:malloc_context_size=8";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (run(data, size) == 0) return 0;
    // Once more with the trace on, for the "!" lines that say what broke.
    std::FILE* trace = std::fopen("contract-trace.txt", "w");
    host::trace_to(trace);
    const int broken = run(data, size);
    host::trace_to(nullptr);
    if (trace) std::fclose(trace);
    std::fprintf(stderr, "the plug-in broke the host contract %d times (contract-trace.txt)\n",
                 broken);
    std::abort();
}
