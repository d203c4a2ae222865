// The checks' building blocks: a small PRNG of our own (std::random's
// distributions differ between standard libraries, and a seed must give the
// same scenario on every platform), the values readings are swept over and
// the seeded random scenario.
// Numbers go into scenarios as decimal text, so every platform reads the same
// doubles from them.
#include "validate.h"

namespace vmhost::validate {
namespace {

// clang-format off
const char* const kQuantities[] = {
    "airspeed", "altitude", "pitch", "bank", "aoa", "ground", "fuel", "thrust",
    "elevator", "rudder", "aileron", "flap", "trim"};

// Finite, magnitude up to 1e6, no denormals: what a host may well report.
const char* const kOrdinary[] = {
    "0", "-0", "0.001", "-0.5", "0.5", "-1", "2", "3.14159", "-3.14159", "6.2832",
    "10", "-10", "100", "-100", "1000", "-1e4", "1e4", "1e5", "-1e6", "1e6", "1"};

// At the limits of a double and beyond: what only a broken host reports.
const char* const kExtreme[] = {
    "1.7976931348623157e308", "-1.7976931348623157e308", "2.2250738585072014e-308",
    "5e-324", "-5e-324", "1e300", "-1e300", "1e20", "-1e20", "inf", "-inf", "nan", "1"};
// clang-format on

const char* const kReynolds[] = {"0", "1e5", "1e6", "5e6", "2e7", "1e9"};

}  // namespace

std::uint64_t Prng::next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int Prng::below(int n) {
    return static_cast<int>(next() % static_cast<std::uint64_t>(n));
}

std::uint64_t seed_for(std::uint64_t seed, std::string_view check) {
    std::uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
    for (unsigned char c : check) h = (h ^ c) * 0x100000001b3ull;
    return seed ^ h;
}

std::span<const char* const> quantities() {
    return kQuantities;
}
std::span<const char* const> ordinary_values() {
    return kOrdinary;
}
std::span<const char* const> extreme_values() {
    return kExtreme;
}

std::string ordinary_value(Prng& rng) {
    // N * 10^E with |N| < 10^4 and E in -4..2: never above 1e6.
    const int n = rng.below(19999) - 9999;
    const int e = rng.below(7) - 4;
    return std::to_string(n) + "e" + std::to_string(e);
}

std::string random_scenario(const Context& c, std::uint64_t seed, int steps, bool extreme,
                            const char* sound) {
    Prng rng(seed);
    std::string s = "load " + c.plugin + "\n";
    if (sound) s += std::string("sound ") + sound + "\n";
    std::vector<std::string> alive;
    int names = 0;
    const auto value = [&] {
        if (extreme && rng.percent(25))
            return std::string(kExtreme[rng.below(static_cast<int>(std::size(kExtreme)))]);
        return ordinary_value(rng);
    };
    const auto some = [&] {
        return alive[static_cast<std::size_t>(rng.below(static_cast<int>(alive.size())))];
    };
    for (int done = 0; done < steps;) {
        const int r = rng.below(100);
        if (alive.empty() || (r < 5 && alive.size() < 4)) {
            // (Built up in steps: GCC 12 warns falsely about "v" + to_string.)
            alive.emplace_back(1, 'v');
            alive.back() += std::to_string(++names);
            s += "create " + alive.back() + "\n";
        } else if (r < 9) {
            const std::size_t i =
                static_cast<std::size_t>(rng.below(static_cast<int>(alive.size())));
            s += "delete " + alive[i] + "\n";
            alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(i));
        } else if (r < 10) {
            s += "delete null\n";
        } else if (r < 30) {
            const char* q = kQuantities[rng.below(static_cast<int>(std::size(kQuantities)))];
            const std::string v =
                std::string(q) == "ground" ? std::to_string(rng.below(2)) : value();
            s += "set " + some() + " " + q + " " + v + "\n";
        } else if (r < 34) {
            s += rng.percent(50)   ? "set warp " + value() + "\n"
                 : rng.percent(10) ? std::string("set heading none\n")
                                   : "set heading " + value() + "\n";
        } else if (r < 54 && c.survey.object) {
            s += "key " + some() + " " + std::to_string(rng.below(256));
            for (const char* option : {" up", " shift", " ctrl", " alt"})
                if (rng.percent(option[1] == 'u' ? 50 : 25)) s += option;
            s += "\n";
        } else if (r < 58 && c.survey.object) {
            s += "vc " + some() + " " + std::to_string(rng.below(18) - 1) + "\n";
        } else if (r < 68 && !c.survey.airfoils.empty()) {
            const int index = c.survey.airfoils[static_cast<std::size_t>(
                rng.below(static_cast<int>(c.survey.airfoils.size())))];
            const bool odd = extreme && rng.percent(10);
            s += "airfoil " + some() + " " + std::to_string(index) + " " +
                 (odd ? value() : std::to_string(rng.below(50267) - 25133) + "e-3") + " " +
                 std::to_string(rng.below(501)) + "e-2 " +
                 kReynolds[rng.below(static_cast<int>(std::size(kReynolds)))] + "\n";
        } else {
            const int n = 1 + rng.below(std::min(20, steps - done));
            s += "step " + std::to_string(n) + "\n";
            done += n;
        }
    }
    return s;
}

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const auto end = text.find('\n');
        out.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return out;
}

}  // namespace vmhost::validate
