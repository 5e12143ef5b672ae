// Exporting the largest plan (days 0..18500, every day but Sunday a working
// day of one of three shifts, the night one crossing midnight, each with a
// break; the holidays of every year free) as iCalendar and as CSV, beside a
// plain baseline: one fixed line of the same length appended per day, the
// least that writing an output of that size costs. The range argument is the
// number of days, to show that the cost grows in step with it.
#include "export/CsvExport.h"
#include "export/ICalendarExport.h"
#include "plan/PlanShifts.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int LargestPlanDays = MaxPlanDay + 1;

PlanExportInput LargestPlan(int days)
{
    PlanExportInput input;
    WorkPlan& plan = input.Plan;
    plan.Name = QStringLiteral("Największy plan – trzy zmiany");
    plan.FirstDay = 0;
    plan.LastDay = days - 1;
    plan.Days.Reset(plan.FirstDay, plan.LastDay, FreeDaySlot);
    for (int32_t day = 0; day < days; ++day) {
        if (WeekdayOf(day) != 0) plan.Days.Set(day, (day / 7) % 3);
    }
    plan.Schedules[0] = {360, 840, 600, 615};
    plan.Schedules[1] = {840, 1320, 1080, 1095};
    plan.Schedules[2] = {1320, 360, 120, 150};
    plan.Tolerances = {30, 60, 30, 15};
    for (int32_t day = 0; day < days; ++day) {
        const QDate date = DateOfDay(day);
        if ((date.month() == 1 && date.day() == 1) || (date.month() == 5 && date.day() == 1) ||
            (date.month() == 12 && date.day() == 25))
            input.FreeDays.insert(day, QStringLiteral("Święto"));
    }
    input.Now = QDateTime(QDate(2025, 1, 1), QTime(12, 0), Qt::UTC);
    return input;
}

void Export(benchmark::State& state, QByteArray (*write)(const PlanExportInput&))
{
    const PlanExportInput input = LargestPlan(int(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray out = write(input);
        bytes = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.counters["bytes"] = double(bytes);
}

// The shifts alone, which both exports expand first.
void Shifts(benchmark::State& state)
{
    const PlanExportInput input = LargestPlan(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PlanShifts(input.Plan, input.FreeDays, 0, MaxPlanDay).size());
}

// The baseline: an output of the size of the iCalendar file (second
// argument 0) or of the CSV table (1) written as one fixed line per day.
void FixedLines(benchmark::State& state)
{
    const int days = int(state.range(0));
    const PlanExportInput input = LargestPlan(days);
    const qsizetype size = state.range(1) == 0 ? PlanICalendar(input).size() : PlanCsv(input).size();
    const QByteArray line(size / days, 'x');
    for (auto _ : state) {
        QByteArray out;
        out.reserve(size);
        for (int day = 0; day < days; ++day)
            out += line;
        benchmark::DoNotOptimize(out.constData());
    }
}

} // namespace

BENCHMARK_CAPTURE(Export, ICalendar, &PlanICalendar)->Arg(1000)->Arg(LargestPlanDays)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Export, Csv, &PlanCsv)->Arg(1000)->Arg(LargestPlanDays)->Unit(benchmark::kMillisecond);
BENCHMARK(Shifts)->Arg(LargestPlanDays)->Unit(benchmark::kMillisecond);
BENCHMARK(FixedLines)->Args({LargestPlanDays, 0})->Args({LargestPlanDays, 1})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
