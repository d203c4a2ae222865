// One aircraft plug-in (PLUGIN: its scenario name, e.g. "tarvik") driven through the
// stand-in host by a byte string, decoded into a scenario of readings of any
// value (nan, infinities, denormals, huge), keys of any code, up or down with
// any modifiers, cockpit views, airfoil calls at any angle, time
// acceleration and heading, creates and deletes of up to 8 vessels, and steps.
// Every decoded scenario is valid, so the run must end with status 0: a
// crash, a sanitizer report, a leak or a broken host contract is a finding.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host.h"
#include "keep_loaded.h"
#include "scenario.h"

namespace {

std::FILE* g_null = nullptr;

class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    unsigned byte() { return pos_ < size_ ? data_[pos_++] : 0u; }
    double real() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = bits << 8 | byte();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

const char* const kQuantities[] = {"airspeed", "altitude", "pitch",  "bank",     "aoa",
                                   "ground",   "fuel",     "thrust", "elevator", "rudder",
                                   "aileron",  "flap",     "trim"};

// A double as text that strtod reads back exactly: hexadecimal, or nan/inf.
std::string number(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%a", d);
    return buf;
}

std::string decode(Bytes& in) {
    std::string s = "load " PLUGIN "\n";
    bool alive[8] = {};
    int live = 0;
    auto name = [](unsigned i) { return "v" + std::to_string(i % 8); };
    while (!in.empty()) {
        const unsigned op = in.byte() % 12;
        const unsigned v = in.byte() % 8;
        if (op == 0) {
            if (!alive[v]) {
                s += "create " + name(v) + " " + std::to_string(in.byte() % 3) + "\n";
                alive[v] = true;
                ++live;
            }
            continue;
        }
        if (op == 1) {
            if (alive[v]) {
                s += "delete " + name(v) + "\n";
                alive[v] = false;
                --live;
            } else {
                s += "delete null\n";
            }
            continue;
        }
        if (op == 2) {
            s += "step " + std::to_string(in.byte() % 8) + "\n";
            continue;
        }
        if (op == 3) {
            s += "set warp " + number(in.real()) + "\n";
            continue;
        }
        if (op == 4) {
            const double h = in.real();
            s += "set heading " + (in.byte() % 4 == 0 ? std::string("none") : number(h)) + "\n";
            continue;
        }
        if (op == 5) {
            s += "version\n";
            continue;
        }
        if (!alive[v]) continue;  // the rest address a live vessel
        const std::string n = name(v);
        switch (op) {
            case 6:
            case 7: {
                const unsigned q = in.byte() % 13;
                const double value = in.real();
                // ground takes 0 or 1 only
                s += "set " + n + " " + kQuantities[q] + " " +
                     (q == 5 ? std::to_string(value > 0 ? 1 : 0) : number(value)) + "\n";
                break;
            }
            case 8: {
                const unsigned code = in.byte();
                const unsigned flags = in.byte();
                s += "key " + n + " " + std::to_string(code);
                if (flags & 1) s += " up";
                if (flags & 2) s += " shift";
                if (flags & 4) s += " ctrl";
                if (flags & 8) s += " alt";
                s += "\n";
                break;
            }
            case 9: {
                const auto id = static_cast<std::int32_t>(in.byte() | in.byte() << 8 |
                                                          in.byte() << 16 | in.byte() << 24);
                s += "vc " + n + " " + std::to_string(id) + "\n";
                break;
            }
            default: {  // airfoils: the aircraft have two
                const unsigned index = in.byte() % 2;
                const double angle = in.real(), mach = in.real(), re = in.real();
                s += "airfoil " + n + " " + std::to_string(index) + " " + number(angle) + " " +
                     number(mach) + " " + number(re) + "\n";
                break;
            }
        }
    }
    (void)live;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keep_plugins_loaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    const std::string text = decode(in);
    if (!g_null) g_null = std::fopen("/dev/null", "w");
    host::reset();
    host::trace_to(g_null);
    const vmhost::Status s = vmhost::run_scenario("fuzz.vms", text, stderr);
    host::trace_to(nullptr);
    if (s != vmhost::kOk) {
        std::fprintf(stderr, "scenario:\n%s", text.c_str());
        std::abort();
    }
    return 0;
}
