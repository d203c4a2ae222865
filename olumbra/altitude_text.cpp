#include "altitude_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace olumbra {

namespace {

constexpr int kDigits = 6;

// Appends to a small fixed buffer; the longest text is far shorter than it.
struct Text {
    char buf[32];
    std::size_t n = 0;
    void put(char c) { buf[n++] = c; }
    void put(const char* s) {
        while (*s) put(*s++);
    }
};

void write_finite(double altitude, Text& t) {
    const double mag = std::fabs(altitude);
    if (altitude < 0) t.put('-');

    // Six correctly rounded significant digits, "d.ddddde+XX" (two or three
    // exponent digits), whatever the C library would print.
    char sci[32];
    const auto end =
        std::to_chars(sci, sci + sizeof sci, mag, std::chars_format::scientific, kDigits - 1).ptr;
    const char digits[kDigits] = {sci[0], sci[2], sci[3], sci[4], sci[5], sci[6]};
    int exponent = 0;
    for (const char* p = sci + 9; p < end; ++p) exponent = exponent * 10 + (*p - '0');
    if (sci[8] == '-') exponent = -exponent;
    int last = kDigits - 1;  // last significant digit once trailing zeros are gone
    while (last > 0 && digits[last] == '0') --last;

    if (mag == 0 || (mag >= 0.1 && mag < 1e6)) {
        if (exponent < 0) {
            // Only 0.1 up to below 1 gets here, so the exponent is -1.
            t.put('0');
            t.put('.');
            for (int i = 0; i <= last; ++i) t.put(digits[i]);
        } else {
            // 999999.5 and above round to seven integer digits.
            for (int i = 0; i <= exponent; ++i) t.put(i < kDigits ? digits[i] : '0');
            t.put('.');
            for (int i = exponent + 1; i <= last; ++i) t.put(digits[i]);
        }
        return;
    }
    t.put(digits[0]);
    t.put('.');
    for (int i = 1; i <= last; ++i) t.put(digits[i]);
    t.put('e');
    t.put(exponent < 0 ? '-' : '+');
    const int e = std::abs(exponent);
    t.put(static_cast<char>('0' + e / 100));
    t.put(static_cast<char>('0' + e / 10 % 10));
    t.put(static_cast<char>('0' + e % 10));
}

}  // namespace

std::size_t format_altitude(double altitude, char* out, std::size_t size) {
    Text t;
    if (std::isnan(altitude)) {
        t.put("nan");
    } else if (std::isinf(altitude)) {
        t.put(altitude < 0 ? "-inf" : "inf");
    } else {
        write_finite(altitude, t);
    }
    if (!out || size == 0) return 0;
    const std::size_t n = t.n < size ? t.n : size - 1;
    std::memcpy(out, t.buf, n);
    out[n] = '\0';
    return n;
}

}  // namespace olumbra
