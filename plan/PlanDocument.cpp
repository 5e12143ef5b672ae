#include "plan/PlanDocument.h"

void ZmienZakresDni(PlanDocument& doc, int32_t firstDay, int32_t lastDay)
{
    WorkPlan& plan = doc.Plan;
    const DayTable backup = plan.Days;
    plan.Days.Reset(firstDay, lastDay, FreeDaySlot);
    plan.FirstDay = firstDay;
    plan.LastDay = lastDay;
    const bool keep = doc.SchedulePlanShown;
    doc.SchedulePlanShown = true;
    if (!keep || backup.Size() == 0) return;
    if (backup.LastDay() < firstDay || backup.FirstDay() > lastDay) return;
    const int32_t from = qMax(firstDay, backup.FirstDay());
    const int32_t to = qMin(lastDay, backup.LastDay());
    for (int32_t day = from; day <= to; ++day)
        plan.Days.Set(day, backup.At(day));
}

namespace {

int16_t TimeOfField(const TimeField& field)
{
    return field.Value < 0 ? EmptyTime : int16_t(field.Value % MinutesPerDay);
}

} // namespace

WorkPlan EditedPlan(const PlanDocument& doc)
{
    WorkPlan plan = doc.Plan;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const auto& row = doc.Fields.Slots[size_t(slot)];
        DaySchedule& schedule = plan.Schedules[size_t(slot)];
        schedule.Entry = TimeOfField(row[EntryColumn]);
        schedule.Exit = TimeOfField(row[ExitColumn]);
        schedule.BreakFrom = TimeOfField(row[BreakFromColumn]);
        schedule.BreakTo = TimeOfField(row[BreakToColumn]);
    }
    for (size_t i = 0; i < plan.Tolerances.size(); ++i)
        plan.Tolerances[i] = TimeOfField(doc.Fields.Pozostale[i]);
    if (doc.ProbedKind == ProbeWeeklyPlan) {
        plan.Kind = PlanKind::WeeklyPlan;
        plan.DailyNorm = doc.Fields.Norma.Value;
        plan.DayStart = qMax(0, doc.Fields.StartDnia.Value);
    } else {
        plan.Kind = PlanKind::SchedulePlan;
    }
    return plan;
}
