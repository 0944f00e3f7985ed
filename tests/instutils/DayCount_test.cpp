#include "instutils/DayCount.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    TDateTime t;
    t.Year = y;
    t.Month = mo;
    t.Day = d;
    t.Hour = h;
    t.Minute = mi;
    t.Second = s;
    t.Millisecond = ms;
    return t;
}

uint64_t Bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, 8);
    return b;
}

TEST(DayCount, LicenceStampHasTheStoredBytes) {
    const double v = EncodeDayCount(At(2012, 2, 26, 12, 59, 4));
    const uint8_t expected[8] = {0x72, 0x11, 0x06, 0x50, 0xB1, 0x00, 0xE4, 0x40};
    EXPECT_EQ(0, std::memcmp(&v, expected, 8));
}

TEST(DayCount, KnownDates) {
    struct Case {
        TDateTime t;
        double expected;
    } cases[] = {
        {At(1899, 12, 30), 0.0},
        {At(1899, 12, 31), 1.0},
        {At(1900, 3, 1), 61.0},  // no 1900-02-29 in the proleptic calendar
        {At(1899, 12, 30, 12), 0.5},
        {At(1899, 12, 30, 6), 0.25},
        {At(1980, 1, 1), 29221.0},
        {At(2000, 2, 29), 36585.0},
        {At(2099, 12, 31, 18), 73050.75},
        {At(1899, 12, 29, 6), -1.25},  // before day 0 the fraction counts away from zero
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, EncodeDayCount(c.t))
            << c.t.Year << "-" << c.t.Month << "-" << c.t.Day;
        TDateTime back;
        ASSERT_TRUE(DecodeDayCount(c.expected, back));
        EXPECT_EQ(c.t.Year, back.Year);
        EXPECT_EQ(c.t.Month, back.Month);
        EXPECT_EQ(c.t.Day, back.Day);
        EXPECT_EQ(c.t.Hour, back.Hour);
    }
}

TEST(DayCount, DecodeRejectsWhatNoDateIs) {
    TDateTime t = At(2001, 2, 3, 4, 5, 6);
    for (double v :
         {double(NAN), double(INFINITY), -double(INFINITY), 2958466.0, -693594.0, 1e300}) {
        EXPECT_FALSE(DecodeDayCount(v, t)) << v;
        EXPECT_EQ(2001, t.Year);
        EXPECT_EQ(6, t.Second);
    }
    EXPECT_TRUE(DecodeDayCount(2958465.999, t));
    EXPECT_EQ(9999, t.Year);
}

// Every 2-second stamp of some days (the DOS grain) survives encode -> decode,
// and the last instant of a day does not roll into the next one wrongly.
TEST(DayCount, RoundTripOfEveryDosStampOfSampleDays) {
    const TDateTime days[] = {At(1980, 1, 1), At(2012, 2, 26), At(2099, 12, 31), At(2038, 1, 19)};
    for (TDateTime day : days) {
        for (int sec = 0; sec < 86400; sec += 2) {
            TDateTime t = day;
            t.Hour = sec / 3600;
            t.Minute = sec / 60 % 60;
            t.Second = sec % 60;
            TDateTime back;
            ASSERT_TRUE(DecodeDayCount(EncodeDayCount(t), back));
            ASSERT_TRUE(back.Year == t.Year && back.Month == t.Month && back.Day == t.Day &&
                        back.Hour == t.Hour && back.Minute == t.Minute && back.Second == t.Second &&
                        back.Millisecond == 0)
                << day.Year << " " << sec;
        }
    }
}

#if defined(__SIZEOF_INT128__)
// The fast path must round exactly like the extended-precision definition
// (reciprocal, product and sum each with a 64-bit significand).
TEST(DayCount, MatchesTheExtendedPrecisionDefinition) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> day(29221, 73415);
    std::uniform_int_distribution<int> ms(0, 86399999);
    for (int i = 0; i < 200000; ++i) {
        const int d = day(rng);
        const int m = i % 2 ? ms(rng) : ms(rng) / 2000 * 2000;
        TDateTime t;
        const int z = d;
        // Build the date back from the day number through the decoder.
        ASSERT_TRUE(DecodeDayCount(z, t));
        t.Hour = m / 3600000;
        t.Minute = m / 60000 % 60;
        t.Second = m / 1000 % 60;
        t.Millisecond = m % 1000;
        ASSERT_EQ(Bits(DayPlusFractionExact(d, m)), Bits(EncodeDayCount(t))) << d << " " << m;
    }
}

#if (defined(__i386__) || defined(__x86_64__)) && LDBL_MANT_DIG == 64
// Threads may start with the x87 unit set to 53-bit precision; the result must
// not depend on that setting.
TEST(DayCount, IndependentOfX87PrecisionSetting) {
    uint16_t saved;
    asm volatile("fnstcw %0" : "=m"(saved));
    const uint16_t pc53 = static_cast<uint16_t>((saved & ~0x0300) | 0x0200);
    int differing = 0;
    std::mt19937 rng(99);
    for (int i = 0; i < 20000; ++i) {
        const int d = 29221 + static_cast<int>(rng() % 43830);
        const int m = static_cast<int>(rng() % 86400000);
        asm volatile("fldcw %0" : : "m"(pc53) : "memory");
        TDateTime t;
        ASSERT_TRUE(DecodeDayCount(d, t));
        t.Hour = m / 3600000;
        t.Minute = m / 60000 % 60;
        t.Second = m / 1000 % 60;
        t.Millisecond = m % 1000;
        const double v = EncodeDayCount(t);
        uint16_t after;
        asm volatile("fnstcw %0" : "=m"(after));
        asm volatile("fldcw %0" : : "m"(saved) : "memory");
        ASSERT_EQ(pc53, after) << "the caller's setting must be restored";
        if (Bits(v) != Bits(DayPlusFractionExact(d, m))) ++differing;
    }
    EXPECT_EQ(0, differing);
}
#endif
#endif

}  // namespace
