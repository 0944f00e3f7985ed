#pragma once
// Day counts: a local date and time as days since 1899-12-30 00:00 plus the
// fraction of the day. The payload's stored stamps and the stamps read back
// from files are compared for exact equality, so every producer and reader
// (the setup program and mkpayload) forms them with this one implementation.

#include <cstdint>

struct TDateTime {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Days from 1899-12-30 to the date (negative before it). Proleptic Gregorian.
int32_t DaysSinceEpoch(int year, int month, int day);

// d + m * (1 / 86,400,000) with the reciprocal, the product and the sum each
// held with a 64-bit significand and rounded to double at the end.
double EncodeDayCount(const TDateTime& t);

// The inverse, to the millisecond. False for NaN, infinities and dates
// outside the years 1 to 9999 (t is then left unchanged).
bool DecodeDayCount(double dayCount, TDateTime& t);

#if defined(__SIZEOF_INT128__)
// days + ms / 86,400,000 by the same steps in integer arithmetic (a reference
// for the x87 path; used directly where long double is not 80-bit).
double DayPlusFractionExact(int64_t days, int32_t ms);
#endif
