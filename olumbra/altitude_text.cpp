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

// Six significant digits of a magnitude from 0.1 up to below 1000000, exactly
// as the general conversion rounds them (to nearest, ties to even), but
// without it: this is the band altitudes live in, and the general conversion
// costs several times more. The exact product magnitude x 10^k is p + err.
void six_digits_in_band(double mag, char* digits, int& exponent) {
    static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    exponent = -1;
    while (exponent < 5 && mag >= kPow10[exponent + 1]) ++exponent;
    const double scale = kPow10[5 - exponent];
    const double p = mag * scale;  // 100000 <= p <= 1000000
    const double err = std::fma(mag, scale, -p);
    const double whole = std::floor(p);
    const double frac = p - whole;  // exact, and a multiple of p's ulp, as 0.5 is
    auto n = static_cast<long>(whole);
    if (frac > 0.5 || (frac == 0.5 && (err > 0 || (err == 0 && n % 2 == 1)))) ++n;
    if (n == 1000000) {
        n = 100000;
        ++exponent;
    }
    for (int i = kDigits - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
}

// Six correctly rounded significant digits of any other finite magnitude.
void six_digits(double mag, char* digits, int& exponent) {
    // "d.ddddde+XX" (two or three exponent digits), whatever the C library
    // would print.
    char sci[32];
    const auto end =
        std::to_chars(sci, sci + sizeof sci, mag, std::chars_format::scientific, kDigits - 1).ptr;
    const char from_sci[kDigits] = {sci[0], sci[2], sci[3], sci[4], sci[5], sci[6]};
    std::memcpy(digits, from_sci, kDigits);
    exponent = 0;
    for (const char* p = sci + 9; p < end; ++p) exponent = exponent * 10 + (*p - '0');
    if (sci[8] == '-') exponent = -exponent;
}

void write_finite(double altitude, Text& t) {
    const double mag = std::fabs(altitude);
    if (altitude < 0) t.put('-');

    char digits[kDigits];
    int exponent;
    if (mag >= 0.1 && mag < 1e6)
        six_digits_in_band(mag, digits, exponent);
    else
        six_digits(mag, digits, exponent);
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
