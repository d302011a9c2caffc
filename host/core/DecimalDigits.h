#pragma once
// The 15 significant decimal digits of a value (all a double holds faithfully) and the
// exponent of the first one: 2.675 gives "267500000000000" and 0, 0.05 gives
// "500000000000000" and -2. Rounding and formatting work on these, not on the binary value.
#include <charconv>
#include <cmath>

namespace KDecimal {

constexpr int kSignificant = 15;

struct Digits {
    char digits[kSignificant];
    int count = 0;
    int exponent = 0;
};

inline Digits Split(double value)
{
    Digits d;
    char buf[64];
    const auto written =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, kSignificant - 1);
    const char *p = buf;
    for (; p < written.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && d.count < kSignificant)
            d.digits[d.count++] = *p;
    if (p < written.ptr) {
        const char *e = p + 1;
        if (e < written.ptr && *e == '+')
            ++e;
        std::from_chars(e, written.ptr, d.exponent);
    }
    return d;
}

} // namespace KDecimal
