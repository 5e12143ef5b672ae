#include "export/PlanShifts.h"

#include <algorithm>

namespace {

bool IsSet(int16_t time)
{
    return time != EmptyTime;
}

} // namespace

QVector<Shift> PlanShifts(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays, int32_t firstDay,
                          int32_t lastDay)
{
    QVector<Shift> shifts;
    firstDay = std::max(firstDay, plan.FirstDay);
    lastDay = std::min(lastDay, plan.LastDay);
    if (lastDay < firstDay) return shifts;

    if (plan.Kind == PlanKind::WeeklyPlan) {
        if (plan.DailyNorm <= 0) return shifts;
        shifts.reserve(lastDay - firstDay + 1);
        for (int32_t day = firstDay; day <= lastDay; ++day) {
            if (plan.WeekdayKinds[WeekdayOf(day)] != WorkingWeekday) continue;
            if (plan.IncludeFreeDays && freeDays.contains(day)) continue;
            Shift shift;
            shift.Day = day;
            shift.Start = day * MinutesPerDay + plan.DayStart;
            shift.Length = shift.WorkingTime = plan.DailyNorm;
            shifts.append(shift);
        }
        return shifts;
    }

    // One prototype per slot; a day copies its slot's and moves it.
    std::array<Shift, SlotCount> bySlot{};
    std::array<bool, SlotCount> works{};
    for (int slot = 0; slot < SlotCount; ++slot) {
        const DaySchedule& times = plan.Schedules[slot];
        works[slot] = slot != FreeDaySlot && IsSet(times.Entry) && IsSet(times.Exit);
        if (!works[slot]) continue;
        Shift& shift = bySlot[slot];
        shift.Slot = slot;
        shift.Start = times.Entry;
        shift.Length = times.Exit - times.Entry + (times.Exit <= times.Entry ? MinutesPerDay : 0);
        if (IsSet(times.BreakFrom) && IsSet(times.BreakTo) && times.BreakFrom != times.BreakTo) {
            shift.BreakFrom = times.BreakFrom;
            shift.BreakTo = times.BreakTo;
            shift.BreakLength = ((times.BreakTo - times.BreakFrom) % MinutesPerDay + MinutesPerDay) % MinutesPerDay;
        }
        shift.WorkingTime = shift.Length - std::max(0, shift.BreakLength - PaidBreakMinutes);
    }
    const QVector<int32_t>& daySlots = plan.Days.Slots();
    const int32_t tableFirst = plan.Days.FirstDay();
    shifts.reserve(lastDay - firstDay + 1);
    for (int32_t day = std::max(firstDay, tableFirst); day <= lastDay && day - tableFirst < daySlots.size(); ++day) {
        const int32_t slot = daySlots.at(day - tableFirst);
        if (slot < 0 || slot >= SlotCount || !works[slot]) continue;
        Shift shift = bySlot[slot];
        shift.Day = day;
        shift.Start += day * MinutesPerDay;
        shifts.append(shift);
    }
    return shifts;
}
