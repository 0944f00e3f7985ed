#include "instutils/DayCount.h"

#include <cfloat>
#include <cmath>

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

constexpr int64_t kEpochFromUnix = 25569;  // 1899-12-30 .. 1970-01-01
constexpr int32_t kMsPerDay = 86400000;

#if (defined(__i386__) || defined(__x86_64__)) && LDBL_MANT_DIG == 64
// The x87 unit honours its precision-control field: threads that the system
// starts may run with a 53-bit setting, which would round the product and the
// sum too early. Force 64-bit precision for the few operations below.
class TExtendedPrecision {
public:
    TExtendedPrecision() {
        asm volatile("fnstcw %0" : "=m"(Saved) : : "memory");
        uint16_t cw = static_cast<uint16_t>(Saved | 0x0300);
        asm volatile("fldcw %0" : : "m"(cw) : "memory");
    }
    ~TExtendedPrecision() { asm volatile("fldcw %0" : : "m"(Saved) : "memory"); }
    TExtendedPrecision(const TExtendedPrecision&) = delete;
    TExtendedPrecision& operator=(const TExtendedPrecision&) = delete;

private:
    uint16_t Saved = 0;
};

double DayPlusFraction(int64_t days, int32_t ms) {
    static const long double kReciprocal = 1.0L / 86400000.0L;
    TExtendedPrecision precision;
    // volatile keeps every step inside the precision window above.
    volatile long double m = static_cast<long double>(ms);
    volatile long double r = kReciprocal;
    volatile long double product = m * r;
    volatile double f = static_cast<double>(product);
    volatile long double sum = static_cast<long double>(days) + static_cast<long double>(f);
    return static_cast<double>(sum);
}
#else
double DayPlusFraction(int64_t days, int32_t ms) { return DayPlusFractionExact(days, ms); }
#endif

}  // namespace

#if defined(__SIZEOF_INT128__)
// The same steps in integer arithmetic: a 64-bit-significand reciprocal,
// product and sum, each rounded to nearest-even, then to double.
namespace {
using u128 = unsigned __int128;

int BitLength(u128 x) {
    int n = 0;
    while (x) {
        ++n;
        x >>= 1;
    }
    return n;
}

// Rounds x to 64 significant bits: returns q with x ~= q * 2^shift.
uint64_t Round64(u128 x, int& shift) {
    shift = 0;
    const int len = BitLength(x);
    if (len <= 64) return static_cast<uint64_t>(x);
    shift = len - 64;
    u128 q = x >> shift;
    const u128 rem = x & ((u128(1) << shift) - 1);
    const u128 half = u128(1) << (shift - 1);
    if (rem > half || (rem == half && (q & 1))) ++q;
    if (q >> 64) {
        q >>= 1;
        ++shift;
    }
    return static_cast<uint64_t>(q);
}
}  // namespace

double DayPlusFractionExact(int64_t days, int32_t ms) {
    // 1/86,400,000 lies in [2^-27, 2^-26): its significand is round(2^90 / D).
    const u128 num = u128(1) << 90;
    u128 recip = num / kMsPerDay;
    const u128 rem = num % kMsPerDay;
    if (2 * rem > u128(kMsPerDay) || (2 * rem == u128(kMsPerDay) && (recip & 1))) ++recip;

    int shift = 0;
    const uint64_t p64 = Round64(u128(static_cast<uint32_t>(ms)) * recip, shift);
    const double f = std::ldexp(static_cast<double>(p64), shift - 90);
    if (f == 0) return static_cast<double>(days);

    // f = fm * 2^fe exactly, fm < 2^53.
    int fe = 0;
    const double fr = std::frexp(f, &fe);
    const uint64_t fm = static_cast<uint64_t>(std::ldexp(fr, 53));
    fe -= 53;  // negative: f < 1
    const bool negative = days < 0;
    const u128 mag = u128(static_cast<uint64_t>(negative ? -days : days)) << (-fe);
    int s = 0;
    const uint64_t q = Round64(mag + fm, s);
    const double result = std::ldexp(static_cast<double>(q), s + fe);
    return negative ? -result : result;
}
#endif

int32_t DaysSinceEpoch(int year, int month, int day) {
    return static_cast<int32_t>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        kEpochFromUnix);
}

double EncodeDayCount(const TDateTime& t) {
    const int64_t days = DaysSinceEpoch(t.Year, t.Month, t.Day);
    const int32_t ms = t.Hour * 3600000 + t.Minute * 60000 + t.Second * 1000 + t.Millisecond;
    // Before day 0 the time of day counts away from zero, as the day count
    // has always been defined: -1.25 is 1899-12-29 06:00.
    if (days < 0) return -DayPlusFraction(-days, ms);
    return DayPlusFraction(days, ms);
}

bool DecodeDayCount(double dayCount, TDateTime& t) {
    if (!std::isfinite(dayCount)) return false;
    // 0001-01-01 .. 9999-12-31 23:59:59.999
    if (dayCount <= -693594.0 || dayCount >= 2958466.0) return false;
    int64_t days = static_cast<int64_t>(std::trunc(dayCount));
    const double frac = std::fabs(dayCount - static_cast<double>(days));
    int64_t ms = std::llround(frac * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += dayCount < 0 ? -1 : 1;
    }
    TDateTime r;
    CivilFromDays(days - kEpochFromUnix, r.Year, r.Month, r.Day);
    if (r.Year < 1 || r.Year > 9999) return false;
    r.Hour = static_cast<int>(ms / 3600000);
    r.Minute = static_cast<int>(ms / 60000 % 60);
    r.Second = static_cast<int>(ms / 1000 % 60);
    r.Millisecond = static_cast<int>(ms % 1000);
    t = r;
    return true;
}
