#include "freedays/FreeDayList.h"

#include "freedays/DniWolne.h"
#include "plan/WorkPlan.h"

#include <QDate>

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
    if (days.Count() == 0) return free;
    for (int32_t day = firstDay; day <= lastDay; ++day) {
        const int entry = FreeEntry(days, DateOfDay(day));
        if (entry >= 0) free.insert(day, days.Names.at(entry));
    }
    return free;
}

QBitArray FreeDayMask(const FreeDayList& days, int32_t firstDay, int32_t lastDay)
{
    QBitArray mask(lastDay >= firstDay ? lastDay - firstDay + 1 : 0);
    if (mask.isEmpty()) return mask;
    const auto mark = [&](int year, const QDate& in2000) {
        const QDate date(year, in2000.month(), in2000.day());
        if (!date.isValid()) return; // 29 February of a common year
        const int32_t day = DayOfDate(date);
        if (day >= firstDay && day <= lastDay) mask.setBit(day - firstDay);
    };
    const int firstYear = DateOfDay(firstDay).year();
    const int lastYear = DateOfDay(lastDay).year();
    for (int i = 0; i < days.Count(); ++i) {
        // Only a date of 2000 at 00:00 can equal a day's month and day in 2000.
        const int32_t minutes = days.Dates.at(i);
        if (minutes < 0 || minutes % MinutesPerDay != 0) continue;
        const QDate in2000 = DateOfDay(minutes / MinutesPerDay);
        if (in2000.year() != 2000) continue;
        if (days.Recurring.at(i) == 0) {
            mark(days.Years.at(i) + 2000, in2000);
            continue;
        }
        for (int year = firstYear; year <= lastYear; ++year)
            mark(year, in2000);
    }
    return mask;
}
