#include "freedays/FreeDayList.h"

#include "freedays/DniWolne.h"
#include "plan/WorkPlan.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <climits>
#include <utility>
#include <vector>

namespace {

// The entry index that makes the date free, or -1.
int FreeEntry(const FreeDayList& days, const QDate& date)
{
    const QDate in2000(2000, date.month(), date.day());
    if (!in2000.isValid()) return -1;
    const int32_t minutes = DayOfDate(in2000) * MinutesPerDay;
    for (int i = 0; i < days.Count(); ++i) {
        if (days.Dates.at(i) == minutes && (days.Recurring.at(i) != 0 || days.Years.at(i) + 2000 == date.year()))
            return i;
    }
    return -1;
}

// The days of 2000 (a leap year): the dates the list's entries are moved to.
constexpr int32_t DaysIn2000 = 366;

// Calls mark(day, entry) for every day of firstDay..lastDay that an entry
// makes free, entry by entry in list order: a recurring entry once a year of
// the range, any other once at most. The work grows with the entries and the
// years, never with their product with the days.

template <typename Mark> void ForEachFreeDay(const FreeDayList& days, int32_t firstDay, int32_t lastDay, Mark mark)
{
    if (lastDay < firstDay) return;
    const int firstYear = CivilDateOfDay(firstDay).Year;
    const int lastYear = CivilDateOfDay(lastDay).Year;
    const auto markIn = [&](int year, const CivilDate& in2000, int entry) {
        if (year < firstYear || year > lastYear) return;
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        if (in2000.Month == 2 && in2000.Day == 29 && !leap) return; // 29 February of a common year
        const int32_t day = DayOfCivilDate(year, in2000.Month, in2000.Day);
        if (day >= firstDay && day <= lastDay) mark(day, entry);
    };
    // A recurring entry of a month and day that an earlier one recurs on
    // marks nothing new.
    std::array<bool, DaysIn2000> recurs{};
    for (int i = 0; i < days.Count(); ++i) {
        // Only a date of 2000 at 00:00 can equal a day's month and day in 2000.
        const int32_t minutes = days.Dates.at(i);
        if (minutes < 0 || minutes % MinutesPerDay != 0 || minutes / MinutesPerDay >= DaysIn2000) continue;
        const CivilDate in2000 = CivilDateOfDay(minutes / MinutesPerDay);
        if (days.Recurring.at(i) == 0) {
            markIn(int(std::clamp<int64_t>(int64_t(days.Years.at(i)) + 2000, INT_MIN, INT_MAX)), in2000, i);
            continue;
        }
        if (std::exchange(recurs[size_t(minutes / MinutesPerDay)], true)) continue;
        for (int year = firstYear; year <= lastYear; ++year)
            markIn(year, in2000, i);
    }
}

} // namespace

FreeDayList FreeDayListOf(const QVector<FreeDayRecord>& records)
{
    FreeDayList list;
    for (const FreeDayRecord& record : records) {
        const QDate date = DateOfDay(record.Date / MinutesPerDay);
        list.Dates.append(DayOfDate(QDate(2000, date.month(), date.day())) * MinutesPerDay);
        list.Years.append(date.year() - 2000);
        list.Recurring.append(record.Recurring);
        list.Names.append(record.Name);
    }
    return list;
}

bool IsFreeDayNumber(const FreeDayList& days, int32_t dayNumber)
{
    return days.Count() > 0 && FreeEntry(days, DateOfDay(dayNumber)) >= 0;
}

QMap<int32_t, QString> FreeDaysBetween(const FreeDayList& days, int32_t firstDay, int32_t lastDay)
{
    QMap<int32_t, QString> free;
    if (days.Count() == 0 || lastDay < firstDay) return free;
    // The first entry that makes each day free names it.
    std::vector<int> entryOf(size_t(lastDay - firstDay + 1), -1);
    ForEachFreeDay(days, firstDay, lastDay, [&](int32_t day, int entry) {
        int& first = entryOf[size_t(day - firstDay)];
        if (first < 0) first = entry;
    });
    // In day order, each insertion at the end.
    for (size_t i = 0; i < entryOf.size(); ++i) {
        if (entryOf[i] >= 0) free.insert(free.cend(), firstDay + int32_t(i), days.Names.at(entryOf[i]));
    }
    return free;
}

QBitArray FreeDayMask(const FreeDayList& days, int32_t firstDay, int32_t lastDay)
{
    QBitArray mask(lastDay >= firstDay ? lastDay - firstDay + 1 : 0);
    ForEachFreeDay(days, firstDay, lastDay, [&](int32_t day, int) { mask.setBit(day - firstDay); });
    return mask;
}
