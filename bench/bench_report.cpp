// The compliance report of a year for an inspection: the labour-code check
// of a plan of 2025 and its A4 PDF report. The plan rotates a night, an
// afternoon and a morning shift day by day with Sundays free, so that nearly
// every working day has findings (the employee day, the daily rest, work on
// the holidays) and the report runs to dozens of pages; beside it, the report of
// the same year with no finding at all (an office plan), the floor of its
// fixed parts.
#include "BenchLibrary.h"
#include "compliance/ComplianceCheck.h"
#include "export/ComplianceReportPdf.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

QMap<int32_t, QString> Holidays2025()
{
    const std::pair<int, int> dates[] = {{1, 1},  {1, 6},  {4, 20}, {4, 21},  {5, 1},   {5, 3},   {6, 8},
                                         {6, 19}, {8, 15}, {11, 1}, {11, 11}, {12, 24}, {12, 25}, {12, 26}};
    QMap<int32_t, QString> days;
    for (const auto& [month, day] : dates)
        days.insert(DayOfDate(QDate(2025, month, day)), QStringLiteral("Święto"));
    return days;
}

WorkPlan Year(bool rotating)
{
    WorkPlan plan;
    plan.Name = rotating ? QStringLiteral("Trzy zmiany na zakładkę") : QStringLiteral("Biuro");
    plan.FirstDay = DayOfDate(QDate(2025, 1, 1));
    plan.LastDay = DayOfDate(QDate(2025, 12, 31));
    plan.Schedules[0] = {6 * 60, 14 * 60, 10 * 60, 10 * 60 + 15};
    plan.Schedules[1] = {14 * 60, 22 * 60, 18 * 60, 18 * 60 + 15};
    plan.Schedules[2] = {22 * 60, 6 * 60, 2 * 60, 2 * 60 + 15};
    plan.Days.Reset(plan.FirstDay, plan.LastDay, FreeDaySlot);
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day) {
        const int weekday = WeekdayOf(day);
        if (rotating && weekday != 0) plan.Days.Set(day, 2 - (day - plan.FirstDay) % 3);
        if (!rotating && weekday != 0 && weekday != 6) plan.Days.Set(day, 0);
    }
    return plan;
}

void ReportOfYear(benchmark::State& run)
{
    const bool rotating = run.range(0) == 1;
    const WorkPlan plan = Year(rotating);
    const QMap<int32_t, QString> freeDays = Holidays2025();
    ComplianceOptions options;
    options.PeriodMonths = 3;
    qsizetype bytes = 0;
    qsizetype findings = 0;
    for (auto _ : run) {
        ComplianceReportInput input{plan, options, CheckCompliance(plan, freeDays, options),
                                    QDateTime(QDate(2026, 1, 2), QTime(9, 0))};
        findings = input.Report.Findings.size();
        bytes = ComplianceReportPdf(input).size();
        if (bytes == 0) run.SkipWithError("no report");
    }
    run.counters["findings"] = double(findings);
    run.counters["bytes"] = double(bytes);
}

} // namespace

// The argument: 1 the rotating plan, full of findings; 0 the office plan.
BENCHMARK(ReportOfYear)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    // The report's fonts come with a QGuiApplication.
    return RunBenchmarks<QGuiApplication>(argc, argv);
}
