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
