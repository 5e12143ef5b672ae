#include "plan/PlanShifts.h"

#include <algorithm>

namespace {

bool IsSet(int16_t time)
{
    return time >= 0;
}

// A stored time as a time of day: schedules normalised for saving may run into the next day.
int32_t TimeOfDay(int32_t time)
{
    return ((time % MinutesPerDay) + MinutesPerDay) % MinutesPerDay;
}

} // namespace

int32_t RequiredBreak(int32_t length, int32_t breakLength)
{
    const int32_t work = length - std::max(0, breakLength - PaidBreakMinutes);
    return work > 16 * 60 ? 45 : work > 9 * 60 ? 30 : work >= 6 * 60 ? 15 : 0;
}

int32_t WorkingTimeOf(int32_t length, int32_t breakLength)
{
    const int32_t paid = std::max(PaidBreakMinutes, RequiredBreak(length, breakLength));
    return std::max(0, length - std::max(0, breakLength - paid));
}

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
            shift.Start = day * MinutesPerDay + TimeOfDay(plan.DayStart);
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
        const int32_t entry = TimeOfDay(times.Entry);
        const int32_t exit = TimeOfDay(times.Exit);
        shift.Slot = slot;
        shift.Start = entry;
        shift.Length = exit - entry + (exit <= entry ? MinutesPerDay : 0);
        const int32_t breakFrom = IsSet(times.BreakFrom) ? TimeOfDay(times.BreakFrom) : -1;
        const int32_t breakTo = IsSet(times.BreakTo) ? TimeOfDay(times.BreakTo) : -1;
        if (breakFrom >= 0 && breakTo >= 0 && breakFrom != breakTo) {
            shift.BreakFrom = int16_t(breakFrom);
            shift.BreakTo = int16_t(breakTo);
            shift.BreakLength = TimeOfDay(breakTo - breakFrom);
        }
        shift.WorkingTime = WorkingTimeOf(shift.Length, shift.BreakLength);
    }
    const QVector<int32_t>& daySlots = plan.Days.Slots();
    const int32_t tableFirst = plan.Days.FirstDay();
    const int32_t from = std::max(firstDay, tableFirst);
    const int32_t to = int32_t(std::min<qsizetype>(lastDay, tableFirst + daySlots.size() - 1));
    if (to < from) return shifts;
    const auto working = [&works](int32_t slot) { return slot >= 0 && slot < SlotCount && works[size_t(slot)]; };
    const auto first = daySlots.cbegin() + (from - tableFirst);
    const auto last = daySlots.cbegin() + (to - tableFirst) + 1;
    // Counted first, then written in place: a long plan has thousands.
    shifts.resize(std::count_if(first, last, working));
    Shift* out = shifts.data();
    for (auto slot = first; slot != last; ++slot) {
        if (!working(*slot)) continue;
        const int32_t day = from + int32_t(slot - first);
        *out = bySlot[size_t(*slot)];
        out->Day = day;
        out->Start += day * MinutesPerDay;
        ++out;
    }
    return shifts;
}
