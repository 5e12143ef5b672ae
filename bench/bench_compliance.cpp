// The labour-code check of the largest plans (18,501 days, 2000-01-01 to
// 2050-08-26): a schedule plan working Monday to Friday 08:00-16:00 with a
// lunch break and Saturday 06:00-14:00 with a short one, Sundays free, with
// the demo's free days (Poland's public holidays) picked from the list as the
// window does; and a weekly plan of the same range that takes them into account. Beside them, a loop that only
// reads the day table once, as the floor that no check of every day can beat.
#include "compliance/ComplianceCheck.h"
#include "demo/DemoData.h"
#include "freedays/FreeDayList.h"
#include "freedays/FreeDaysDocument.h"

#include <benchmark/benchmark.h>

namespace {

const WorkPlan& LargestSchedulePlan()
{
    static const WorkPlan plan = [] {
        WorkPlan built;
        built.FirstDay = 0;
        built.LastDay = MaxPlanDay;
        built.Schedules[0] = {8 * 60, 16 * 60, 12 * 60, 12 * 60 + 30};
        built.Schedules[1] = {6 * 60, 14 * 60, 10 * 60, 10 * 60 + 15};
        built.Days.Reset(0, MaxPlanDay);
        for (int32_t day = 0; day <= MaxPlanDay; ++day) {
            const int weekday = WeekdayOf(day);
            built.Days.Set(day, weekday == 0 ? FreeDaySlot : (weekday == 6 ? 1 : 0));
        }
        return built;
    }();
    return plan;
}

const WorkPlan& LargestWeeklyPlan()
{
    static const WorkPlan plan = [] {
        WorkPlan built;
        built.Kind = PlanKind::WeeklyPlan;
        built.FirstDay = 0;
        built.LastDay = MaxPlanDay;
        built.DailyNorm = 8 * 60;
        built.DayStart = 6 * 60;
        built.IncludeFreeDays = true;
        return built;
    }();
    return plan;
}

// The suite's free days as the window holds them: the demo's list (the
// fixed-date holidays recurring, the movable ones of every year to 2050), or
// that list copies times over.
FreeDayList FreeDays(int copies)
{
    const FreeDayList demo = FreeDayListOfDocument(DemoFreeDaysDocument());
    FreeDayList list;
    for (int copy = 0; copy < copies; ++copy) {
        list.Dates += demo.Dates;
        list.Years += demo.Years;
        list.Recurring += demo.Recurring;
        list.Names += demo.Names;
    }
    return list;
}

// The check as the window's panel runs it: the plan's free days picked from
// the list, then every rule over every day.
void CheckLargestPlan(benchmark::State& run, const WorkPlan& plan, int copies)
{
    const ComplianceOptions options{WorkingTimeSystem::Basic, int(run.range(0))};
    const FreeDayList list = FreeDays(copies);
    // The report the panel shows, replaced by each new check.
    ComplianceReport shown;
    for (auto _ : run) {
        shown = CheckCompliance(plan, FreeDaysBetween(list, plan.FirstDay, plan.LastDay), options);
        benchmark::DoNotOptimize(shown.Periods.data());
    }
    run.counters["findings"] = double(shown.Findings.size());
    run.counters["freeDayEntries"] = double(list.Count());
    run.SetItemsProcessed(run.iterations() * (plan.LastDay - plan.FirstDay + 1));
}

void CheckLargestSchedulePlan(benchmark::State& run)
{
    CheckLargestPlan(run, LargestSchedulePlan(), 1);
}

// The same with a free-days list 32 times the demo's: the time grows with
// the entries, not with their product with the days.
void CheckLargestSchedulePlanManyFreeDays(benchmark::State& run)
{
    CheckLargestPlan(run, LargestSchedulePlan(), 32);
}

void CheckLargestWeeklyPlan(benchmark::State& run)
{
    CheckLargestPlan(run, LargestWeeklyPlan(), 1);
}

void SumDayTable(benchmark::State& run)
{
    const QVector<int32_t>& dayTable = LargestSchedulePlan().Days.Slots();
    for (auto _ : run) {
        int64_t sum = 0;
        for (const int32_t slot : dayTable)
            sum += slot;
        benchmark::DoNotOptimize(sum);
    }
    run.SetItemsProcessed(run.iterations() * dayTable.size());
}

} // namespace

// The argument is the settlement period in months.
BENCHMARK(CheckLargestSchedulePlan)
    ->Arg(1)
    ->Arg(4)
    ->Arg(12)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(CheckLargestSchedulePlanManyFreeDays)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(CheckLargestWeeklyPlan)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(SumDayTable)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
