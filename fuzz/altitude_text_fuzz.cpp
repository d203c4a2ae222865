// The airliner's altitude text on any double, against a slow reference
// written here from the rules: six significant digits, correctly rounded;
// fixed notation for 0 and magnitudes from 0.1 up to below 1000000 (before
// rounding), exponent notation with a signed three-digit exponent otherwise;
// trailing zeros dropped, the point always kept. The reference takes its six
// digits from the C library's own correctly rounded conversion and lays them
// out one rule at a time. Shorter buffers must get a cut, terminated prefix.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "altitude_text.h"

namespace {

std::string reference(double a) {
    if (std::isnan(a)) return "nan";
    if (std::isinf(a)) return a < 0 ? "-inf" : "inf";
    const double mag = std::fabs(a);
    char sci[64];
    std::snprintf(sci, sizeof sci, "%.5e", mag);  // d.ddddde[+-]XX[X]
    std::string digits = std::string(1, sci[0]) + std::string(sci + 2, 5);
    const int exponent = std::atoi(std::strchr(sci, 'e') + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string s = a < 0 ? "-" : "";
    if (mag == 0 || (mag >= 0.1 && mag < 1e6)) {
        if (exponent < 0) {
            s += "0.";
            s += std::string(static_cast<std::size_t>(-exponent - 1), '0');
            s += digits;
        } else {
            const auto whole = static_cast<std::size_t>(exponent) + 1;
            std::string d = digits;
            if (d.size() < whole) d.append(whole - d.size(), '0');
            s += d.substr(0, whole) + "." + d.substr(whole);
        }
        return s;
    }
    char e[8];
    std::snprintf(e, sizeof e, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return s + digits.substr(0, 1) + "." + digits.substr(1) + e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return -1;
    double a;
    std::memcpy(&a, data, sizeof a);
    const std::string expected = reference(a);

    char out[olumbra::kAltitudeTextMax + 1];
    const std::size_t n = olumbra::format_altitude(a, out, sizeof out);
    if (expected.size() > olumbra::kAltitudeTextMax || n != expected.size() || expected != out) {
        std::fprintf(stderr, "altitude %a: got \"%s\", expected \"%s\"\n", a, out,
                     expected.c_str());
        std::abort();
    }
    // A short buffer gets the text cut short and terminated.
    const std::size_t room = size > 8 ? data[8] % (sizeof out + 1) : 0;
    char cut[sizeof out + 1];
    std::memset(cut, 'x', sizeof cut);
    const std::size_t m = olumbra::format_altitude(a, cut, room);
    const std::size_t want = room == 0 ? 0 : std::min(expected.size(), room - 1);
    if (m != want || (room > 0 && (cut[m] != '\0' || expected.compare(0, m, cut, m) != 0)) ||
        cut[room] != 'x') {
        std::fprintf(stderr, "altitude %a in %zu bytes: got %zu\n", a, room, m);
        std::abort();
    }
    return 0;
}
