// The labour-code check of the largest plans (18,501 days, 2000-01-01 to
// 2050-08-26): a schedule plan working Monday to Friday 08:00-16:00 with a
// lunch break and Saturday 06:00-14:00 with a short one, Sundays free, with
// the fixed-date holidays of every year as free days; and a weekly plan of
// the same range that takes them into account. Beside them, a loop that only
// reads the day table once, as the floor that no check of every day can beat.
#include "compliance/ComplianceCheck.h"

#include <QDate>

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

const QMap<int32_t, QString>& Holidays()
{
    static const QMap<int32_t, QString> days = [] {
        const std::pair<int, int> fixed[] = {{1, 1},  {1, 6},   {5, 1},   {5, 3},  {8, 15},
                                             {11, 1}, {11, 11}, {12, 25}, {12, 26}};
        const QDate epoch(2000, 1, 1);
        QMap<int32_t, QString> built;
        for (int year = 2000; year <= 2050; ++year) {
            for (const auto& [month, day] : fixed) {
                const int32_t number = int32_t(epoch.daysTo(QDate(year, month, day)));
                if (number <= MaxPlanDay) built.insert(number, QStringLiteral("Święto"));
            }
        }
        return built;
    }();
    return days;
}

void CheckLargestPlan(benchmark::State& run, const WorkPlan& plan)
{
    const ComplianceOptions options{WorkingTimeSystem::Basic, int(run.range(0))};
    qsizetype findings = 0;
    for (auto _ : run) {
        const ComplianceReport report = CheckCompliance(plan, Holidays(), options);
        findings = report.Findings.size();
        benchmark::DoNotOptimize(report.Periods.data());
    }
    run.counters["findings"] = double(findings);
    run.SetItemsProcessed(run.iterations() * (plan.LastDay - plan.FirstDay + 1));
}

void CheckLargestSchedulePlan(benchmark::State& run)
{
    CheckLargestPlan(run, LargestSchedulePlan());
}

void CheckLargestWeeklyPlan(benchmark::State& run)
{
    CheckLargestPlan(run, LargestWeeklyPlan());
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
BENCHMARK(CheckLargestWeeklyPlan)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(SumDayTable)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
