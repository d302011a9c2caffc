#include "host/core/Funzioni.h"

#include "host/core/DecimalDigits.h"
#include "host/core/Errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Funzioni {

namespace {

constexpr double kPotenze[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

} // namespace

// Rounding works on the decimal representation, not on the binary value: the value is
// written with 15 significant digits (all a double holds faithfully, so 2.675, stored as
// 2.67499999..., reads "2.67500000000000"), that digit string is rounded half away from
// zero at the wanted position, and the resulting decimal is read back as the nearest
// double. When the position lies at or beyond the 15th significant digit there is nothing
// but binary noise to round and the value is returned as it is.
double KRound(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    if (value == 0.0)
        return 0.0;
    // a whole number of at most 15 digits has no digit past the point to round
    if (decimals >= 0 && std::fabs(value) < 1e15 && value == std::trunc(value))
        return value;
    // Below 1e9 once scaled, the scaled value is within 1e-5 of the scaled 15-digit decimal:
    // away from a half, both round to the same whole number.
    if (decimals >= 0 && decimals <= 22) {
        const double scaled = std::fabs(value) * kPotenze[decimals];
        const double whole = std::floor(scaled);
        if (scaled < 1e9 && std::fabs(scaled - whole - 0.5) > 1e-4) {
            const double kept = scaled - whole > 0.5 ? whole + 1 : whole;
            if (kept == 0)
                return 0.0;
            const double result = kept / kPotenze[decimals];
            return value < 0 ? -result : result;
        }
    }

    const KDecimal::Digits split = KDecimal::Split(value);
    const char *digits = split.digits;
    const int n = split.count;
    const int exponent = split.exponent;

    const long long keep = static_cast<long long>(exponent) + 1 + decimals; // digits kept
    if (keep >= n)
        return value;
    if (keep < 0)
        return 0.0;

    std::uint64_t kept = 0;
    for (int i = 0; i < keep; ++i)
        kept = kept * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    if (digits[keep] >= '5')
        ++kept;
    if (kept == 0)
        return 0.0;

    // kept (under 2^53) and a power of ten up to 1e22 are exact doubles: one IEEE division or
    // product gives the nearest double to the decimal, as reading its text would
    double result = 0.0;
    if (decimals >= 0 && decimals <= 22) {
        result = static_cast<double>(kept) / kPotenze[decimals];
    } else if (decimals < 0 && decimals >= -22) {
        result = static_cast<double>(kept) * kPotenze[-decimals];
    } else {
        char out[48];
        const int len = std::snprintf(out, sizeof out, "%llue%d", static_cast<unsigned long long>(kept), -decimals);
        std::from_chars(out, out + len, result);
    }
    return value < 0 ? -result : result;
}

int CompDec(double a, double b, int decimals)
{
    // Negative decimals compare at full precision: "is this amount zero" must see 4,00 too.
    if (decimals < 0) {
        const double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
        if (std::fabs(a - b) <= 1e-9 * scale)
            return 0;
        return a < b ? -1 : 1;
    }
    const double ra = KRound(a, decimals);
    const double rb = KRound(b, decimals);
    if (ra < rb)
        return -1;
    if (ra > rb)
        return 1;
    return 0;
}

double Arrotonda(double value, double step, int mode, int decimals)
{
    if (step < 0 || !std::isfinite(step))
        throw Exception(QStringLiteral("Arrotonda: passo di arrotondamento non valido (%1)").arg(step));
    if (mode != arMatematico && mode != arEccesso && mode != arDifetto)
        throw Exception(QStringLiteral("Arrotonda: modo di arrotondamento sconosciuto (%1)").arg(mode));

    const double v = KRound(value, decimals);
    if (step == 0.0 || v == 0.0)
        return v;

    // The quotient is cleaned of binary noise (0.3 / 0.1 = 2.9999999999999996) before it is
    // brought to a whole number of steps.
    const double q = KRound(std::fabs(v) / step, 9);
    double whole = 0.0;
    switch (mode) {
    case arMatematico:
        whole = KRound(q, 0);
        break;
    case arEccesso:
        whole = std::ceil(q);
        break;
    default:
        whole = std::floor(q);
        break;
    }
    const double result = KRound(whole * step, decimals);
    return v < 0 && result != 0.0 ? -result : result;
}

QString DataToStringa(const QDateTime &date)
{
    return date.isValid() ? DataToStringa(date.date()) : QString();
}

QString DataToStringa(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

int GetAnno(const QDateTime &date)
{
    return date.isValid() ? date.date().year() : 0;
}

int GetAnno(const QDate &date)
{
    return date.isValid() ? date.year() : 0;
}

} // namespace Funzioni
