#include "plan/PlanOfDecoded.h"

#include "plan/PlanDecoder.h"

namespace {

int16_t TimeOfDay(int16_t stored)
{
    return stored < 0 ? EmptyTime : int16_t(stored % MinutesPerDay);
}

} // namespace

WorkPlan PlanOfDecoded(const DecodedPlan& decoded, const QString& name, int32_t firstDay, int32_t lastDay)
{
    WorkPlan plan;
    plan.Name = name;
    plan.Kind = decoded.Kind;
    if (decoded.Kind == PlanKind::SchedulePlan) {
        plan.FirstDay = decoded.FirstDay;
        plan.LastDay = decoded.LastDay;
        plan.Days.Reset(plan.FirstDay, plan.LastDay, FreeDaySlot);
        plan.Days.Fill(decoded.DayBytes);
        for (int slot = 0; slot < decoded.StoredSlots(); ++slot) {
            const DaySchedule& stored = decoded.Schedules[slot];
            DaySchedule& times = plan.Schedules[slot];
            times.Entry = TimeOfDay(stored.Entry);
            times.Exit = TimeOfDay(stored.Exit);
            if (stored.BreakFrom != stored.BreakTo) {
                times.BreakFrom = TimeOfDay(stored.BreakFrom);
                times.BreakTo = TimeOfDay(stored.BreakTo);
            }
        }
        for (int i = 0; i < 4; ++i)
            plan.Tolerances[i] = TimeOfDay(decoded.Tolerances[i]);
        return plan;
    }
    plan.FirstDay = firstDay;
    plan.LastDay = lastDay;
    plan.WeekdayKinds = WeekdayKindsOf(decoded, plan.WeekdayKinds);
    plan.DailyNorm = decoded.DailyNorm();
    plan.DayStart = decoded.DayStart;
    plan.IncludeFreeDays = decoded.IncludeFreeDays();
    return plan;
}
