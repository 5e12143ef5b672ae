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
