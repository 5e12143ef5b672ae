#include "PlanFixtures.h"

#include "plan/TimeText.h"

bool TypeTime(TimeField& field, const QString& text, bool minimumOneMinute)
{
    const TimeFieldParse parse = ParseTimeField(text, minimumOneMinute);
    if (parse.IsError()) return false;
    field.Text = parse.Text;
    field.Value = parse.Value;
    return true;
}

bool TypeSchedule(ScheduleFields& fields, int slot, const QString& times)
{
    auto& row = fields.Slots[slot];
    const QStringList ranges = times.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList texts{QString(), QString(), QString(), QString()};
    for (int i = 0; i < ranges.size() && i < 2; ++i) {
        const QStringList ends = ranges.at(i).split(QLatin1Char('-'));
        if (ends.size() != 2) return false;
        texts[i * 2] = ends.at(0);
        texts[i * 2 + 1] = ends.at(1);
    }
    bool ok = true;
    for (int column = 0; column < 4; ++column)
        ok = TypeTime(row[column], texts.at(column)) && ok;
    return ok;
}

bool TypeAllowances(ScheduleFields& fields, const QStringList& texts)
{
    bool ok = true;
    for (int i = 0; i < 4; ++i)
        ok = TypeTime(fields.Pozostale[i], texts.value(i), i == EarlierEntry || i == LaterExit) && ok;
    return ok;
}

void SetDays(WorkPlan& plan, int32_t firstDay, const QString& daySlots)
{
    plan.Kind = PlanKind::SchedulePlan;
    plan.FirstDay = firstDay;
    plan.LastDay = firstDay + int32_t(daySlots.size()) - 1;
    plan.Days.Reset(plan.FirstDay, plan.LastDay);
    for (int i = 0; i < daySlots.size(); ++i)
        plan.Days.Set(firstDay + i, daySlots.at(i).digitValue());
}

void FillLargestSchedulePlan(ProgramState& state, int variant)
{
    state.Fields = {};
    TypeSchedule(state.Fields, 0,
                 variant == 0 ? QStringLiteral("08:00-16:00 12:00-12:30") : QStringLiteral("07:00-15:00 11:00-11:30"));
    TypeSchedule(state.Fields, 1, QStringLiteral("06:00-14:00 10:00-10:15"));
    TypeAllowances(state.Fields, {QStringLiteral("00:30"), QStringLiteral("02:00"), QStringLiteral("00:45"),
                                  QStringLiteral("00:30")});
    state.Plan = {};
    state.Plan.Kind = PlanKind::SchedulePlan;
    state.Plan.FirstDay = 0;
    state.Plan.LastDay = MaxPlanDay;
    state.Plan.Days.Reset(0, MaxPlanDay);
    for (int32_t day = 0; day <= MaxPlanDay; ++day) {
        const int weekday = (day + 6) % 7; // Sunday = 0
        state.Plan.Days.Set(day, weekday == 0 ? FreeDaySlot : (weekday == 6 ? 1 : 0));
    }
}

void FillLargestWeeklyPlan(ProgramState& state, int variant)
{
    state.Fields = {};
    TypeTime(state.Fields.Norma, variant == 0 ? QStringLiteral("08:00") : QStringLiteral("07:30"));
    TypeTime(state.Fields.StartDnia, variant == 0 ? QStringLiteral("06:00") : QStringLiteral("05:00"));
    state.Plan = {};
    state.Plan.Kind = PlanKind::WeeklyPlan;
    state.Plan.FirstDay = 0;
    state.Plan.LastDay = MaxPlanDay;
}
