#include "freedays/FreeDayTest.h"

#include "env/Kelbrin.h"
#include "env/ProgramState.h"

bool IsFreeDay(const FreeDayList& days, const KelbrinLibrary& lib, int32_t year, uint8_t month, uint8_t day)
{
    if (days.Count() == 0)
        return false;
    const int32_t inYear2000 = lib.DateToLong(2000, month, day, 0, 0);
    for (int i = 0; i < days.Count(); ++i) {
        if (days.Dates.at(i) == inYear2000 && (days.Recurring.at(i) != 0 || days.Years.at(i) + 2000 == year))
            return true;
    }
    return false;
}

bool IsFreeDayNumber(const FreeDayList& days, const KelbrinLibrary& lib, int32_t dayNumber)
{
    const KlnxDate date = lib.LongToDate(dayNumber * 1440);
    return IsFreeDay(days, lib, date.Year, date.Month, date.Day);
}
