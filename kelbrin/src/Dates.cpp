#include "Internal.h"
#include "kelbrin.h"

namespace kelbrin {

static int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// The Gregorian calendar repeats every 400 years (146097 days). Counting years
// from March makes the leap day the last day of its year, so the day of the
// year follows from the month by one linear formula.
static constexpr int64_t DaysPerEra = 146097;
static constexpr int64_t DaysFromMarchOfYear0To2000 = 730425;

int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day)
{
    // Months outside 1..12 carry into the year.
    year += FloorDiv(month - 1, 12);
    month = month - 1 - FloorDiv(month - 1, 12) * 12 + 1;
    const int64_t y = year - (month <= 2 ? 1 : 0);
    const int64_t era = FloorDiv(y, 400);
    const int64_t yearOfEra = y - era * 400;
    const int64_t marchMonth = month > 2 ? month - 3 : month + 9;
    const int64_t dayOfYear = (153 * marchMonth + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * DaysPerEra + dayOfEra - DaysFromMarchOfYear0To2000;
}

void CivilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day)
{
    const int64_t z = days + DaysFromMarchOfYear0To2000;
    const int64_t era = FloorDiv(z, DaysPerEra);
    const int64_t dayOfEra = z - era * DaysPerEra;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t marchMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * marchMonth + 2) / 5 + 1;
    month = marchMonth < 10 ? marchMonth + 3 : marchMonth - 9;
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

} // namespace kelbrin

extern "C" KELBRIN_API int32_t KLNX_DateToLong(int32_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute)
{
    const int64_t days = kelbrin::DaysFromCivil(year, month, day);
    const int64_t count = days * 1440 + int64_t(hour) * 60 + minute;
    return static_cast<int32_t>(static_cast<uint32_t>(count)); // wraps beyond the 32-bit range, as the type demands
}

extern "C" KELBRIN_API void KLNX_LongToDate(int32_t count, int32_t* year, uint8_t* month, uint8_t* day, uint8_t* hour,
                                            uint8_t* minute)
{
    const int64_t days = kelbrin::FloorDiv(count, 1440);
    const int64_t minuteOfDay = int64_t(count) - days * 1440;
    int64_t y = 0, m = 0, d = 0;
    kelbrin::CivilFromDays(days, y, m, d);
    if (year) *year = static_cast<int32_t>(y);
    if (month) *month = static_cast<uint8_t>(m);
    if (day) *day = static_cast<uint8_t>(d);
    if (hour) *hour = static_cast<uint8_t>(minuteOfDay / 60);
    if (minute) *minute = static_cast<uint8_t>(minuteOfDay % 60);
}
